// Writes the benchmark's data sets into one folder, the same bytes for the same row count:
//
//   bench.domain  24 attributes (20 continuous, 4 nominal) and a class of 3 labels
//   bench.test    the test rows, numbers printed as real data prints them
//   bench.coef    linear discriminant functions for Solmet
//   bench.tree    a functional tree of a few hundred nodes for Dravik
//   big.domain, big.test, big.tree   a 100,000-node plain tree and a one-row test file
//   bench.info    the figures the runner needs (rows, values per row, derived attributes)
//
// Usage: bench_generate folder [--rows N]
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "binary_writer.h"
#include "tree_writer.h"

namespace {

constexpr int NR_ATTRIBUTES = 24;
constexpr int NR_CONTINUOUS = 20;
constexpr int NR_CLASSES = 3;
constexpr int LINEAR_COLUMNS = 1 + NR_CONTINUOUS;  // Dravik's models: constant + continuous inputs
constexpr int SOLMET_COLUMNS = 1 + NR_ATTRIBUTES;  // Solmet's: constant + every attribute
constexpr uint64_t SEED = 20240601;

const std::vector<std::vector<std::string>> NOMINAL_LABELS = {
    {"red", "green", "blue"}, {"a", "b", "c", "d"}, {"yes", "no"}, {"s", "m", "l", "xl"}};
const std::vector<std::string> CLASS_LABELS = {"low", "mid", "high"};

// Deterministic on every platform: splitmix64 and plain arithmetic, no library distributions.
struct Rng {
    uint64_t state;

    uint64_t next() {
        uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
    // Roughly normal, mean 0 and deviation 1: the sum of four uniforms, rescaled.
    double normal() { return (uniform() + uniform() + uniform() + uniform() - 2.0) * 1.7320508075688772; }
    int below(int n) { return static_cast<int>(next() % static_cast<uint64_t>(n)); }
};

// Attributes 6, 12, 18 and 24 are nominal, the others continuous.
bool is_nominal(int a) { return a % 6 == 0; }
int nominal_index(int a) { return a / 6 - 1; }
int nr_labels(int a) { return static_cast<int>(NOMINAL_LABELS[static_cast<size_t>(nominal_index(a))].size()); }
int continuous_index(int a) { return a - 1 - a / 6; }

// How a continuous column looks: its scale, centre and printed decimals; one column in
// exponent form.
struct Column {
    double scale;
    double centre;
    int decimals;
    bool exponent;
};

Column column_of(int a) {
    static const double scales[] = {1, 10, 100, 0.1, 1000};
    static const int decimals[] = {2, 2, 1, 4, 0, 4, 2, 1, 3, 3};
    const int k = continuous_index(a);
    const double scale = scales[k % 5];
    return Column{scale, scale * (4 + k % 3), decimals[k % 10], k == 13};
}

// Class c moves column k's values by this many scale units.
double class_shift(int a, int c) { return (c - 2) * 0.25 * (continuous_index(a) % 2 ? 1.0 : -1.0); }

// Probability of label v (1-based) of nominal attribute a in class c.
double label_share(int a, int c, int v) {
    const int n = nr_labels(a);
    double total = 0.0, mine = 0.0;
    for (int l = 1; l <= n; ++l) {
        const double w = 1.0 + ((l + c + a) % n == 0 ? 2.0 : 0.0);
        total += w;
        if (l == v) mine = w;
    }
    return mine / total;
}

bool write_file(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) std::cerr << "bench_generate: cannot write " << path << "\n";
    return static_cast<bool>(out);
}

std::string domain_text() {
    std::string text;
    for (int a = 1; a <= NR_ATTRIBUTES; ++a) {
        text += is_nominal(a) ? 'n' : 'x';
        text += std::to_string(a);
        text += ": ";
        if (!is_nominal(a)) {
            text += "continuous\n";
            continue;
        }
        const auto& labels = NOMINAL_LABELS[static_cast<size_t>(nominal_index(a))];
        for (size_t l = 0; l < labels.size(); ++l) {
            if (l) text += ", ";
            text += labels[l];
        }
        text += "\n";
    }
    return text + "class: low, mid, high\n";
}

// ---- Test rows ------------------------------------------------------------------------------

void append_value(std::string& line, int a, int c, Rng& rng) {
    if (rng.below(100) == 0) {
        line += '?';
        return;
    }
    if (is_nominal(a)) {
        double u = rng.uniform();
        int v = 1;
        while (v < nr_labels(a) && u >= label_share(a, c, v)) u -= label_share(a, c, v++);
        line += NOMINAL_LABELS[static_cast<size_t>(nominal_index(a))][static_cast<size_t>(v - 1)];
        return;
    }
    const Column col = column_of(a);
    const double x = col.centre + col.scale * (class_shift(a, c) + rng.normal());
    char buffer[64];
    const int n = col.exponent ? std::snprintf(buffer, sizeof buffer, "%.3e", x * 0.001)
                               : std::snprintf(buffer, sizeof buffer, "%.*f", col.decimals, x);
    line.append(buffer, static_cast<size_t>(n));
}

std::string test_row(Rng& rng) {
    const int c = 1 + rng.below(NR_CLASSES);
    std::string line;
    for (int a = 1; a <= NR_ATTRIBUTES; ++a) {
        append_value(line, a, c, rng);
        line += ',';
    }
    return line + CLASS_LABELS[static_cast<size_t>(c - 1)] + "\n";
}

// Returns the file's size, or -1 when it cannot be written.
int64_t write_test_file(const std::string& path, int64_t rows, uint64_t seed) {
    std::ofstream out(path, std::ios::binary);
    Rng rng{seed};
    std::string block;
    int64_t size = 0;
    for (int64_t i = 0; i < rows; ++i) {
        block += test_row(rng);
        if (block.size() > (1 << 20) || i + 1 == rows) {
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
            size += static_cast<int64_t>(block.size());
            block.clear();
        }
    }
    if (!out) {
        std::cerr << "bench_generate: cannot write " << path << "\n";
        return -1;
    }
    return size;
}

// ---- Model pieces ---------------------------------------------------------------------------

// Class statistics tables for positions 1..J with the given class weights (entry 0 the total);
// positions above the domain's are derived probabilities.
std::vector<StatsTable> stats_tables(int nr_positions, const std::vector<double>& weights) {
    std::vector<StatsTable> tables;
    for (int a = 1; a <= nr_positions; ++a) {
        StatsTable table;
        for (int c = 0; c <= NR_CLASSES; ++c) {
            const double w = weights[static_cast<size_t>(c)];
            if (a > NR_ATTRIBUTES) {
                table.push_back({0.0, 1.0 / NR_CLASSES, 0.0, 1.0});
            } else if (is_nominal(a)) {
                std::vector<double> row{0.01 * w};
                double mean = 0.0;
                for (int v = 1; v <= nr_labels(a); ++v) {
                    const double share = c == 0 ? 1.0 / nr_labels(a) : label_share(a, c, v);
                    row.push_back(0.99 * w * share);
                    mean += v * share;
                }
                row.push_back(mean);
                table.push_back(row);
            } else {
                const Column col = column_of(a);
                const double shift = c == 0 ? 0.0 : class_shift(a, c);
                const double unit = col.exponent ? col.scale * 0.001 : col.scale;
                const double centre = col.exponent ? col.centre * 0.001 : col.centre;
                table.push_back({0.01 * w, centre + unit * shift, centre - 4 * unit, centre + 4 * unit});
            }
        }
        tables.push_back(table);
    }
    return tables;
}

// K−1 rows of linear functions: the discriminant of class r against the last class for
// the generated data (unit variance per column), each coefficient scaled by `strength`
// times a random factor, so that Dravik's models give probabilities spread over the
// classes. `solmet` adds a zero column per nominal attribute (Solmet's rows cover every
// attribute; Dravik's only the continuous ones).
std::vector<std::vector<double>> linear_rows(Rng& rng, bool solmet, double strength) {
    std::vector<std::vector<double>> rows;
    for (int r = 1; r < NR_CLASSES; ++r) {
        std::vector<double> row{0.0};
        for (int a = 1; a <= NR_ATTRIBUTES; ++a) {
            if (is_nominal(a)) {
                if (solmet) row.push_back(0.0);
                continue;
            }
            const Column col = column_of(a);
            const double unit = col.exponent ? col.scale * 0.001 : col.scale;
            const double centre = col.exponent ? col.centre * 0.001 : col.centre;
            const double factor = strength * (0.5 + rng.uniform());
            const double w = factor * (class_shift(a, r) - class_shift(a, NR_CLASSES)) / unit;
            row.push_back(w);
            row[0] -= w * (centre + unit * (class_shift(a, r) + class_shift(a, NR_CLASSES)) / 2);
        }
        rows.push_back(row);
    }
    return rows;
}

// Class weights with every class above the Norvex threshold (2.5 per attribute).
std::vector<double> model_weights(Rng& rng, int nr_positions) {
    std::vector<double> w{0.0};
    for (int c = 1; c <= NR_CLASSES; ++c) {
        w.push_back(std::ceil(2.5 * nr_positions) + 50 + rng.below(400));
        w[0] += w.back();
    }
    return w;
}

std::vector<double> distribution_of(const std::vector<double>& weights) {
    std::vector<double> dist;
    for (int c = 1; c <= NR_CLASSES; ++c) dist.push_back(weights[static_cast<size_t>(c)] / weights[0]);
    return dist;
}

NodeFields model_node(Rng& rng, int nr_positions, bool norvex_model) {
    NodeFields f;
    f.class_counts = model_weights(rng, nr_positions);
    f.class_dist = distribution_of(f.class_counts);
    f.nr_attributes = nr_positions;
    f.coefs = linear_rows(rng, false, 0.5);
    f.nr_norvex_classes = norvex_model ? NR_CLASSES : 0;
    f.bayes_error = 0.15 + 0.2 * rng.uniform();
    f.discrim_error = 0.1 + 0.2 * rng.uniform();
    f.stats = stats_tables(nr_positions, f.class_counts);
    return f;
}

// A binary test with a soft band: on a continuous domain attribute, or on one of the
// derived probabilities 25..J; values fall inside the band often.
void set_test(NodeFields& f, Rng& rng, int nr_positions) {
    if (nr_positions > NR_ATTRIBUTES && rng.below(100) < 35) {
        f.attribute = NR_ATTRIBUTES + 1 + rng.below(nr_positions - NR_ATTRIBUTES);
        f.cut = 0.25 + 0.2 * rng.uniform();
        f.lower = f.cut - 0.06;
        f.upper = f.cut + 0.06;
        return;
    }
    int a = 1 + rng.below(NR_ATTRIBUTES);
    while (is_nominal(a)) a = 1 + rng.below(NR_ATTRIBUTES);
    const Column col = column_of(a);
    const double unit = col.exponent ? col.scale * 0.001 : col.scale;
    const double centre = col.exponent ? col.centre * 0.001 : col.centre;
    f.attribute = a;
    f.cut = centre + unit * (rng.uniform() - 0.5);
    f.lower = f.cut - 0.1 * unit;
    f.upper = f.cut + 0.1 * unit;
}

// ---- The functional tree --------------------------------------------------------------------

struct TreeBuild {
    Rng rng{SEED + 1};
    int64_t rows = 1;  // exemplar numbers are drawn from 1..rows
    TreeFile file;
    int next_number = 1;
    int leaves = 0;
    int exemplar_leaves = 0;
    int max_positions = NR_ATTRIBUTES;
};

// A leaf: two in seven a plain leaf with 80-120 exemplars (impure, so that neighbour
// voting runs; a Norvex class count without the Norvex flag brings the class statistics
// that distances need), three in seven a Norvex leaf, the rest a plain distribution.
void add_leaf(TreeBuild& t, int nr_positions) {
    const int kind = t.leaves++ % 7;
    NodeFields f;
    if (kind == 0 || kind == 4) {
        const int n = 80 + t.rng.below(41);
        f = model_node(t.rng, nr_positions, true);
        f.coefs.clear();
        const int major = 1 + t.rng.below(NR_CLASSES);
        f.class_counts = {static_cast<double>(n)};
        for (int c = 1; c <= NR_CLASSES; ++c) f.class_counts.push_back(c == major ? 0.6 * n : 0.2 * n);
        f.class_dist = distribution_of(f.class_counts);
        for (int i = 0; i < n; ++i)
            f.exemplars.push_back(static_cast<double>(1 + t.rng.next() % static_cast<uint64_t>(t.rows)));
        ++t.exemplar_leaves;
    } else if (kind == 1 || kind == 2 || kind == 5) {
        f = model_node(t.rng, nr_positions, true);
        f.norvex = 1;
    } else {
        std::vector<double> dist{0.2 + t.rng.uniform(), 0.2 + t.rng.uniform(), 0.2 + t.rng.uniform()};
        const double sum = dist[0] + dist[1] + dist[2];
        for (double& p : dist) p /= sum;
        f = leaf_data(dist, 50 + t.rng.below(200));
    }
    t.max_positions = std::max(t.max_positions, nr_positions);
    t.file.leaf(t.next_number++, f);
}

// A subtree of `nr_leaves` leaves, written in post-order. The root carries linear
// functions, about half of the other inner nodes a Norvex model; each model appends
// three derived attributes after the node's attribute count.
void add_subtree(TreeBuild& t, int nr_leaves, int nr_positions, bool is_root) {
    if (nr_leaves == 1) {
        add_leaf(t, nr_positions);
        return;
    }
    const bool with_model = is_root || t.rng.below(2) == 0;
    NodeFields f = with_model ? model_node(t.rng, nr_positions, !is_root)
                              : leaf_data({1.0 / 3, 1.0 / 3, 1.0 / 3}, 300 + t.rng.below(300));
    const int below = nr_positions + (with_model ? NR_CLASSES : 0);
    set_test(f, t.rng, below);
    const int left = std::clamp(nr_leaves / 2 + t.rng.below(3) - 1, 1, nr_leaves - 1);
    add_subtree(t, left, below, false);
    add_subtree(t, nr_leaves - left, below, false);
    t.file.binary(t.next_number++, f);
}

// A plain balanced subtree of crisp tests for the big tree.
void add_plain_subtree(TreeBuild& t, int nr_leaves) {
    if (nr_leaves == 1) {
        std::vector<double> dist{0.1 + t.rng.uniform(), 0.1 + t.rng.uniform(), 0.1 + t.rng.uniform()};
        const double sum = dist[0] + dist[1] + dist[2];
        for (double& p : dist) p /= sum;
        t.file.leaf(t.next_number++, leaf_data(dist, 10 + t.rng.below(90)));
        return;
    }
    NodeFields f = leaf_data({1.0 / 3, 1.0 / 3, 1.0 / 3}, 100);
    set_test(f, t.rng, NR_ATTRIBUTES);
    f.lower = f.upper = f.cut;
    add_plain_subtree(t, nr_leaves / 2);
    add_plain_subtree(t, nr_leaves - nr_leaves / 2);
    t.file.binary(t.next_number++, f);
}

// 100,000 nodes: a multi-way root on the first nominal attribute over three plain
// subtrees of 16,667 leaves each.
std::string big_tree() {
    TreeBuild t;
    for (int b = 0; b < 3; ++b) add_plain_subtree(t, 16667);
    NodeFields root = leaf_data({1.0 / 3, 1.0 / 3, 1.0 / 3}, 1000);
    root.attribute = 6;
    t.file.node(1, t.next_number++, 3, root);  // kind 1: multi-way
    return t.file.bytes;
}

std::string coef_file_bytes() {
    Rng rng{SEED + 2};
    const std::vector<std::vector<double>> rows = linear_rows(rng, true, 1.0);
    const std::vector<double> weights{3000.0, 1000.0, 1000.0, 1000.0};
    return coef_file(rows, SOLMET_COLUMNS, stats_tables(NR_ATTRIBUTES, weights));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: bench_generate folder [--rows N]\n";
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "/";
    int64_t rows = 1000000;
    for (int i = 2; i + 1 < argc; i += 2)
        if (std::string(argv[i]) == "--rows") rows = std::max<int64_t>(1, std::atoll(argv[i + 1]));

    TreeBuild tree;
    tree.rows = rows;
    add_subtree(tree, 147, NR_ATTRIBUTES, true);

    const std::string domain = domain_text();
    Rng one_row{SEED + 3};
    const int64_t test_size = write_test_file(dir + "bench.test", rows, SEED);
    const bool ok = test_size >= 0 && write_file(dir + "bench.domain", domain) &&
                    write_file(dir + "bench.coef", coef_file_bytes()) &&
                    write_file(dir + "bench.tree", tree.file.bytes) && write_file(dir + "big.domain", domain) &&
                    write_file(dir + "big.test", test_row(one_row)) && write_file(dir + "big.tree", big_tree());
    if (!ok) return 1;

    const std::string info = "rows " + std::to_string(rows) + "\ntest_bytes " + std::to_string(test_size) +
                             "\nvalues_per_row " + std::to_string(NR_ATTRIBUTES + 1) + "\nderived_max " +
                             std::to_string(tree.max_positions - NR_ATTRIBUTES) + "\ntree_nodes " +
                             std::to_string(tree.next_number - 1) + "\nexemplar_leaves " +
                             std::to_string(tree.exemplar_leaves) + "\n";
    return write_file(dir + "bench.info", info) ? 0 : 1;
}

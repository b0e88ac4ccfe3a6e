#include "classify.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "Combine.h"
#include "Dravik.h"
#include "bayes.h"
#include "discrim.h"

namespace {

using Vector = std::vector<double>;

int class_count(const Domain& domain) { return std::max(domain.nr_classes(), 0); }

double entry(const Vector& v, int c) {
    return c >= 0 && static_cast<size_t>(c) < v.size() ? v[static_cast<size_t>(c)] : 0.0;
}

// Adds the entries 1..C of an answer into `sum`; a null answer adds nothing.
void add_answer(Vector& sum, const ClassProbs& answer, int nr_classes) {
    if (!answer) return;
    for (int c = 1; c <= nr_classes; ++c) sum[static_cast<size_t>(c)] += entry(*answer, c);
}

// ---- Descent ----------------------------------------------------------------------------
// The helpers below are kept out of line so that each level of the recursion costs only
// the small frames of classify_example and one branch helper.

// Answer of child b of a node, null when there is no such child.
ClassProbs child_answer(const Domain& domain, const CiDataset& exemplar_set, Tree& tree, NodeId id, int64_t b,
                        Instance& example) {
    const NodeId child = tree.child(id, b);
    if (child == NO_NODE) return std::nullopt;
    return classify_example(domain, exemplar_set, tree, child, example);
}

// Child b's answer, or the node's own distribution when it gives none.
ClassProbs child_answer_or_dist(const Domain& domain, const CiDataset& exemplar_set, Tree& tree, NodeId id, int64_t b,
                                Instance& example) {
    ClassProbs answer = child_answer(domain, exemplar_set, tree, id, b, example);
    if (answer) return answer;
    return tree.node(id).data->class_dist;
}

// Runs the node's model, which appends its class probabilities to the example; the
// position it predicts, 0 without a model or an answer.
[[gnu::noinline]] int run_node_model(const Domain& domain, Instance& example, const NodeData& data) {
    if (data.nr_norvex_classes != 0)
        return Norvex_classify_teste_example(domain, example, data, data.nr_norvex_classes);
    if (!data.coefs || !data.stats) return 0;
    int predicted = 0;
    project_example(domain, example, *data.coefs, *data.stats, data.nr_attributes, data.nr_linears + 1, predicted);
    return predicted;
}

// An unknown value at a multi-way test: the sum of every child's answer, normalised.
[[gnu::noinline]] Vector mix_all_children(const Domain& domain, const CiDataset& exemplar_set, Tree& tree, NodeId id,
                                          Instance& example) {
    const int nr_classes = class_count(domain);
    Vector sum(static_cast<size_t>(nr_classes) + 1, 0.0);
    const TreeNode& node = tree.node(id);
    for (int64_t b = std::max(1, node.first_child); b <= node.nr_children; ++b)
        add_answer(sum, child_answer(domain, exemplar_set, tree, id, b, example), nr_classes);
    normalise(sum, nr_classes);
    return sum;
}

[[gnu::noinline]] ClassProbs multiway_answer(const Domain& domain, const CiDataset& exemplar_set, Tree& tree, NodeId id,
                                             Instance& example, int predicted) {
    const NodeData& data = *tree.node(id).data;
    if (data.norvex) {
        // Class-routed: the branch is the model's predicted position; its answer as it is.
        if (tree.child(id, predicted) == NO_NODE) return data.class_dist;
        return child_answer(domain, exemplar_set, tree, id, predicted, example);
    }
    const AttVal* value = known_value(example, data.attribute);
    if (value == nullptr) return mix_all_children(domain, exemplar_set, tree, id, example);
    // 0 for a value that names no branch (a type without labels, an integer not among them).
    const int branch = label_number(domain, data.attribute, value);
    return child_answer_or_dist(domain, exemplar_set, tree, id, branch, example);
}

// Value of a binary test's attribute as a real: discrete and date values by their integer.
double test_value(const Domain& domain, int32_t a, const AttVal& value) {
    return position_type(domain, a) == CONTINUOUS ? value.value : static_cast<double>(value.int_value());
}

// Both branches for an unknown value: their sum, normalised.
Vector mix_both_children(const Domain& domain, const CiDataset& exemplar_set, Tree& tree, NodeId id,
                         Instance& example) {
    const int nr_classes = class_count(domain);
    Vector sum(static_cast<size_t>(nr_classes) + 1, 0.0);
    add_answer(sum, child_answer(domain, exemplar_set, tree, id, 1, example), nr_classes);
    add_answer(sum, child_answer(domain, exemplar_set, tree, id, 2, example), nr_classes);
    normalise(sum, nr_classes);
    return sum;
}

// A value inside the soft band: both branches, weighted by the value's closeness.
Vector mix_band(const Domain& domain, const CiDataset& exemplar_set, Tree& tree, NodeId id, Instance& example,
                double v) {
    const ClassProbs first = child_answer(domain, exemplar_set, tree, id, 1, example);
    const ClassProbs second = child_answer(domain, exemplar_set, tree, id, 2, example);
    const NodeData& data = *tree.node(id).data;
    const double w1 = 1 - (v - data.lower) / (data.upper - data.lower);
    const double w2 = 1 - (data.upper - v) / (data.upper - data.lower);
    if (TRACE > 0) std::printf("Classify: Value %f in limits [%f (%f) %f (%f)]\n", v, data.lower, w1, data.upper, w2);
    return mixed_ul(class_count(domain), w2, second ? &*second : nullptr, w1, first ? &*first : nullptr);
}

[[gnu::noinline]] ClassProbs binary_answer(const Domain& domain, const CiDataset& exemplar_set, Tree& tree, NodeId id,
                                           Instance& example) {
    const NodeData& data = *tree.node(id).data;
    const AttVal* value = known_value(example, data.attribute);
    if (value == nullptr) return mix_both_children(domain, exemplar_set, tree, id, example);
    const double v = test_value(domain, data.attribute, *value);
    if (v <= data.lower) return child_answer_or_dist(domain, exemplar_set, tree, id, 1, example);
    if (v >= data.upper) return child_answer_or_dist(domain, exemplar_set, tree, id, 2, example);
    // Strictly inside the band, or a NaN value or limit.
    return mix_band(domain, exemplar_set, tree, id, example, v);
}

// The nearest-neighbour gate: neighbours asked for, more exemplars than the larger of
// MINIMUM_EXAMPLES and KNN, statistics to measure distances with, and a leaf whose
// training weight outside its majority class exceeds that bound.
bool uses_neighbours(const NodeData& data, int nr_classes) {
    if (KNN <= 0 || data.exemplars.empty() || !data.stats) return false;
    const int32_t bound = std::max(MINIMUM_EXAMPLES, KNN);
    if (data.nr_exemplars <= bound) return false;
    const int majority = dmajority(data.class_counts, nr_classes);
    return entry(data.class_counts, 0) > entry(data.class_counts, majority) + bound;
}

[[gnu::noinline]] Vector leaf_answer(const Domain& domain, const CiDataset& exemplar_set, NodeData& data,
                                     const Instance& example) {
    const int nr_classes = class_count(domain);
    Vector answer;
    if (data.norvex) {
        const int64_t k = data.nr_norvex_classes >= 1 ? data.nr_norvex_classes : int64_t{data.nr_linears} + 1;
        answer = Norvex_Leaf(domain, example, data, k);
    } else if (uses_neighbours(data, nr_classes)) {
        answer = classify_exampleKnn(domain, exemplar_set, data.exemplars, *data.stats, data.nr_exemplars,
                                     data.nr_attributes, example, data.class_dist);
    } else {
        answer = data.class_dist;
    }
    ++data.test_cases;
    if (dmajority(answer, nr_classes) != example.class_value) ++data.test_errors;
    return answer;
}

// ---- Nearest neighbours -----------------------------------------------------------------

// The exemplar an exemplar number names, or null for a number outside the set.
const Instance* exemplar_at(const CiDataset& exemplar_set, double number) {
    if (!std::isfinite(number)) return nullptr;
    const double position = std::trunc(number);
    if (position < 1 || position > exemplar_set.nr_instances) return nullptr;
    const auto index = static_cast<size_t>(position);
    return index < exemplar_set.instances.size() ? &exemplar_set.instances[index] : nullptr;
}

// Adds the squared value differences of a discrete attribute over the classes, scaled
// by N, one class at a time to the running sum.
void add_discrete_difference(double& sum, const Domain& domain, const ClassStats& stats, int32_t a,
                             const Instance& exemplar, const Instance& example, double nr_exemplars) {
    const int ve = label_number(domain, a, known_value(exemplar, a));
    const int vx = label_number(domain, a, known_value(example, a));
    for (int c = 1; c <= class_count(domain); ++c) {
        const double d = std::fabs(stats_cell(stats, a, c, ve) - stats_cell(stats, a, c, vx)) / nr_exemplars;
        sum += d * d;
    }
}

// A real value, or the training mean of all examples when it is not known or not held.
double real_value(const ClassStats& stats, const Instance& instance, int32_t a) {
    const AttVal* value = known_value(instance, a);
    return value ? value->value : stats_cell(stats, a, 0, MEAN);
}

// Squared difference of a continuous attribute, scaled by its training range; of a
// derived attribute, unscaled.
double real_difference(const Domain& domain, const ClassStats& stats, int32_t a, const Instance& exemplar,
                       const Instance& example) {
    const double xe = real_value(stats, exemplar, a);
    const double xx = real_value(stats, example, a);
    const double max = stats_cell(stats, a, 0, MAX);
    const double min = stats_cell(stats, a, 0, MIN);
    if (TRACE > 2)
        std::printf("Val1 %f Val2 %f Max %f Min %f Dif %f Dist %f \n", xe, xx, max, min, xe - xx,
                    std::fabs((xe - xx) / (max - min)));
    if (a > domain.nr_attributes) return (xe - xx) * (xe - xx);
    if (max == min) return 0.0;
    const double scaled = (xe - xx) / (max - min);
    return scaled * scaled;
}

bool has_table(const ClassStats& stats, int32_t a) {
    return a >= 1 && a <= stats.nr_attributes() && stats.tables[static_cast<size_t>(a)].has_value();
}

}  // namespace

// ---- Public entry points ----------------------------------------------------------------

ClassProbs classify_example(const Domain& domain, const CiDataset& exemplar_set, Tree& tree, NodeId id,
                            Instance& example) {
    TreeNode& node = tree.node(id);
    if (!node.data) return std::nullopt;
    if (node.kind == LEAF) return leaf_answer(domain, exemplar_set, *node.data, example);
    const int predicted = run_node_model(domain, example, *node.data);
    switch (node.kind) {
        case MULTIWAY:
            return multiway_answer(domain, exemplar_set, tree, id, example, predicted);
        case BINARY:
        case BINARY_LINEAR:
            return binary_answer(domain, exemplar_set, tree, id, example);
        default:
            return std::nullopt;
    }
}

int insert_knn(std::vector<Neighbour>& list, int count, double distance, double class_number) {
    const int capacity = static_cast<int>(list.size()) - 1;
    int pos = std::min(count, capacity);
    while (pos > 0 && list[static_cast<size_t>(pos)].distance > distance) --pos;
    if (pos >= capacity) return count;  // not nearer than any entry of a full list
    for (int i = capacity - 1; i > pos; --i) list[static_cast<size_t>(i) + 1] = list[static_cast<size_t>(i)];
    list[static_cast<size_t>(pos) + 1] = Neighbour{class_number, distance};
    return count < capacity ? count + 1 : capacity;
}

double distance(const Domain& domain, const ClassStats& stats, const Instance& exemplar, const Instance& example,
                int32_t nr_attributes, double nr_exemplars) {
    double sum = 0.0;
    for (int32_t a = 1; a <= nr_attributes; ++a) {
        if (!has_table(stats, a)) continue;
        const int type = position_type(domain, a);
        if (type == NOMINAL || type == ORDERED || type == INTEGER)
            add_discrete_difference(sum, domain, stats, a, exemplar, example, nr_exemplars);
        else if (type == CONTINUOUS)
            sum += real_difference(domain, stats, a, exemplar, example);
    }
    if (exemplar.weight != 0) sum = sum / exemplar.weight;
    return std::sqrt(sum);
}

std::vector<double> classify_exampleKnn(const Domain& domain, const CiDataset& exemplar_set,
                                        const std::vector<double>& exemplars, const ClassStats& stats,
                                        int32_t nr_exemplars, int32_t nr_attributes, const Instance& example,
                                        const std::vector<double>& class_dist) {
    const int nr_classes = class_count(domain);
    const int capacity = std::max(KNN, int32_t{0});
    std::vector<Neighbour> neighbours(static_cast<size_t>(capacity) + 1);
    int count = 0;
    const auto last = static_cast<int32_t>(std::min<int64_t>(nr_exemplars, static_cast<int64_t>(exemplars.size()) - 1));
    for (int32_t i = 1; i <= last; ++i) {
        const Instance* exemplar = exemplar_at(exemplar_set, exemplars[static_cast<size_t>(i)]);
        if (exemplar == nullptr) continue;
        const double d = distance(domain, stats, *exemplar, example, nr_attributes, nr_exemplars);
        if (TRACE > 1) std::printf("\tExemplo %ld Distancia %f\n", static_cast<long>(i), d);
        if (count < capacity || (capacity > 0 && d < neighbours[static_cast<size_t>(capacity)].distance))
            count = insert_knn(neighbours, count, d, exemplar->class_value);
    }
    Vector vote(static_cast<size_t>(nr_classes) + 1, 0.0);
    double sum = 0.0;
    for (int j = 1; j <= count; ++j) {
        const Neighbour& n = neighbours[static_cast<size_t>(j)];
        if (TRACE > 0) std::printf("[%d %.0f %.3f %f]\t", j, n.class_number, n.distance, std::exp(-0.1 * n.distance));
        const double w = 1 / std::exp(n.distance);
        const auto c = static_cast<int>(n.class_number);
        if (c >= 1 && c <= nr_classes) vote[static_cast<size_t>(c)] += w;
        sum += w;
    }
    if (sum != 0) {
        for (int c = 1; c <= nr_classes; ++c) vote[static_cast<size_t>(c)] /= sum;
    }
    for (int c = 1; c <= nr_classes; ++c)
        vote[static_cast<size_t>(c)] = (vote[static_cast<size_t>(c)] + entry(class_dist, c)) * 0.5;
    return vote;
}

// ---- Test-set classification --------------------------------------------------------------

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using OutputFile = std::unique_ptr<std::FILE, FileCloser>;

OutputFile open_predictions(const Domain& domain) {
    const std::string path = SetPathName(PREDICT_PATH, domain.name, ".pred");
    OutputFile file(std::fopen(path.c_str(), "w"));
    if (!file) std::fprintf(stderr, "Can not open file %s\n", path.c_str());
    return file;
}

const char* class_label(const Domain& domain, int c) {
    if (c < 1 || c > class_count(domain)) return "?";
    return LblValId(domain, domain.nr_attributes + 1, c).c_str();
}

// Reports one example's answer: verbose line, prediction line, confusion matrix, errors.
void record_answer(const Domain& domain, long number, const Instance& example, const ClassProbs& answer,
                   std::FILE* predictions, IMatrix& confusion, int32_t& errors) {
    if (!answer) {
        std::fprintf(stderr, "\nExample %ld Observed %d Not Classified", number, example.class_value);
        if (predictions) std::fprintf(predictions, "?\n");
        return;
    }
    const int nr_classes = class_count(domain);
    const int predicted = dmajority(*answer, nr_classes);
    if (VERBOSITY > 2) {
        std::printf("Example %ld Observed %s Classified %s \t[ ", number, class_label(domain, example.class_value),
                    class_label(domain, predicted));
        for (int c = 1; c <= nr_classes; ++c) std::printf("%.3f ", entry(*answer, c));
        std::printf("]\n");
    }
    if (predictions) std::fprintf(predictions, "%s\n", class_label(domain, predicted));
    if (predicted != example.class_value) ++errors;
    if (confusion.contains(predicted, example.class_value)) ++confusion.at(predicted, example.class_value);
}

}  // namespace

std::optional<IMatrix> classify(CiDataset& examples, const CiDataset& exemplar_set, Tree& tree, int32_t& errors,
                                int32_t* not_classified) {
    errors = 0;
    if (not_classified) *not_classified = 0;
    if (examples.nr_instances < 1) return std::nullopt;
    const Domain& domain = examples.domain;
    const int nr_classes = class_count(domain);
    IMatrix confusion(1, nr_classes, 1, nr_classes);
    const OutputFile predictions = open_predictions(domain);
    const auto last =
        static_cast<int>(std::min<int64_t>(examples.nr_instances, static_cast<int64_t>(examples.instances.size()) - 1));
    for (int i = 1; i <= last; ++i) {
        Instance& example = examples.instances[static_cast<size_t>(i)];
        const ClassProbs answer =
            tree.root == NO_NODE ? std::nullopt : classify_example(domain, exemplar_set, tree, tree.root, example);
        record_answer(domain, i, example, answer, predictions.get(), confusion, errors);
        if (!answer && not_classified) ++*not_classified;
    }
    return confusion;
}

// Nearest-neighbour leaves: distances, the neighbour list and the vote.
#include "neighbours.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "settings.h"

namespace {

using Term = NeighbourLeaf::Term;

bool has_table(const ClassStats& stats, int32_t a) {
    return a >= 1 && a <= stats.nr_attributes() && stats.tables[static_cast<size_t>(a)].has_value();
}

// The exemplar an exemplar number names, or null for a number outside the set and for an
// unlabelled example, which has no class to vote for.
const Instance* exemplar_at(const CiDataset& exemplar_set, double number) {
    if (!std::isfinite(number)) return nullptr;
    const double position = std::trunc(number);
    if (position < 1 || position > exemplar_set.nr_instances) return nullptr;
    const auto index = static_cast<size_t>(position);
    if (index >= exemplar_set.instances.size()) return nullptr;
    const Instance& exemplar = exemplar_set.instances[index];
    return exemplar.class_value != 0 ? &exemplar : nullptr;
}

// The table column of a label number; a label the table has no column for reads the
// zero column after the last.
int32_t column_of(const Term& term, int label) { return label >= 0 && label < term.columns ? label : term.columns; }

// A value's label column (discrete) or real value, the training mean standing in for an
// unknown one.
int32_t label_column(const Term& term, const Instance& instance) {
    return column_of(term, term.labels->label(known_value(instance, term.attribute)));
}
double real_value(const Term& term, const Instance& instance) {
    const AttVal* value = known_value(instance, term.attribute);
    return value ? value->value : term.mean;
}

// One term per position 1..J that has a table and takes part in distances; the discrete
// tables' class rows copied column by column, with a zero column after each.
void lay_out_terms(NeighbourLeaf& leaf, const Domain& domain, const LabelReaders& labels, const ClassStats& stats,
                   int32_t nr_attributes) {
    const int32_t last = std::min(nr_attributes, stats.nr_attributes());
    const auto nr_classes = static_cast<size_t>(leaf.nr_classes);
    for (int32_t a = 1; a <= last; ++a) {
        if (!has_table(stats, a)) continue;
        const int type = position_type(domain, a);
        Term term;
        term.attribute = a;
        if (type == NOMINAL || type == ORDERED || type == INTEGER) {
            term.kind = Term::Kind::Discrete;
            term.labels = &labels.at(a);
            term.columns = std::max(stats.tables[static_cast<size_t>(a)]->col_hi() + 1, 0);
            term.cells = leaf.cells.size();
            for (int v = 0; v < term.columns; ++v)
                for (int c = 1; c <= leaf.nr_classes; ++c) leaf.cells.push_back(stats_cell(stats, a, c, v));
            leaf.cells.insert(leaf.cells.end(), nr_classes, 0.0);
        } else if (type == CONTINUOUS) {
            term.kind = a > domain.nr_attributes ? Term::Kind::Derived : Term::Kind::Continuous;
            term.mean = stats_cell(stats, a, 0, MEAN);
            term.min = stats_cell(stats, a, 0, MIN);
            term.max = stats_cell(stats, a, 0, MAX);
        } else {
            continue;  // IGNORE and DATE positions add nothing
        }
        leaf.terms.push_back(term);
    }
}

// Gathers the exemplars' values at the positions that no model changes, when the budget
// allows it; the other positions are read at each evaluation.
void gather(NeighbourLeaf& leaf, int32_t stable, size_t& budget) {
    const size_t n = leaf.exemplars.size();
    size_t slots = 0;
    for (const Term& term : leaf.terms)
        if (term.kind != Term::Kind::Derived && term.attribute <= stable) ++slots;
    const bool affordable = n != 0 && slots <= budget / n;
    if (affordable) budget -= slots * n;
    size_t labels = 0, reals = 0;
    for (Term& term : leaf.terms) {
        const bool discrete = term.kind == Term::Kind::Discrete;
        term.gathered = affordable && term.kind != Term::Kind::Derived && term.attribute <= stable;
        if (!term.gathered) {
            term.column = discrete ? leaf.live_labels++ : leaf.live_reals++;
            continue;
        }
        term.column = discrete ? labels++ : reals++;
        for (const NeighbourLeaf::Exemplar& e : leaf.exemplars) {
            if (discrete)
                leaf.gathered_labels.push_back(label_column(term, *e.instance));
            else
                leaf.gathered_reals.push_back(real_value(term, *e.instance));
        }
    }
}

// The exemplars' values that change during the run. Position by position, so that the
// reads of different exemplars, which are far apart in memory, overlap.
void read_live(const NeighbourLeaf& leaf, NeighbourScratch& scratch) {
    const size_t n = leaf.exemplars.size();
    scratch.live_labels.resize(leaf.live_labels * n);
    scratch.live_reals.resize(leaf.live_reals * n);
    for (const Term& term : leaf.terms) {
        if (term.gathered) continue;
        if (term.kind == Term::Kind::Discrete) {
            int32_t* labels = scratch.live_labels.data() + term.column * n;
            for (size_t e = 0; e < n; ++e) labels[e] = label_column(term, *leaf.exemplars[e].instance);
        } else {
            double* reals = scratch.live_reals.data() + term.column * n;
            for (size_t e = 0; e < n; ++e) reals[e] = real_value(term, *leaf.exemplars[e].instance);
        }
    }
}

// The share of one class in a discrete term: the scaled difference of the exemplar's
// and the example's training weights, squared.
double squared_difference(double exemplar_cell, double example_cell, double nr_exemplars) {
    const double d = std::fabs(exemplar_cell - example_cell) / nr_exemplars;
    return d * d;
}

// A discrete term's shares are worked out once per evaluation for each label column,
// rather than once per exemplar, when it has fewer columns than the leaf has exemplars.
bool shares_ahead(const NeighbourLeaf& leaf, const Term& term) {
    return static_cast<size_t>(term.columns) + 1 <= leaf.exemplars.size();
}

void work_out_shares(const NeighbourLeaf& leaf, const Term& term, int32_t example_label, NeighbourScratch& scratch) {
    const auto nr_classes = static_cast<size_t>(leaf.nr_classes);
    const double* cells = leaf.cells.data() + term.cells;
    const double* x = cells + static_cast<size_t>(example_label) * nr_classes;
    double* shares = scratch.squares.data() + term.cells;
    for (size_t v = 0; v <= static_cast<size_t>(term.columns); ++v)
        for (size_t c = 0; c < nr_classes; ++c)
            shares[v * nr_classes + c] = squared_difference(cells[v * nr_classes + c], x[c], leaf.nr_exemplars);
}

void resolve_example(const NeighbourLeaf& leaf, const Instance& example, NeighbourScratch& scratch) {
    scratch.example_labels.resize(leaf.terms.size());
    scratch.example_reals.resize(leaf.terms.size());
    for (size_t i = 0; i < leaf.terms.size(); ++i) {
        const Term& term = leaf.terms[i];
        if (term.kind == Term::Kind::Discrete)
            scratch.example_labels[i] = label_column(term, example);
        else
            scratch.example_reals[i] = real_value(term, example);
    }
    scratch.squares.resize(leaf.cells.size());
    for (size_t i = 0; i < leaf.terms.size(); ++i) {
        const Term& term = leaf.terms[i];
        if (term.kind == Term::Kind::Discrete && shares_ahead(leaf, term))
            work_out_shares(leaf, term, scratch.example_labels[i], scratch);
    }
    read_live(leaf, scratch);
}

// The exemplars' label columns or values of a term, exemplar e at entry e.
const int32_t* exemplar_labels(const NeighbourLeaf& leaf, const NeighbourScratch& scratch, const Term& term) {
    const std::vector<int32_t>& columns = term.gathered ? leaf.gathered_labels : scratch.live_labels;
    return columns.data() + term.column * leaf.exemplars.size();
}
const double* exemplar_reals(const NeighbourLeaf& leaf, const NeighbourScratch& scratch, const Term& term) {
    const std::vector<double>& columns = term.gathered ? leaf.gathered_reals : scratch.live_reals;
    return columns.data() + term.column * leaf.exemplars.size();
}

// A discrete term's shares over the classes, added to the running sum one class at a time.
void add_discrete(const NeighbourLeaf& leaf, const NeighbourScratch& scratch, const Term& term, const int32_t* labels,
                  int32_t example_label, size_t first, size_t last, double* sums) {
    const auto nr_classes = static_cast<size_t>(leaf.nr_classes);
    if (shares_ahead(leaf, term)) {
        const double* shares = scratch.squares.data() + term.cells;
        for (size_t e = first; e < last; ++e) {
            const double* share = shares + static_cast<size_t>(labels[e]) * nr_classes;
            double sum = sums[e];
            for (size_t c = 0; c < nr_classes; ++c) sum += share[c];
            sums[e] = sum;
        }
        return;
    }
    const double* cells = leaf.cells.data() + term.cells;
    const double* x = cells + static_cast<size_t>(example_label) * nr_classes;
    for (size_t e = first; e < last; ++e) {
        const double* y = cells + static_cast<size_t>(labels[e]) * nr_classes;
        double sum = sums[e];
        for (size_t c = 0; c < nr_classes; ++c) sum += squared_difference(y[c], x[c], leaf.nr_exemplars);
        sums[e] = sum;
    }
}

// Squared difference of a continuous term, scaled by its training range (nothing when the
// range is empty); of a derived term, unscaled. The loops run over several exemplars at
// once where the compiler can, each exemplar's sum still growing term by term.
void add_real(const Term& term, const double* xe, double xx, size_t first, size_t last, double* sums, bool trace) {
    if (trace) {
        for (size_t e = first; e < last; ++e)
            std::printf("Val1 %f Val2 %f Max %f Min %f Dif %f Dist %f \n", xe[e], xx, term.max, term.min, xe[e] - xx,
                        std::fabs((xe[e] - xx) / (term.max - term.min)));
    }
    if (term.kind == Term::Kind::Derived) {
        for (size_t e = first; e < last; ++e) {
            const double diff = xe[e] - xx;
            sums[e] += diff * diff;
        }
        return;
    }
    if (term.max == term.min) return;
    const double range = term.max - term.min;
    for (size_t e = first; e < last; ++e) {
        const double scaled = (xe[e] - xx) / range;
        sums[e] += scaled * scaled;
    }
}

// Adds every term's share to sums[e] of exemplars first..last-1, term by term, so that
// each exemplar's sum grows in position order. With `trace` the real differences are
// printed, which keeps their order only one exemplar at a time.
void add_terms(const NeighbourLeaf& leaf, const NeighbourScratch& scratch, size_t first, size_t last, double* sums,
               bool trace) {
    for (size_t i = 0; i < leaf.terms.size(); ++i) {
        const Term& term = leaf.terms[i];
        if (term.kind == Term::Kind::Discrete)
            add_discrete(leaf, scratch, term, exemplar_labels(leaf, scratch, term), scratch.example_labels[i], first,
                         last, sums);
        else
            add_real(term, exemplar_reals(leaf, scratch, term), scratch.example_reals[i], first, last, sums, trace);
    }
}

// The distance from a finished sum: divided by the exemplar's weight, then the root.
double finish(double sum, const Instance& exemplar) {
    if (exemplar.weight != 0) sum = sum / exemplar.weight;
    return std::sqrt(sum);
}

double entry(const std::vector<double>& v, int c) {
    return c >= 0 && static_cast<size_t>(c) < v.size() ? v[static_cast<size_t>(c)] : 0.0;
}

// The vote of the first `count` neighbours, averaged with the leaf's distribution.
void vote(const std::vector<Neighbour>& list, int count, const std::vector<double>& class_dist, int nr_classes,
          std::span<double> out) {
    std::fill(out.begin(), out.end(), 0.0);
    double sum = 0.0;
    for (int j = 1; j <= count; ++j) {
        const Neighbour& n = list[static_cast<size_t>(j)];
        if (TRACE > 0) std::printf("[%d %.0f %.3f %f]\t", j, n.class_number, n.distance, std::exp(-0.1 * n.distance));
        const double w = 1 / std::exp(n.distance);
        const auto c = static_cast<int>(n.class_number);
        if (c >= 1 && c <= nr_classes) out[static_cast<size_t>(c)] += w;
        sum += w;
    }
    if (sum != 0) {
        for (int c = 1; c <= nr_classes; ++c) out[static_cast<size_t>(c)] /= sum;
    }
    for (int c = 1; c <= nr_classes; ++c)
        out[static_cast<size_t>(c)] = (out[static_cast<size_t>(c)] + entry(class_dist, c)) * 0.5;
}

}  // namespace

int insert_knn(std::vector<Neighbour>& list, int count, double distance, double class_number) {
    const int capacity = static_cast<int>(list.size()) - 1;
    int pos = std::min(count, capacity);
    while (pos > 0 && list[static_cast<size_t>(pos)].distance > distance) --pos;
    if (pos >= capacity) return count;  // not nearer than any entry of a full list
    for (int i = capacity - 1; i > pos; --i) list[static_cast<size_t>(i) + 1] = list[static_cast<size_t>(i)];
    list[static_cast<size_t>(pos) + 1] = Neighbour{class_number, distance};
    return count < capacity ? count + 1 : capacity;
}

NeighbourLeaf neighbour_leaf(const Domain& domain, const LabelReaders& labels, const CiDataset& exemplar_set,
                             const NodeData& data, int32_t stable, size_t& budget) {
    NeighbourLeaf leaf;
    leaf.nr_classes = std::max(domain.nr_classes(), 0);
    leaf.nr_exemplars = data.nr_exemplars;
    lay_out_terms(leaf, domain, labels, *data.stats, data.nr_attributes);
    const auto last = std::min<int64_t>(data.nr_exemplars, static_cast<int64_t>(data.exemplars.size()) - 1);
    for (int64_t i = 1; i <= last; ++i)
        if (const Instance* exemplar = exemplar_at(exemplar_set, data.exemplars[static_cast<size_t>(i)]))
            leaf.exemplars.push_back({static_cast<int32_t>(i), exemplar});
    gather(leaf, stable, budget);
    return leaf;
}

void classify_exampleKnn(const NeighbourLeaf& leaf, const Instance& example, const std::vector<double>& class_dist,
                         NeighbourScratch& scratch, std::span<double> out) {
    const int capacity = std::max(leaf.neighbours, int32_t{0});
    scratch.list.resize(static_cast<size_t>(capacity) + 1);
    resolve_example(leaf, example, scratch);
    const size_t n = leaf.exemplars.size();
    scratch.sums.assign(n, 0.0);
    double* sums = scratch.sums.data();
    const bool trace_terms = TRACE > 2;
    if (!trace_terms) add_terms(leaf, scratch, 0, n, sums, false);
    int count = 0;
    for (size_t e = 0; e < n; ++e) {
        if (trace_terms) add_terms(leaf, scratch, e, e + 1, sums, true);
        const Instance& exemplar = *leaf.exemplars[e].instance;
        const double d = finish(sums[e], exemplar);
        if (TRACE > 1) std::printf("\tExemplo %ld Distancia %f\n", static_cast<long>(leaf.exemplars[e].number), d);
        if (count < capacity || (capacity > 0 && d < scratch.list[static_cast<size_t>(capacity)].distance))
            count = insert_knn(scratch.list, count, d, exemplar.class_value);
    }
    vote(scratch.list, count, class_dist, leaf.nr_classes, out);
}

double distance(const Domain& domain, const ClassStats& stats, const Instance& exemplar, const Instance& example,
                int32_t nr_attributes, double nr_exemplars) {
    const LabelReaders labels(domain);
    NeighbourLeaf leaf;
    leaf.nr_classes = std::max(domain.nr_classes(), 0);
    leaf.nr_exemplars = nr_exemplars;
    lay_out_terms(leaf, domain, labels, stats, nr_attributes);
    leaf.exemplars.push_back({1, &exemplar});
    size_t no_budget = 0;
    gather(leaf, 0, no_budget);  // everything is read from the exemplar
    NeighbourScratch scratch;
    resolve_example(leaf, example, scratch);
    double sum = 0.0;
    add_terms(leaf, scratch, 0, 1, &sum, TRACE > 2);
    return finish(sum, exemplar);
}

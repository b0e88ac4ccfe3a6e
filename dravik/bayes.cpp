#include "bayes.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "Combine.h"
#include "Dravik.h"
#include "discrim.h"

std::vector<int> modelled_classes(const std::vector<double>& class_counts, int nr_classes, int32_t nr_attributes) {
    const double threshold = KH * static_cast<double>(nr_attributes);
    std::vector<int> classes;
    for (int c = 1; c <= nr_classes && static_cast<size_t>(c) < class_counts.size(); ++c)
        if (class_counts[static_cast<size_t>(c)] >= threshold) classes.push_back(c);
    return classes;
}

int class_at_position(const std::vector<int>& modelled, int64_t i, int nr_classes) {
    if (nr_classes < 1) return 1;
    if (i < 1 || static_cast<uint64_t>(i) > modelled.size()) return nr_classes + 1;
    return modelled[static_cast<size_t>(i) - 1];
}

namespace {

using Vector = std::vector<double>;

double at(const Vector& v, int64_t j) {
    return j >= 0 && static_cast<uint64_t>(j) < v.size() ? v[static_cast<size_t>(j)] : 0.0;
}

double weight(const Vector& class_counts, int c) { return at(class_counts, c); }

bool is_discrete(int type) { return type == NOMINAL || type == ORDERED || type == INTEGER; }

// Number of model positions that hold a modelled class: the first k of them.
int64_t modelled_positions(int64_t k, const std::vector<int>& classes) {
    return std::clamp<int64_t>(k, 0, static_cast<int64_t>(classes.size()));
}

// Estimated probability of a value with training weight n in class c.
double estimate(double n, const Vector& class_counts, int c) {
    const double total = weight(class_counts, 0);
    if (n != 0.0) return n / weight(class_counts, c);
    return weight(class_counts, c) / total / total;
}

// The linear part of the model: probabilities over k positions (no more than the
// coefficient rows can score), or null without coefficients.
std::optional<Vector> discriminant_part(const Domain& domain, const Instance& example, const NodeData& data,
                                        int64_t k) {
    if (!data.coefs || !data.stats) return std::nullopt;
    const int64_t scored = std::clamp<int64_t>(k, 0, static_cast<int64_t>(data.coefs->row_hi()) + 1);
    return discrim_classify_example(domain, example, *data.coefs, *data.stats, data.nr_attributes,
                                    static_cast<int>(scored), true);
}

void trace_components(const Instance& example, const NodeData& data, const std::optional<Vector>& evidence,
                      const std::optional<Vector>& discriminant, int64_t k) {
    std::printf("Observed %d ", example.class_value);
    if (evidence) {
        std::printf("Bayes (%f)[", 1.0 - data.bayes_error);
        for (int64_t j = 1; j <= k; ++j) std::printf("%lld %f ", static_cast<long long>(j), std::exp(at(*evidence, j)));
    }
    if (discriminant) {
        std::printf("] Discrim (%f)[", 1.0 - data.discrim_error);
        for (int64_t j = 1; j <= k; ++j) std::printf("%lld %f ", static_cast<long long>(j), at(*discriminant, j));
    }
}

// The naive-Bayes answer: evidence plus log prior, exponentiated relative to the largest
// so that long sums of logs do not underflow, normalised.
Vector bayes_probabilities(const Vector& evidence, const Vector& class_counts, const std::vector<int>& classes,
                           int64_t k) {
    Vector b(evidence.size(), 0.0);
    const int positions = static_cast<int>(evidence.size()) - 1;
    double largest = -std::numeric_limits<double>::infinity();
    for (int j = 1; j <= positions; ++j) {
        const int c = classes[static_cast<size_t>(j) - 1];
        b[static_cast<size_t>(j)] =
            evidence[static_cast<size_t>(j)] + std::log(weight(class_counts, c) / weight(class_counts, 0));
        if (b[static_cast<size_t>(j)] > largest) largest = b[static_cast<size_t>(j)];
    }
    for (int j = 1; j <= positions; ++j)
        b[static_cast<size_t>(j)] =
            std::isinf(largest) && largest < 0 ? 0.0 : std::exp(b[static_cast<size_t>(j)] - largest);
    if (static_cast<int64_t>(classes.size()) != k) std::fprintf(stderr, "Hummmmmm\n");
    normalise(b, positions);
    return b;
}

// Both components, each weighted by its estimated accuracy, normalised.
Vector combine(const Vector& bayes, const Vector& discriminant, const NodeData& data) {
    const size_t size = std::max(bayes.size(), discriminant.size());
    Vector r(size, 0.0);
    for (size_t j = 1; j < size; ++j)
        r[j] = (1.0 - data.bayes_error) * at(bayes, static_cast<int64_t>(j)) +
               (1.0 - data.discrim_error) * at(discriminant, static_cast<int64_t>(j));
    normalise(r, static_cast<int>(size) - 1);
    return r;
}

}  // namespace

namespace {

// The evidence over the first k of the modelled classes `classes`.
std::optional<Vector> bayes_evidence(const Domain& domain, const Instance& example, const Vector& class_counts,
                                     const ClassStats& stats, const std::vector<int>& classes, int64_t k) {
    const int positions = static_cast<int>(modelled_positions(k, classes));
    Vector evidence(static_cast<size_t>(positions) + 1, 0.0);
    long pairs = 0;
    for (int32_t a = 1; a <= domain.nr_attributes; ++a) {
        if (!is_discrete(position_type(domain, a))) continue;
        const int v = label_number(domain, a, known_value(example, a));
        for (int j = 1; j <= positions; ++j) {
            const int c = classes[static_cast<size_t>(j) - 1];
            evidence[static_cast<size_t>(j)] += std::log(estimate(stats_cell(stats, a, c, v), class_counts, c));
            ++pairs;
        }
    }
    if (pairs == 0) return std::nullopt;
    return evidence;
}

// The model answer, with the node's modelled classes found once by the caller.
std::optional<Vector> norvex_answer(const Domain& domain, const Instance& example, const NodeData& data,
                                    const std::vector<int>& classes, int64_t k) {
    std::optional<Vector> evidence;
    if (data.stats) evidence = bayes_evidence(domain, example, data.class_counts, *data.stats, classes, k);
    const std::optional<Vector> discriminant = discriminant_part(domain, example, data, k);
    if (TRACE > 1) trace_components(example, data, evidence, discriminant, k);
    if (!evidence) return discriminant;
    Vector bayes = bayes_probabilities(*evidence, data.class_counts, classes, k);
    if (!discriminant) return bayes;
    return combine(bayes, *discriminant, data);
}

std::vector<int> node_classes(const Domain& domain, const NodeData& data) {
    return modelled_classes(data.class_counts, domain.nr_classes(), data.nr_attributes);
}

}  // namespace

std::optional<Vector> bayes_classify_example(const Domain& domain, const Instance& example, const Vector& class_counts,
                                             const ClassStats& stats, int32_t nr_attributes, int64_t k) {
    const std::vector<int> classes = modelled_classes(class_counts, domain.nr_classes(), nr_attributes);
    return bayes_evidence(domain, example, class_counts, stats, classes, k);
}

std::optional<Vector> NorvexClassifyExample(const Domain& domain, const Instance& example, const NodeData& data,
                                            int64_t k) {
    return norvex_answer(domain, example, data, node_classes(domain, data), k);
}

int Norvex_classify_teste_example(const Domain& domain, Instance& example, const NodeData& data, int64_t k) {
    const std::vector<int> classes = node_classes(domain, data);
    const std::optional<Vector> answer = norvex_answer(domain, example, data, classes, k);
    if (!answer) return 0;
    const int best = dmajority(*answer, static_cast<int>(answer->size()) - 1);
    extend_example(example, data.nr_attributes, *answer, k);
    if (TRACE > 0) {
        std::printf("Final [");
        for (int64_t j = 1; j <= modelled_positions(k, classes); ++j)
            std::printf("%d %f ", classes[static_cast<size_t>(j) - 1], at(*answer, j));
        if (static_cast<int64_t>(classes.size()) != k)
            std::fprintf(stderr, "NV test exam Hummmmmm Hiddden %f k %d \n", static_cast<double>(k),
                         static_cast<int>(classes.size()));
        std::printf("]\n");
    }
    return best;
}

Vector Norvex_Leaf(const Domain& domain, const Instance& example, const NodeData& data, int64_t k) {
    const int nr_classes = std::max(domain.nr_classes(), 0);
    Vector p(static_cast<size_t>(nr_classes) + 1, 0.0);
    const std::vector<int> classes = node_classes(domain, data);
    const std::optional<Vector> answer = norvex_answer(domain, example, data, classes, k);
    if (!answer) return p;
    for (int64_t j = 1; j <= modelled_positions(k, classes); ++j)
        p[static_cast<size_t>(classes[static_cast<size_t>(j) - 1])] = at(*answer, j);
    if (static_cast<int64_t>(classes.size()) != k)
        std::fprintf(stderr, "NV Leaf Hummmmmm Hidden %f k %d\n", static_cast<double>(k),
                     static_cast<int>(classes.size()));
    return p;
}

void extend_example(Instance& example, int32_t nr_attributes, const Vector& values, int64_t count) {
    if (nr_attributes < 0 || count < 0) return;
    const int64_t size = static_cast<int64_t>(nr_attributes) + count + 1;
    if (size > std::numeric_limits<int32_t>::max()) return;
    if (!Ci_ReBuildInstance(example, static_cast<int>(size))) return;
    for (int64_t i = 1; i <= count; ++i) {
        AttVal& value = example.values[static_cast<size_t>(nr_attributes + i)];
        value.status = STATUS_KNOWN;
        value.value = at(values, i);
    }
}

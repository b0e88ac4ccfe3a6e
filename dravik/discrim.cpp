#include "discrim.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "Combine.h"
#include "Dravik.h"
#include "bayes.h"

const AttVal* known_value(const Instance& example, int32_t a) {
    if (a < 1 || a > example.nr_attributes || static_cast<size_t>(a) >= example.values.size()) return nullptr;
    const AttVal& value = example.values[static_cast<size_t>(a)];
    return value.status == STATUS_KNOWN ? &value : nullptr;
}

int label_number(const Domain& domain, int32_t a, const AttVal* value) {
    if (value == nullptr) return 0;
    switch (position_type(domain, a)) {
        case NOMINAL:
        case ORDERED:
            return value->int_value();
        case INTEGER:
            return IdValLbl(domain, a, std::to_string(value->int_value()));
        default:
            return 0;
    }
}

double stats_cell(const ClassStats& stats, int32_t a, int row, int column) {
    if (a < 1 || a > stats.nr_attributes()) return 0.0;
    const std::optional<DMatrix>& table = stats.tables[static_cast<size_t>(a)];
    return table && table->contains(row, column) ? table->at(row, column) : 0.0;
}

namespace {

double coefficient(const DMatrix& coefs, int row, int column) {
    return coefs.contains(row, column) ? coefs.at(row, column) : 0.0;
}

// Input of attribute a to the linear model: its value, or the training mean when unknown.
double model_input(const Domain& domain, const Instance& example, const ClassStats& stats, int32_t a, int type) {
    const AttVal* value = known_value(example, a);
    if (type == CONTINUOUS) return value ? value->value : stats_cell(stats, a, 0, MEAN);
    if (value) return static_cast<double>(value->int_value());
    const int nr_values = domain.attributes[static_cast<size_t>(a)].nr_values();
    return stats_cell(stats, a, 0, nr_values + 1);
}

bool takes_part(int type) { return type == ORDERED || type == INTEGER || type == CONTINUOUS; }

// Scores s[1..K]: row r of the coefficients over the inputs, and 0 for the reference class K.
std::vector<double> scores(const Domain& domain, const Instance& example, const DMatrix& coefs, const ClassStats& stats,
                           int32_t nr_attributes, int nr_classes) {
    std::vector<double> s(static_cast<size_t>(nr_classes) + 1, 0.0);
    const int32_t last_input = EXTENDED_LM ? nr_attributes : domain.nr_attributes;
    for (int r = 1; r < nr_classes; ++r) s[static_cast<size_t>(r)] = coefficient(coefs, r, 1);
    int column = 2;
    for (int32_t a = 1; a <= last_input; ++a) {
        const int type = position_type(domain, a);
        if (!takes_part(type)) continue;
        const double x = model_input(domain, example, stats, a, type);
        for (int r = 1; r < nr_classes; ++r) s[static_cast<size_t>(r)] += coefficient(coefs, r, column) * x;
        ++column;
    }
    return s;
}

// Turns scores into probabilities in place.
void to_probabilities(std::vector<double>& s, int nr_classes) {
    double best = 0.0;
    for (int r = 1; r <= nr_classes; ++r)
        if (s[static_cast<size_t>(r)] > best) best = s[static_cast<size_t>(r)];
    for (int r = 1; r <= nr_classes; ++r) {
        double t = s[static_cast<size_t>(r)] - best;
        if (t < -60.0) t = -60.0;
        s[static_cast<size_t>(r)] = std::exp(t);
    }
    if (nr_classes > 1) normalise(s, nr_classes);
}

}  // namespace

std::vector<double> discrim_classify_example(const Domain& domain, const Instance& example, const DMatrix& coefs,
                                             const ClassStats& stats, int32_t nr_attributes, int nr_classes,
                                             bool probabilities) {
    if (nr_classes < 0) nr_classes = 0;
    std::vector<double> s = scores(domain, example, coefs, stats, nr_attributes, nr_classes);
    if (!probabilities) return s;
    to_probabilities(s, nr_classes);
    if (TRACE > 4) {
        std::printf("Probs\t");
        for (int r = 1; r <= nr_classes; ++r) std::printf("%f ", s[static_cast<size_t>(r)]);
        std::printf("\n");
    }
    return s;
}

std::vector<double> project_example(const Domain& domain, Instance& example, const DMatrix& coefs,
                                    const ClassStats& stats, int32_t nr_attributes, int nr_classes, int& predicted) {
    std::vector<double> p = discrim_classify_example(domain, example, coefs, stats, nr_attributes, nr_classes, true);
    extend_example(example, nr_attributes, p, nr_classes);
    predicted = dmajority(p, nr_classes);
    return p;
}

// Linear models of tree nodes: resolution, scores and probabilities.
#include "discrim.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

#include "Combine.h"
#include "settings.h"

namespace {

double coefficient(const DMatrix& coefs, int row, int column) {
    return coefs.contains(row, column) ? coefs.at(row, column) : 0.0;
}

// Input of one resolved attribute: its value, or the training mean when it is unknown.
double input_value(const LinearModel::Input& input, const Instance& example) {
    const AttVal* value = known_value(example, input.attribute);
    if (value == nullptr) return input.unknown;
    return input.continuous ? value->value : static_cast<double>(value->int_value());
}

// Turns scores into probabilities in place.
void to_probabilities(std::span<double> s, int nr_classes) {
    double best = 0.0;
    for (int r = 1; r <= nr_classes; ++r)
        if (s[static_cast<size_t>(r)] > best) best = s[static_cast<size_t>(r)];
    for (int r = 1; r <= nr_classes; ++r) {
        double t = s[static_cast<size_t>(r)] - best;
        if (t < -60.0) t = -60.0;
        s[static_cast<size_t>(r)] = exponential(t);
    }
    if (nr_classes > 1) normalise(s, nr_classes);
}

}  // namespace

LinearModel linear_model(const Domain& domain, const DMatrix& coefs, const ClassStats& stats, int32_t nr_attributes,
                         int nr_classes) {
    LinearModel model;
    model.nr_classes = std::max(nr_classes, 0);
    const int rows = std::max(model.nr_classes - 1, 0);
    for (int r = 1; r <= rows; ++r) model.constants.push_back(coefficient(coefs, r, 1));
    const int32_t last_input = EXTENDED_LM ? nr_attributes : domain.nr_attributes;
    int column = 2;
    for (int32_t a = 1; a <= last_input; ++a) {
        const int type = position_type(domain, a);
        if (!is_linear_input(type)) continue;
        const int unknown_column =
            type == CONTINUOUS ? MEAN : domain.attributes[static_cast<size_t>(a)].nr_values() + 1;
        model.inputs.push_back({a, type == CONTINUOUS, stats_cell(stats, a, 0, unknown_column)});
        for (int r = 1; r <= rows; ++r) model.weights.push_back(coefficient(coefs, r, column));
        ++column;
    }
    return model;
}

namespace {

// Scores of `Rows` rows from `first` on, each the row's constant plus its terms added
// input by input in attribute order, as the scores have always been summed; the sums are
// kept in registers rather than in `out`.
template <size_t Rows>
void score_rows(const LinearModel& model, const Instance& example, size_t first, std::span<double> out) {
    const size_t rows = model.constants.size();
    std::array<double, Rows> s;
    for (size_t r = 0; r < Rows; ++r) s[r] = model.constants[first + r];
    const double* weights = model.weights.data() + first;
    for (const LinearModel::Input& input : model.inputs) {
        const double x = input_value(input, example);
        for (size_t r = 0; r < Rows; ++r) s[r] += weights[r] * x;
        weights += rows;
    }
    for (size_t r = 0; r < Rows; ++r) out[first + r + 1] = s[r];
}

}  // namespace

void linear_answer(const LinearModel& model, const Instance& example, bool probabilities, std::span<double> out) {
    const int k = model.nr_classes;
    const size_t rows = model.constants.size();
    out[0] = 0.0;
    if (k >= 1) out[static_cast<size_t>(k)] = 0.0;
    size_t first = 0;
    for (; first + 4 <= rows; first += 4) score_rows<4>(model, example, first, out);
    switch (rows - first) {
        case 3:
            score_rows<3>(model, example, first, out);
            break;
        case 2:
            score_rows<2>(model, example, first, out);
            break;
        case 1:
            score_rows<1>(model, example, first, out);
            break;
        default:
            break;
    }
    if (!probabilities) return;
    to_probabilities(out, k);
    if (TRACE > 4) {
        std::printf("Probs\t");
        for (int r = 1; r <= k; ++r) std::printf("%f ", out[static_cast<size_t>(r)]);
        std::printf("\n");
    }
}

std::vector<double> discrim_classify_example(const Domain& domain, const Instance& example, const DMatrix& coefs,
                                             const ClassStats& stats, int32_t nr_attributes, int nr_classes,
                                             bool probabilities) {
    const LinearModel model = linear_model(domain, coefs, stats, nr_attributes, nr_classes);
    std::vector<double> s(static_cast<size_t>(model.nr_classes) + 1, 0.0);
    linear_answer(model, example, probabilities, s);
    return s;
}

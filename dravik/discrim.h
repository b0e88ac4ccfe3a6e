// Linear models of tree nodes: class scores and probabilities from a node's coefficient
// matrix, and the derived attributes they add to an example. A model is resolved once
// against the domain and its statistics, so that scoring an example indexes directly.
#pragma once

#include <cmath>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "../common/Ci_instances.h"
#include "../common/distributions.h"
#include "../common/utils.h"
#include "example_values.h"

// e^t. The power of 0 is exactly 1 (as the C library gives it too), which saves the call
// for the best of a model's classes.
inline double exponential(double t) { return t == 0.0 ? 1.0 : std::exp(t); }

// ---- Linear models ----------------------------------------------------------------------

// Whether a domain attribute of this type takes a coefficient column of a node's linear
// functions: ORDERED, INTEGER and CONTINUOUS ones do; NOMINAL, IGNORE and DATE ones do not.
inline bool is_linear_input(int type) { return type == ORDERED || type == INTEGER || type == CONTINUOUS; }

// A node's linear functions over the domain attributes that take part (ORDERED, INTEGER,
// CONTINUOUS), each with its coefficient column and the training mean that stands in
// for an unknown value.
struct LinearModel {
    struct Input {
        int32_t attribute = 0;
        bool continuous = false;
        double unknown = 0.0;
    };
    int nr_classes = 0;             // K; the last class scores 0
    std::vector<Input> inputs;      // in attribute order
    std::vector<double> constants;  // row r's constant at r - 1
    std::vector<double> weights;    // input i's coefficient of row r at i * (K - 1) + r - 1
};

// Resolves the model of `coefs` for K classes; cells the matrix lacks count as 0.
LinearModel linear_model(const Domain& domain, const DMatrix& coefs, const ClassStats& stats, int32_t nr_attributes,
                         int nr_classes);

// Scores s[1..K] into out (which holds K + 1 entries; entry 0 is set to 0), or with
// `probabilities` set their probabilities: differences from the best score, floored at
// -60, exponentiated and normalised.
void linear_answer(const LinearModel& model, const Instance& example, bool probabilities, std::span<double> out);

// Scores or probabilities of the K classes of `coefs` for one example, as a new vector.
std::vector<double> discrim_classify_example(const Domain& domain, const Instance& example, const DMatrix& coefs,
                                             const ClassStats& stats, int32_t nr_attributes, int nr_classes,
                                             bool probabilities);

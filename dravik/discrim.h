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

// ---- Reading an example's values ------------------------------------------------------

// The value at position a when the example holds a known one there; null for an unknown
// or don't-care value and for a position the example does not hold.
inline const AttVal* known_value(const Instance& example, int32_t a) {
    if (a < 1 || a > example.nr_attributes) return nullptr;
    const AttVal& value = example.values[static_cast<size_t>(a)];
    return value.status == STATUS_KNOWN ? &value : nullptr;
}

// How a value of one attribute names a label: the label index (NOMINAL, ORDERED), the
// label that spells the integer in decimal (INTEGER, 0 when none does), 0 for a value
// not known and for every other type.
struct LabelReader {
    int type = CONTINUOUS;
    std::vector<std::pair<int32_t, int>> integer_labels;  // INTEGER: (integer, first label spelling it), by integer

    int label(const AttVal* value) const;
};

// The reader of every position: entries 1..nr_attributes of the domain, then one for the
// positions beyond them (derived, hence continuous); entry 0 serves positions below 1.
struct LabelReaders {
    std::vector<LabelReader> readers;

    explicit LabelReaders(const Domain& domain);
    const LabelReader& at(int32_t a) const {
        const auto last = static_cast<int64_t>(readers.size()) - 1;
        return readers[static_cast<size_t>(a < 1 ? 0 : a > last - 1 ? last : a)];
    }
};

// e^t. The power of 0 is exactly 1 (as the C library gives it too), which saves the call
// for the best of a model's classes.
inline double exponential(double t) { return t == 0.0 ? 1.0 : std::exp(t); }

// Cell [row][column] of the table of position a; 0 where the table or the cell does not exist.
double stats_cell(const ClassStats& stats, int32_t a, int row, int column);

// ---- Linear models ----------------------------------------------------------------------

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

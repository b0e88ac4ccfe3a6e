// How the engine reads and extends an example's values: known values, the labels they
// name, cells of the class statistics, and the derived values that models append.
#pragma once

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "../common/Ci_instances.h"
#include "../common/distributions.h"

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

// Cell [row][column] of the table of position a; 0 where the table or the cell does not exist.
double stats_cell(const ClassStats& stats, int32_t a, int row, int column);

// Resizes the example to J+K attributes and stores values[1..K] at J+1..J+K as known reals
// (0 for entries past the end of `values`). Leaves the example as it was when the size is
// out of reach or memory cannot be had.
void extend_example(Instance& example, int32_t nr_attributes, std::span<const double> values, int64_t count);

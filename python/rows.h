// Rows given by a caller, converted into examples as the example reader converts the
// fields of a test file: the domain's attributes in declared order (ignored ones
// included), optionally followed by the class.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "../common/example_reader.h"

// One value of a row: none (unknown), a number, a text, or something of another type
// (its type name in `text`), which fits no attribute.
struct Cell {
    enum class Kind : uint8_t { Missing, Number, Text, Other };
    Kind kind = Kind::Missing;
    double number = 0.0;
    std::string_view text;
};

// A row that cannot be converted; the message names the row and the attribute.
class RowError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// Converts rows of the declared domain (nr_attributes without the class) into examples
// of its examples' domain, as the test file's reader would hold them.
class RowConverter {
public:
    RowConverter(const Domain& declared, Dialect dialect);

    // Values of a row without its class; one more when it carries the class.
    int attributes() const { return declared_.nr_attributes; }
    // An empty block laid out for the examples, with room for `derived_room` more values each.
    InstanceArray new_block(uint32_t derived_room) const;
    // Adds row `row` (numbered from 0, for messages) to `into` as example row + 1. A row of
    // attributes() cells is unlabelled (class 0); the class cell of a longer one is a class
    // name, or missing, "?" or NaN for an unlabelled example. Throws RowError.
    void add(long row, std::span<const Cell> cells, InstanceArray& into) const;
    // The same for a row of numbers, without cells on the way.
    void add_numbers(long row, std::span<const double> numbers, InstanceArray& into) const;

    // For callers that convert a row value by value: the value of attribute `position`
    // (not IGNORE) and the class number of a class cell, as add() takes them; then the
    // example of the values of the attributes kept (the IGNORE ones left out), in order.
    AttVal value(long row, int position, const Cell& cell) const;
    int class_value(long row, const Cell& cell) const;
    void add_values(long row, std::span<const AttVal> kept, int observed, InstanceArray& into) const;
    int type(int position) const { return types_[static_cast<size_t>(position) - 1]; }

private:
    // Checks the length of a row and gives the slice its values go to, their number set.
    AttVal* begin_example(long row, size_t length, InstanceArray& into) const;
    [[noreturn]] void refuse(long row, int position, const std::string& what) const;

    // The value a whole number names for attribute `position`: what the decoder gives for
    // its text, from a table made once; nothing when that text is none of its labels.
    std::optional<AttVal> integer_value(int position, int32_t number) const;

    const Domain& declared_;
    FieldDecoder decoder_;
    // Per position, the labels that are the text of a whole number: the number and the
    // value it stands for, sorted by number (the first of equal texts).
    std::vector<std::vector<std::pair<int32_t, double>>> integer_labels_;
    uint32_t stored_ = 0;     // values kept per example, besides its number
    std::vector<int> types_;  // of positions 1..nr_attributes, from entry 0
};

// Rows given by a caller, converted into examples.
#include "rows.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

// A whole number within 32 bits, which a field could spell; nothing for other numbers.
std::optional<int32_t> whole_number(double number) {
    if (!(number >= -2147483648.0 && number <= 2147483647.0) || number != std::floor(number)) return std::nullopt;
    return static_cast<int32_t>(number);
}

std::string shown(const Cell& cell) {
    if (cell.kind == Cell::Kind::Text) return "'" + std::string(cell.text) + "'";
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", cell.number);
    return text;
}

AttVal unknown() { return AttVal{STATUS_UNKNOWN, UNKNOWN_VALUE}; }

}  // namespace

RowConverter::RowConverter(const Domain& declared, Dialect dialect)
    : declared_(declared),
      decoder_(declared, dialect),
      integer_labels_(static_cast<size_t>(declared.nr_attributes) + 2) {
    for (int a = 1; a <= declared.nr_attributes + 1; ++a) {
        const Attribute& attribute = declared.attributes[static_cast<size_t>(a)];
        if (a <= declared.nr_attributes) types_.push_back(attribute.type);
        if (a <= declared.nr_attributes && attribute.type != IGNORE) ++stored_;
        auto& table = integer_labels_[static_cast<size_t>(a)];
        for (int v = 1; v <= attribute.nr_values(); ++v) {
            const std::string& label = attribute.values[static_cast<size_t>(v)];
            const std::optional<int32_t> number = whole_number(std::strtod(label.c_str(), nullptr));
            if (!number || std::to_string(*number) != label) continue;
            const bool is_class = a > declared.nr_attributes;
            const std::optional<AttVal> value =
                is_class ? AttVal{STATUS_KNOWN, static_cast<double>(decoder_.class_number(label))}
                         : decoder_.value(a, label);
            if (value) table.emplace_back(*number, value->value);
        }
        // the first label of each number stays first among equals
        std::stable_sort(table.begin(), table.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
    }
}

std::optional<AttVal> RowConverter::integer_value(int position, int32_t number) const {
    const auto& table = integer_labels_[static_cast<size_t>(position)];
    const auto found = std::lower_bound(table.begin(), table.end(), number,
                                        [](const auto& entry, int32_t n) { return entry.first < n; });
    if (found == table.end() || found->first != number) return std::nullopt;
    return AttVal{STATUS_KNOWN, found->second};
}

InstanceArray RowConverter::new_block(uint32_t derived_room) const {
    InstanceArray block;
    block.set_value_layout(stored_ + 1, stored_ + 1 + derived_room);
    block.reserve(1);
    block.push_back(Instance{});  // entry 0 unused
    return block;
}

void RowConverter::refuse(long row, int position, const std::string& what) const {
    const std::string& name = declared_.attributes[static_cast<size_t>(position)].name;
    throw RowError("row " + std::to_string(row) + ", attribute '" + name + "': " + what);
}

AttVal RowConverter::value(long row, int position, const Cell& cell) const {
    const int type = declared_.attributes[static_cast<size_t>(position)].type;
    switch (cell.kind) {
        case Cell::Kind::Missing:
            return unknown();
        case Cell::Kind::Other:
            refuse(row, position, "a value of type " + std::string(cell.text) + " fits no attribute");
        case Cell::Kind::Text: {
            if (cell.text.empty()) refuse(row, position, "an empty text is no value");
            if (const std::optional<AttVal> value = decoder_.value(position, cell.text)) return *value;
            refuse(row, position, shown(cell) + " is not one of its labels");
        }
        case Cell::Kind::Number:
            break;
    }
    if (std::isnan(cell.number)) return unknown();
    if (type == CONTINUOUS) return AttVal{STATUS_KNOWN, cell.number};
    const std::optional<int32_t> number = whole_number(cell.number);
    if (type == DATE) {
        if (!number) refuse(row, position, shown(cell) + " is not a date number");
        return AttVal{STATUS_KNOWN, static_cast<double>(*number)};
    }
    if (number)
        if (const std::optional<AttVal> value = integer_value(position, *number)) return *value;
    refuse(row, position, shown(cell) + " is not one of its labels");
}

int RowConverter::class_value(long row, const Cell& cell) const {
    const int position = declared_.nr_attributes + 1;
    switch (cell.kind) {
        case Cell::Kind::Missing:
            return 0;
        case Cell::Kind::Other:
            refuse(row, position, "a value of type " + std::string(cell.text) + " is no class");
        case Cell::Kind::Text:
            if (cell.text == "?") return 0;
            if (const int c = decoder_.class_number(cell.text); c != 0) return c;
            refuse(row, position, shown(cell) + " is not one of the classes");
        case Cell::Kind::Number:
            break;
    }
    if (std::isnan(cell.number)) return 0;
    if (const std::optional<int32_t> number = whole_number(cell.number))
        if (const std::optional<AttVal> value = integer_value(position, *number); value && value->value != 0)
            return static_cast<int>(value->value);
    refuse(row, position, shown(cell) + " is not one of the classes");
}

AttVal* RowConverter::begin_example(long row, size_t length, InstanceArray& into) const {
    const auto n = static_cast<size_t>(declared_.nr_attributes);
    if (length != n && length != n + 1)
        throw RowError("row " + std::to_string(row) + " has " + std::to_string(length) + " values: the domain has " +
                       std::to_string(n) + " attributes, and a row may add the class");
    into.reserve(into.size() + 1);
    AttVal* values = into.next_slice();
    values[0] = AttVal{STATUS_KNOWN, static_cast<double>(row + 1)};  // the example's number
    return values;
}

void RowConverter::add(long row, std::span<const Cell> cells, InstanceArray& into) const {
    AttVal* values = begin_example(row, cells.size(), into);
    size_t stored = 1;
    for (size_t a = 0; a < types_.size(); ++a)
        if (types_[a] != IGNORE) values[stored++] = value(row, static_cast<int>(a) + 1, cells[a]);
    const int observed = cells.size() > types_.size() ? class_value(row, cells.back()) : 0;
    into.add_from_slice(observed, static_cast<int>(stored_));
}

void RowConverter::add_values(long row, std::span<const AttVal> kept, int observed, InstanceArray& into) const {
    if (kept.size() != stored_) throw std::logic_error("a row's values do not match its domain");
    into.reserve(into.size() + 1);
    AttVal* values = into.next_slice();
    values[0] = AttVal{STATUS_KNOWN, static_cast<double>(row + 1)};  // the example's number
    std::copy(kept.begin(), kept.end(), values + 1);
    into.add_from_slice(observed, static_cast<int>(stored_));
}

void RowConverter::add_numbers(long row, std::span<const double> numbers, InstanceArray& into) const {
    AttVal* values = begin_example(row, numbers.size(), into);
    size_t stored = 1;
    for (size_t a = 0; a < types_.size(); ++a) {
        const double number = numbers[a];
        switch (types_[a]) {
            case IGNORE:
                continue;
            case CONTINUOUS:
                values[stored++] = std::isnan(number) ? unknown() : AttVal{STATUS_KNOWN, number};
                continue;
            default:
                values[stored++] = value(row, static_cast<int>(a) + 1, Cell{Cell::Kind::Number, number, {}});
        }
    }
    const Cell observed{Cell::Kind::Number, numbers.size() > types_.size() ? numbers.back() : std::nan(""), {}};
    into.add_from_slice(class_value(row, observed), static_cast<int>(stored_));
}

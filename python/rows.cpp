// Rows given by a caller, converted into examples.
#include "rows.h"

#include <cmath>
#include <cstdio>
#include <optional>

namespace {

// The text of an integral number, as a field would hold it; nothing for other numbers.
std::optional<std::string> integer_text(double number) {
    if (!(number >= -2147483648.0 && number <= 2147483647.0) || number != std::floor(number)) return std::nullopt;
    return std::to_string(static_cast<long long>(number));
}

std::string shown(const Cell& cell) {
    if (cell.kind == Cell::Kind::Text) return "'" + std::string(cell.text) + "'";
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", cell.number);
    return text;
}

AttVal unknown() { return AttVal{STATUS_UNKNOWN, UNKNOWN_VALUE}; }

}  // namespace

RowConverter::RowConverter(const Domain& declared, Dialect dialect) : declared_(declared), decoder_(declared, dialect) {
    for (int a = 1; a <= declared.nr_attributes; ++a)
        if (declared.attributes[static_cast<size_t>(a)].type != IGNORE) ++stored_;
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
    const std::optional<std::string> text = integer_text(cell.number);
    if (!text)
        refuse(row, position, shown(cell) + (type == DATE ? " is not a date number" : " is not one of its labels"));
    if (const std::optional<AttVal> value = decoder_.value(position, *text)) return *value;
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
    if (const std::optional<std::string> text = integer_text(cell.number))
        if (const int c = decoder_.class_number(*text); c != 0) return c;
    refuse(row, position, shown(cell) + " is not one of the classes");
}

void RowConverter::add(long row, std::span<const Cell> cells, InstanceArray& into) const {
    const auto n = static_cast<size_t>(declared_.nr_attributes);
    if (cells.size() != n && cells.size() != n + 1)
        throw RowError("row " + std::to_string(row) + " has " + std::to_string(cells.size()) +
                       " values: the domain has " + std::to_string(n) + " attributes, and a row may add the class");
    into.reserve(into.size() + 1);
    AttVal* values = into.next_slice();
    values[0] = AttVal{STATUS_KNOWN, static_cast<double>(row + 1)};  // the example's number
    size_t stored = 1;
    for (size_t a = 0; a < n; ++a) {
        const int position = static_cast<int>(a) + 1;
        if (declared_.attributes[a + 1].type == IGNORE) continue;
        values[stored++] = value(row, position, cells[a]);
    }
    const int observed = cells.size() > n ? class_value(row, cells[n]) : 0;
    into.add_from_slice(observed, static_cast<int>(stored_));
}

// Arbitrary rows of values, as the Python module hands them over, converted into examples
// of a domain with every kind of attribute: each row becomes an example or is refused with
// a RowError, and an example holds what the reader would hold.
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_support.h"
#include "rows.h"

namespace {

Attribute attribute(const char* name, int type, std::vector<std::string> labels = {}) {
    Attribute a{name, type, {}};
    if (!labels.empty()) {
        a.values.emplace_back();
        a.values.insert(a.values.end(), labels.begin(), labels.end());
    }
    return a;
}

// nominal, ordered, integer, continuous, ignored, date; the class.
Domain every_kind() {
    Domain domain;
    domain.name = "kinds";
    domain.attributes = {Attribute{},
                         attribute("colour", NOMINAL, {"red", "green", "7"}),
                         attribute("size", ORDERED, {"[ordered]", "s", "m", "l"}),
                         attribute("count", INTEGER, {"1", "2", "30"}),
                         attribute("length", CONTINUOUS),
                         attribute("note", IGNORE),
                         attribute("day", DATE),
                         attribute("class", NOMINAL, {"yes", "no", "2"})};
    domain.nr_attributes = 6;
    return domain;
}

// Reads cells off the input: a kind byte, then 8 bytes of a number or a length byte and text.
class CellReader {
public:
    explicit CellReader(Bytes bytes) : bytes_(bytes) {}
    bool empty() const { return at_ >= bytes_.size(); }
    uint8_t byte() { return empty() ? 0 : bytes_[at_++]; }
    Cell cell() {
        switch (byte() % 4) {
            case 0:
                return {};
            case 1: {
                uint64_t bits = 0;
                for (int i = 0; i < 8; ++i) bits = bits << 8 | byte();
                double number;
                std::memcpy(&number, &bits, sizeof number);
                return {Cell::Kind::Number, number, {}};
            }
            case 2: {
                const size_t length = std::min<size_t>(byte() % 16, bytes_.size() - std::min(at_, bytes_.size()));
                const std::string_view text = as_text(bytes_.subspan(at_, length));
                at_ += length;
                return {Cell::Kind::Text, 0.0, text};
            }
            default:
                return {Cell::Kind::Other, 0.0, "list"};
        }
    }

private:
    Bytes bytes_;
    size_t at_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const Domain domain = every_kind();
    CellReader input(Bytes(data, size));
    const Dialect dialect = input.byte() % 2 == 0 ? Dialect::Main : Dialect::Solmet;
    const RowConverter converter(domain, dialect);
    InstanceArray block = converter.new_block(input.byte() % 4);
    std::vector<Cell> cells;
    for (long row = 0; !input.empty(); ++row) {
        cells.clear();
        for (int width = input.byte() % 9; width > 0; --width) cells.push_back(input.cell());
        const size_t before = block.size();
        try {
            converter.add(row, cells, block);
        } catch (const RowError&) {
            if (block.size() != before) std::abort();  // a refused row adds nothing
            continue;
        }
        const Instance& example = block[block.size() - 1];
        // five values kept (the ignored one is not) and the example's number
        if (example.values.size() != 6 || example.values[0].value != static_cast<double>(row + 1)) std::abort();
        if (example.class_value < 0 || example.class_value > 3) std::abort();
        for (size_t v = 1; v < example.values.size(); ++v)
            if (example.values[v].status != STATUS_KNOWN && example.values[v].value != UNKNOWN_VALUE) std::abort();
    }
    return 0;
}

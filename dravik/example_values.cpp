// Label readers, statistics cells and the derived values models append to examples.
#include "example_values.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <optional>
#include <string>

namespace {

// The integer a label spells exactly as "%d" prints it, if any.
std::optional<int32_t> decimal_integer(const std::string& label) {
    int32_t n = 0;
    const char* end = label.data() + label.size();
    const auto [stop, error] = std::from_chars(label.data(), end, n);
    if (error != std::errc() || stop != end || std::to_string(n) != label) return std::nullopt;
    return n;
}

LabelReader reader_of(const Attribute& attribute) {
    LabelReader reader;
    reader.type = attribute.type;
    if (attribute.type != INTEGER) return reader;
    for (int v = 1; v <= attribute.nr_values(); ++v)
        if (const auto n = decimal_integer(attribute.values[static_cast<size_t>(v)]))
            reader.integer_labels.emplace_back(*n, v);
    // Sorted by integer, the first label of each integer first; the later ones are dropped.
    std::stable_sort(reader.integer_labels.begin(), reader.integer_labels.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    reader.integer_labels.erase(std::unique(reader.integer_labels.begin(), reader.integer_labels.end(),
                                            [](const auto& a, const auto& b) { return a.first == b.first; }),
                                reader.integer_labels.end());
    return reader;
}

}  // namespace

int LabelReader::label(const AttVal* value) const {
    if (value == nullptr) return 0;
    switch (type) {
        case NOMINAL:
        case ORDERED:
            return value->int_value();
        case INTEGER: {
            const int32_t n = value->int_value();
            const auto it = std::lower_bound(integer_labels.begin(), integer_labels.end(), n,
                                             [](const auto& entry, int32_t key) { return entry.first < key; });
            return it != integer_labels.end() && it->first == n ? it->second : 0;
        }
        default:
            return 0;
    }
}

LabelReaders::LabelReaders(const Domain& domain) {
    // Entry 0 is the type of the domain's entry 0, which no example position ever reaches.
    readers.emplace_back();
    for (int a = 1; a <= domain.nr_attributes; ++a)
        readers.push_back(reader_of(domain.attributes[static_cast<size_t>(a)]));
    readers.emplace_back();  // derived positions: continuous
}

double stats_cell(const ClassStats& stats, int32_t a, int row, int column) {
    if (a < 1 || a > stats.nr_attributes()) return 0.0;
    const std::optional<DMatrix>& table = stats.tables[static_cast<size_t>(a)];
    return table && table->contains(row, column) ? table->at(row, column) : 0.0;
}

void extend_example(Instance& example, int32_t nr_attributes, std::span<const double> values, int64_t count) {
    if (nr_attributes < 0 || count < 0) return;
    const int64_t size = static_cast<int64_t>(nr_attributes) + count + 1;
    if (size > std::numeric_limits<int32_t>::max()) return;
    if (!Ci_ReBuildInstance(example, static_cast<int>(size))) return;
    for (int64_t i = 1; i <= count; ++i) {
        AttVal& value = example.values[static_cast<size_t>(nr_attributes + i)];
        value.status = STATUS_KNOWN;
        value.value = static_cast<uint64_t>(i) < values.size() ? values[static_cast<size_t>(i)] : 0.0;
    }
}

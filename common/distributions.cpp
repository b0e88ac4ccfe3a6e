// Class statistics records: their layout by position type and their reader.
#include "distributions.h"

#include <algorithm>
#include <cfloat>

int position_type(const Domain& domain, int a) {
    if (a > domain.nr_attributes) return CONTINUOUS;
    return domain.attributes[static_cast<size_t>(a)].type;
}

namespace {

// Columns stored per row for a position of type `type` with `nr_values` labels; 0 when the
// position has no table.
uint64_t stored_columns(int type, int nr_values) {
    switch (type) {
        case NOMINAL:
        case ORDERED:
        case INTEGER:
            return static_cast<uint64_t>(nr_values) + 2;
        case CONTINUOUS:
            return 4;
        default:
            return 0;
    }
}

}  // namespace

ClassStats init_stat(const Domain& domain, int nr_classes, int nr_attributes) {
    ClassStats stats;
    stats.tables.resize(static_cast<size_t>(std::max(nr_attributes, 0)) + 1);
    for (int a = 1; a <= nr_attributes; ++a) {
        const int type = position_type(domain, a);
        if (type == CONTINUOUS) {
            DMatrix table(0, nr_classes, 0, SDEV);
            for (int r = 0; r <= nr_classes; ++r) {
                table.at(r, MIN) = FLT_MAX;
                table.at(r, MAX) = -FLT_MAX;
            }
            stats.tables[static_cast<size_t>(a)] = std::move(table);
        } else if (stored_columns(type, 0) != 0) {
            const int nr_values = domain.attributes[static_cast<size_t>(a)].nr_values();
            stats.tables[static_cast<size_t>(a)] = DMatrix(0, nr_classes, 0, nr_values + 1);
        }
    }
    return stats;
}

std::optional<uint64_t> stats_size(const Domain& domain, int nr_attributes, uint64_t limit) {
    if (nr_attributes < 0) return std::nullopt;
    const uint64_t rows = static_cast<uint64_t>(std::max(domain.nr_classes(), 0)) + 1;
    const int own = std::min(nr_attributes, domain.nr_attributes);
    uint64_t total = 0;
    // Adds `count` positions of `columns` doubles per row; false once past the limit.
    auto add = [&](uint64_t count, uint64_t columns) {
        const uint64_t per_position = rows * columns * 8;  // small: labels and classes come from a text file
        if (per_position != 0 && count > (limit - total) / per_position) return false;
        total += count * per_position;
        return true;
    };
    for (int a = 1; a <= own; ++a) {
        const Attribute& attribute = domain.attributes[static_cast<size_t>(a)];
        if (!add(1, stored_columns(attribute.type, attribute.nr_values()))) return std::nullopt;
    }
    // Positions beyond the domain's attributes are derived, and continuous.
    if (!add(static_cast<uint64_t>(nr_attributes - own), 4)) return std::nullopt;
    return total;
}

std::optional<ClassStats> read_stats(BinaryReader& file, const Domain& domain, int nr_attributes) {
    if (!stats_size(domain, nr_attributes, file.bytes_left())) {
        file.skip_to_end();
        return std::nullopt;
    }
    const int nr_classes = domain.nr_classes();
    ClassStats stats = init_stat(domain, nr_classes, nr_attributes);
    for (int a = 1; a <= nr_attributes; ++a) {
        std::optional<DMatrix>& table = stats.tables[static_cast<size_t>(a)];
        if (!table) continue;
        const size_t columns = stored_columns(position_type(domain, a), table->col_hi() - 1);
        for (int r = 0; r <= nr_classes; ++r)
            if (!file.read_f64s(table->row(r), columns)) return std::nullopt;
    }
    return stats;
}

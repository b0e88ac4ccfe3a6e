#include "binary_writer.h"

BinaryWriter& BinaryWriter::big_endian(uint64_t bits, int width) {
    for (int i = width - 1; i >= 0; --i) bytes.push_back(static_cast<char>((bits >> (8 * i)) & 0xFF));
    return *this;
}

BinaryWriter& BinaryWriter::f64s(const std::vector<double>& values) {
    for (double v : values) f64(v);
    return *this;
}

void write_stats(BinaryWriter& out, const std::vector<StatsTable>& tables) {
    for (const StatsTable& table : tables)
        for (const std::vector<double>& row : table) out.f64s(row);
}

std::string coef_file(const std::vector<std::vector<double>>& rows, int32_t nr_cols,
                      const std::vector<StatsTable>& tables) {
    BinaryWriter out;
    out.i32(static_cast<int32_t>(rows.size())).i32(nr_cols);
    for (const auto& row : rows) out.f64s(row);
    write_stats(out, tables);
    return out.bytes;
}

#include "binary_writer.h"

#include <cstring>

namespace {

void put_be(std::string& out, uint64_t bits, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<char>((bits >> (8 * i)) & 0xFF));
}

}  // namespace

BinaryWriter& BinaryWriter::i32(int32_t v) {
    put_be(bytes, static_cast<uint32_t>(v), 4);
    return *this;
}

BinaryWriter& BinaryWriter::i16(int16_t v) {
    put_be(bytes, static_cast<uint16_t>(v), 2);
    return *this;
}

BinaryWriter& BinaryWriter::f64(double v) {
    uint64_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    put_be(bytes, bits, 8);
    return *this;
}

BinaryWriter& BinaryWriter::f64s(const std::vector<double>& values) {
    for (double v : values) f64(v);
    return *this;
}

BinaryWriter& BinaryWriter::raw(std::string_view text) {
    bytes.append(text);
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

// Writers of big-endian binary model files, so that tests state model files in a few
// readable lines.
#pragma once

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

struct BinaryWriter {
    std::string bytes;

    BinaryWriter& i32(int32_t v) { return big_endian(static_cast<uint32_t>(v), 4); }
    BinaryWriter& i16(int16_t v) { return big_endian(static_cast<uint16_t>(v), 2); }
    BinaryWriter& f64(double v) { return big_endian(std::bit_cast<uint64_t>(v), 8); }
    BinaryWriter& f64s(const std::vector<double>& values);
    // The low `width` bytes of `bits`, the most significant first.
    BinaryWriter& big_endian(uint64_t bits, int width);
};

// One table of a class statistics record: rows 0..C, each with its stored columns
// (V + 2 for a discrete position, 4 for a continuous or derived one).
using StatsTable = std::vector<std::vector<double>>;

// Appends a class statistics record: the tables of the positions that have one, in
// position order (IGNORE and DATE positions are simply left out by the caller).
void write_stats(BinaryWriter& out, const std::vector<StatsTable>& tables);

// A coefficient file: R and K, the rows, then the statistics.
std::string coef_file(const std::vector<std::vector<double>>& rows, int32_t nr_cols,
                      const std::vector<StatsTable>& tables);

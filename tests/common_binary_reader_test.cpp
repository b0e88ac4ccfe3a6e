// The binary reader's blocks: fields that straddle the end of a block, a bulk read of
// doubles, a short read at the end, and a pipe, which is read whole.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <bit>
#include <cstdint>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "binary_reader.h"
#include "support/binary_writer.h"
#include "support/run_program.h"

namespace {

TEST(BinaryReader, FieldsAcrossTheEndOfABlockAndFromAPipe) {
    // Padding up to 3 bytes before the end of the first 1 MiB block; then more doubles than
    // one bulk read decodes at a time: 0, 0.5, ..., 299.5.
    const size_t padding = (size_t{1} << 20) - 3;
    std::vector<double> halves(600);
    for (size_t i = 0; i < halves.size(); ++i) halves[i] = 0.5 * static_cast<double>(i);
    const std::string bytes =
        std::string(padding, 'x') + BinaryWriter{}.i32(-5).f64(2.5).i16(7).f64s(halves).bytes + "ab";
    auto check = [&](const std::filesystem::path& path) {
        std::optional<BinaryReader> reader = BinaryReader::open(path.string());
        ASSERT_TRUE(reader);
        EXPECT_EQ(reader->size(), bytes.size());
        EXPECT_TRUE(reader->read_bytes(padding));
        EXPECT_EQ(reader->read_i32(), -5);
        EXPECT_EQ(reader->read_f64(), 2.5);
        EXPECT_EQ(reader->read_i16(), 7);
        std::vector<double> read(halves.size());
        EXPECT_TRUE(reader->read_f64s(read.data(), read.size()));
        EXPECT_EQ(read, halves);
        EXPECT_EQ(reader->bytes_left(), 2u);
        EXPECT_FALSE(reader->read_i32());  // short: what was left is consumed
        EXPECT_EQ(reader->bytes_left(), 0u);
        EXPECT_FALSE(reader->read_i16());
    };
    TempDir dir;
    dir.write("model.bin", bytes);
    check(dir.file("model.bin"));
    const std::filesystem::path pipe = dir.file("pipe");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    std::thread writer([&] { std::ofstream(pipe, std::ios::binary) << bytes; });
    check(pipe);
    writer.join();
}

}  // namespace

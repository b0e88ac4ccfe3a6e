// The class statistics record: its layout by position type.
#include <gtest/gtest.h>

#include "distributions.h"
#include "support/binary_writer.h"
#include "support/domains.h"

namespace {

TEST(StatsFile, LayoutByPositionType) {
    // An integer attribute of 3 labels (120 bytes for 2 classes), an ignored and a date
    // attribute (no table), a continuous one (96 bytes), then a derived position (96 bytes).
    BinaryWriter out;
    for (int r = 0; r < 3; ++r) out.f64s({0.5, 1.0 + r, 2.0, 3.0, 1.5});
    for (int r = 0; r < 3; ++r) out.f64s({0.0, 10.0 + r, -1.0, 20.0});
    for (int r = 0; r < 3; ++r) out.f64s({0.0, 0.5, 0.0, 1.0});
    out.bytes += "tail";
    ASSERT_EQ(out.bytes.size(), 120u + 96u + 96u + 4u);
    BinaryReader reader =
        BinaryReader::from_bytes(reinterpret_cast<const unsigned char*>(out.bytes.data()), out.bytes.size());
    const auto stats = read_stats(reader, kIntegerDateAndIgnored, 5);
    ASSERT_TRUE(stats);
    EXPECT_EQ(reader.bytes_left(), 4u);
    EXPECT_EQ(stats->nr_attributes(), 5);
    EXPECT_EQ(stats->tables[1]->at(2, 1), 3.0);
    EXPECT_EQ(stats->tables[1]->at(0, 4), 1.5);
    EXPECT_FALSE(stats->tables[2] || stats->tables[3]);
    EXPECT_EQ(stats->tables[4]->at(1, MEAN), 11.0);
    EXPECT_EQ(stats->tables[4]->at(2, MAX), 20.0);
    EXPECT_EQ(stats->tables[4]->at(2, SDEV), 0.0);
    EXPECT_EQ(stats->tables[5]->at(0, MAX), 1.0);
}

}  // namespace

// Choosing a class from a probability vector and mixing the answers of two branches.
#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "Combine.h"

namespace {

using Vector = std::vector<double>;
const double NaN = std::numeric_limits<double>::quiet_NaN();

TEST(Majority, FirstOfEqualLargestWinsAndNaNNever) {
    EXPECT_EQ(dmajority({0, 0.2, 0.4, 0.4}, 3), 2);
    EXPECT_EQ(dmajority({0, 0, 0, 0}, 3), 1);
    EXPECT_EQ(dmajority({9, 0.1, NaN, 0.3}, 3), 3);  // entry 0 is no class
    EXPECT_EQ(dmajority({9, NaN, 0.1, 0.3}, 3), 1);  // the scan starts at entry 1
    EXPECT_EQ(dmajority({0, 0.1, 0.2, 0.9}, 2), 2);
    EXPECT_EQ(dmajority({0, 0.1, 0.2}, 0), 1);
    EXPECT_EQ(dmajority({0, 0.1, 0.2}, 5), 2);  // never read past the vector
}

TEST(Mixture, WeightsBothBranchesAndNormalises) {
    const Vector first{0, 1, 0}, second{0, 0, 1};
    EXPECT_EQ(mixed_ul(2, 0.75, &second, 0.25, &first), (Vector{0, 0.25, 0.75}));
    const Vector even{0, 0.5, 0.5}, skewed{0, 0.25, 0.75};
    // 0.5 (0.5, 0.5) + 1.5 (0.25, 0.75) = (0.625, 1.375), sum 2.
    EXPECT_EQ(mixed_ul(2, 1.5, &skewed, 0.5, &even), (Vector{0, 0.3125, 0.6875}));
    EXPECT_EQ(even, (Vector{0, 0.5, 0.5}));
}

TEST(Mixture, AbsentVectorOrZeroWeightAddsNothing) {
    const Vector first{0, 2, 6}, wild{0, NaN, std::numeric_limits<double>::infinity()};
    EXPECT_EQ(mixed_ul(2, 0.9, nullptr, 0.5, &first), (Vector{0, 0.25, 0.75}));
    EXPECT_EQ(mixed_ul(2, 0.5, &first, 0.9, nullptr), (Vector{0, 0.25, 0.75}));
    EXPECT_EQ(mixed_ul(2, 0.0, &wild, 0.5, &first), (Vector{0, 0.25, 0.75}));
}

TEST(Mixture, ZeroSumIsReturnedUndivided) {
    const Vector zeros{0, 0, 0}, opposite{0, 1, -1};
    EXPECT_EQ(mixed_ul(3, 0.5, nullptr, 0.5, nullptr), (Vector{0, 0, 0, 0}));
    EXPECT_EQ(mixed_ul(2, 0.5, &zeros, 0.5, &zeros), (Vector{0, 0, 0}));
    EXPECT_EQ(mixed_ul(2, 0.0, &zeros, 2.0, &opposite), (Vector{0, 2, -2}));
}

}  // namespace

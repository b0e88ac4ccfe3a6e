// Exact sums: the correctly rounded value in every order, exact merging, and the partials.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "exact_sum.h"

namespace {

const double inf = std::numeric_limits<double>::infinity();
const double max = std::numeric_limits<double>::max();

// The same double, bit for bit: 0 and -0 differ, a NaN equals a NaN.
::testing::AssertionResult same(double got, double expected) {
    if (std::bit_cast<uint64_t>(got) == std::bit_cast<uint64_t>(expected) || (std::isnan(got) && std::isnan(expected)))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << got << " is not " << expected;
}

ExactSum sum_of(const std::vector<double>& terms) {
    ExactSum sum;
    for (const double t : terms) sum.add(t);
    return sum;
}

// Sums whose plain left-to-right value depends on the order of the terms; in every order,
// and split into two sums added together at every point, the value is the exact sum
// rounded once, and the canonical partials are the same.
TEST(ExactSum, EveryOrderGivesTheCorrectlyRoundedSum) {
    const struct {
        std::string what;
        std::vector<double> terms;
        double value;
        std::vector<double> canonical;  // smallest first; the last is the value
    } cases[] = {
        // In this order plainly 0: 1e16 + 1 is a tie between 1e16 and 1e16 + 2, settled to
        // the even 1e16.
        {"1 between cancelling terms", {1e16, 1.0, -1e16}, 1.0, {1.0}},
        // 0.1 is 3602879701896397 / 2^55; ten of them 36028797018963970 / 2^55 = 1 + 2^-54,
        // which rounds to 1 (2^-54 is less than half a unit of 1, 2^-53). Plainly added,
        // 0.9999999999999999.
        {"ten 0.1", std::vector<double>(10, 0.1), 1.0, {0x1p-54, 1.0}},
        // 0.1 + 0.2 + 0.3 = (3602879701896397 + 2 * 3602879701896397 + 2 * 5404319552844595) / 2^55
        // = 21617278211378381 / 2^55. Doubles near 0.6 are multiples of 2^-53:
        // 21617278211378381 / 4 = 5404319552844595.25, so 5404319552844595 / 2^53 = 0.6 and the
        // rest 2^-55. Plainly, 0.1 + 0.2 + 0.3 is 0.6000000000000001 and 0.3 + 0.2 + 0.1 is 0.6.
        {"0.1, 0.2 and 0.3", {0.1, 0.2, 0.3}, 0.6, {0x1p-55, 0.6}},
        // 1 + 2^-53 is halfway between 1 and 1 + 2^-52; 2^-106 more takes it up, 2^-106 less
        // down, and alone it goes to the even 1. The rest of the first is -2^-53 + 2^-106,
        // 53 bits wide, one double.
        {"past a tie", {1.0, 0x1p-53, 0x1p-106}, 1.0 + 0x1p-52, {-0x1p-53 + 0x1p-106, 1.0 + 0x1p-52}},
        {"short of a tie", {1.0, 0x1p-53, -0x1p-106}, 1.0, {0x1p-53 - 0x1p-106, 1.0}},
        {"a tie to even, down", {1.0, 0x1p-53}, 1.0, {0x1p-53, 1.0}},
        {"a tie to even, up", {1.0 + 0x1p-52, 0x1p-53}, 1.0 + 0x1p-51, {-0x1p-53, 1.0 + 0x1p-51}},
        // The smallest subnormal survives 1 - 1; 1e-100 is lost in 1 but kept as a partial.
        {"a subnormal", {0x1p-1074, 1.0, -1.0}, 0x1p-1074, {0x1p-1074}},
        {"far apart", {1e100, 1.0, -1e100, 1e-100}, 1.0, {1e-100, 1.0}},
        // No term, and terms that cancel: 0, positive.
        {"nothing", {}, 0.0, {}},
        {"cancelling", {-0.0, 2.5, -2.5}, 0.0, {}},
        // Infinities and NaN: what plain addition gives, whatever the finite terms.
        {"an infinity", {1.0, inf, -1e308}, inf, {inf}},
        {"inf - inf", {inf, 1.0, -inf}, NAN, {NAN}},
        {"a NaN", {NAN, 1.0}, NAN, {NAN}},
    };
    for (const auto& c : cases) {
        std::vector<double> order = c.terms;
        const auto by_bits = [](double a, double b) { return std::bit_cast<uint64_t>(a) < std::bit_cast<uint64_t>(b); };
        std::sort(order.begin(), order.end(), by_bits);
        do {
            const ExactSum whole = sum_of(order);
            EXPECT_TRUE(same(whole.value(), c.value)) << c.what;
            const std::vector<double> canonical = whole.canonical_partials();
            ASSERT_EQ(canonical.size(), c.canonical.size()) << c.what;
            for (size_t i = 0; i < canonical.size(); ++i) EXPECT_TRUE(same(canonical[i], c.canonical[i])) << c.what;
            for (size_t split = 0; split <= order.size(); ++split) {
                ExactSum head = sum_of({order.begin(), order.begin() + static_cast<std::ptrdiff_t>(split)});
                head.add(sum_of({order.begin() + static_cast<std::ptrdiff_t>(split), order.end()}));
                EXPECT_TRUE(same(head.value(), c.value)) << c.what << " split at " << split;
            }
            // Partials read back, raw or canonical, are the same sum.
            EXPECT_TRUE(same(ExactSum::from_partials(whole.partials()).value(), c.value)) << c.what;
            EXPECT_TRUE(same(ExactSum::from_partials(canonical).value(), c.value)) << c.what;
        } while (std::next_permutation(order.begin(), order.end(), by_bits));
    }
}

// The value of the lowest set bit of `x`.
double lowest_bit(double x) {
    int exponent = 0;
    const double fraction = std::frexp(std::fabs(x), &exponent);
    const auto mantissa = static_cast<uint64_t>(std::ldexp(fraction, 53));
    return std::ldexp(1.0, exponent - 53 + std::countr_zero(mantissa));
}

// Terms of many magnitudes and both signs leave partials that do not overlap: each one
// lies below the lowest set bit of the next. A sum added to itself doubles.
TEST(ExactSum, PartialsDoNotOverlap) {
    ExactSum sum;
    for (int i = 1; i <= 1000; ++i) sum.add((i % 3 == 0 ? -1.0 : 1.0) / i * std::pow(10.0, i % 41 - 20));
    const std::vector<double>& partials = sum.partials();
    EXPECT_GT(partials.size(), 1U);
    for (size_t i = 1; i < partials.size(); ++i) {
        EXPECT_NE(partials[i - 1], 0.0);
        EXPECT_LT(std::fabs(partials[i - 1]), lowest_bit(partials[i])) << i;
    }
    const double value = sum.value();
    sum.add(sum);
    EXPECT_TRUE(same(sum.value(), 2 * value));
}

// A running sum past the largest double overflows as a plain sum does, and stays there.
TEST(ExactSum, Overflow) {
    EXPECT_TRUE(same(sum_of({max, max}).value(), inf));
    EXPECT_TRUE(same(sum_of({-max, -max, max}).value(), -inf));
    EXPECT_TRUE(same(sum_of({max, max, -inf}).value(), NAN));
}

}  // namespace

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "utils.h"

namespace {

struct Scan {
    int letter;
    std::string value;
};

std::vector<Scan> scan_all(const std::vector<const char*>& words, std::string_view optstring) {
    OptionScanner scanner;
    std::vector<Scan> result;
    std::string value;
    for (;;) {
        value.clear();
        const int letter = mygetopt(scanner, static_cast<int>(words.size()), words.data(), optstring, value);
        if (letter == -1) break;
        result.push_back({letter, value});
    }
    return result;
}

TEST(OptionScanner, SeparateAndJoinedValuesAndRejectedWords) {
    auto scans = scan_all({"prog", "-f", "heart", "-v", "3", "-v4", "-x", "word", "-", "-:", "-p"}, "f:v:p:");
    ASSERT_EQ(scans.size(), 8u);
    EXPECT_EQ(scans[0].letter, 'f');
    EXPECT_EQ(scans[0].value, "heart");
    EXPECT_EQ(scans[1].letter, 'v');
    EXPECT_EQ(scans[1].value, "3");
    EXPECT_EQ(scans[2].letter, 'v');
    EXPECT_EQ(scans[2].value, "4");
    EXPECT_EQ(scans[3].letter, '?');  // unknown letter
    EXPECT_EQ(scans[4].letter, '?');  // not an option
    EXPECT_EQ(scans[5].letter, '?');  // a lone dash
    EXPECT_EQ(scans[6].letter, ':');  // the colon is looked up like a letter
    EXPECT_EQ(scans[7].letter, '?');  // missing value
}

TEST(Numbers, AtoiTakesLeadingIntegerAndLow32Bits) {
    EXPECT_EQ(c_atoi("42abc"), 42);
    EXPECT_EQ(c_atoi("  -7"), -7);
    EXPECT_EQ(c_atoi("abc"), 0);
    EXPECT_EQ(c_atoi("4294967297"), 1);
    EXPECT_EQ(c_atoi("99999999999999999999999"), -1);  // saturates at LONG_MAX, low bits all set
    EXPECT_EQ(static_cast<int16_t>(c_atoi("65539")), 3);
}

}  // namespace

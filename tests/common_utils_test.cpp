#include <gtest/gtest.h>

#include <cstring>
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

uint64_t bits_of(double value) {
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// Every conversion gives the C library's result to the last bit, whichever way it is made.
TEST(Numbers, ConversionsAgreeWithTheCLibraryBitForBit) {
    const char* texts[] = {"0",
                           "-0",
                           "+0",
                           "1",
                           "-1",
                           "+1.5",
                           "  2.5",
                           "\t-3",
                           "0.1",
                           "-0.3",
                           ".5",
                           "-.5",
                           "5.",
                           "-",
                           "+",
                           ".",
                           "-.",
                           "",
                           "abc",
                           "12abc",
                           "1.5.2",
                           "1e",
                           "1e+",
                           "1e-",
                           "1e5",
                           "-1.25E-3",
                           "1e+308",
                           "1.7976931348623157e308",
                           "1.7976931348623159e308",
                           "1e309",
                           "-1e400",
                           "2.2250738585072014e-308",
                           "2.2250738585072011e-308",
                           "4.9406564584124654e-324",
                           "2.4703282292062328e-324",
                           "2.4703282292062327e-324",
                           "1e-400",
                           "-1e-400",
                           "0.000000000000000000000000000000000000000000001e-280",
                           "123456789012345678901234567890",
                           "0.12345678901234567890123456789",
                           "9007199254740993",
                           "9007199254740992.5000000000000000001",
                           "1.00000000000000011102230246251565404236316680908203125",
                           "7.2057594037927933e16",
                           "0x1p3",
                           "-0x10",
                           "0X1.8p1",
                           "0x",
                           "inf",
                           "-Infinity",
                           "nan",
                           "-nan",
                           "NAN(123)",
                           "1e99999999999999999999",
                           "00012",
                           "-007.50",
                           "99999999999",
                           "-2147483649",
                           "4294967297",
                           "9223372036854775807",
                           "9223372036854775808",
                           "-9223372036854775809",
                           "99999999999999999999999",
                           "1_000",
                           "3,5",
                           "٣"};
    for (const char* text : texts) {
        EXPECT_EQ(bits_of(c_strtod(text)), bits_of(std::strtod(text, nullptr))) << text;
        EXPECT_EQ(c_atoi(text), static_cast<int32_t>(static_cast<uint32_t>(std::strtol(text, nullptr, 10)))) << text;
    }
    // Views need not end where the text does.
    EXPECT_EQ(c_strtod(std::string_view("12.5e3", 4)), 12.5);
    EXPECT_EQ(c_atoi(std::string_view("1234", 2)), 12);
    EXPECT_EQ(c_strtod(std::string(100, '1') + "e-90"), std::strtod((std::string(100, '1') + "e-90").c_str(), nullptr));
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

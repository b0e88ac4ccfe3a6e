// Number conversion: the fast conversions against the C library, bit for bit.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "numbers.h"

namespace {

// Every conversion gives the C library's result to the last bit, whichever way it is made;
// atoi's is the low 32 bits of what strtol gives (saturated at the long range).
TEST(Numbers, ConversionsAgreeWithTheCLibraryBitForBit) {
    // clang-format off
    const std::string texts[] = {
        // signs, white space, partial numbers, no number
        "0", "-0", "+0", "1", "-1", "+1.5", "  2.5", "\t-3", "0.1", "-0.3", ".5", "-.5", "5.", "-", "+", ".", "-.", "",
        "abc", "00012", "-007.50",
        // exponents, overflow and underflow
        "1e5", "-1.25E-3", "1e+308", "1.7976931348623157e308", "1.7976931348623159e308", "1e309", "-1e400", "1e-400",
        "-1e-400", "1e99999999999999999999", "0.000000000000000000000000000000000000000000001e-280",
        // subnormals and the smallest normal, around the halfway points
        "2.2250738585072014e-308", "2.2250738585072011e-308", "4.9406564584124654e-324", "2.4703282292062328e-324",
        "2.4703282292062327e-324",
        // 20 digits and more, exact halfway cases
        "123456789012345678901234567890", "0.12345678901234567890123456789", "9007199254740993",
        "9007199254740992.5000000000000000001", "1.00000000000000011102230246251565404236316680908203125",
        // hexadecimal, inf and nan spellings
        "0x1p3", "-0x10", "0X1.8p1", "0x", "inf", "-Infinity", "nan", "-nan", "NAN(123)",
        // integers past 32 and 64 bits
        "99999999999", "-2147483649", "4294967297", "9223372036854775807", "9223372036854775808",
        "-9223372036854775809", "99999999999999999999999",
        // trailing text
        "12abc", "1.5.2", "1e", "1e+", "1e-", "1_000", "3,5", "7.5e3x", "\xd9\xa3",
        // long texts
        std::string(100, '1') + "e-90"};
    // clang-format on
    for (const std::string& text : texts) {
        const char* c_text = text.c_str();
        EXPECT_EQ(std::bit_cast<uint64_t>(c_strtod(text)), std::bit_cast<uint64_t>(std::strtod(c_text, nullptr)))
            << text;
        EXPECT_EQ(c_atoi(text), static_cast<int32_t>(static_cast<uint32_t>(std::strtol(c_text, nullptr, 10)))) << text;
    }
    // Views need not end where the text does.
    EXPECT_EQ(c_strtod(std::string_view("12.5e3", 4)), 12.5);
    EXPECT_EQ(c_atoi(std::string_view("1234", 2)), 12);
}

}  // namespace

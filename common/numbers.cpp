// Number texts: integer-text checks and comparisons, exact conversions as the C library gives them.
#include "numbers.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace {

bool is_integer_text(std::string_view token) {
    if (!token.empty() && (token[0] == '+' || token[0] == '-')) token.remove_prefix(1);
    if (token.empty()) return false;
    return std::all_of(token.begin(), token.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

bool all_integers(const std::vector<std::string>& tokens) {
    return std::all_of(tokens.begin(), tokens.end(), [](const std::string& t) { return is_integer_text(t); });
}

int compare_integer_texts(std::string_view a, std::string_view b) {
    auto split = [](std::string_view t) {
        bool negative = false;
        if (!t.empty() && (t[0] == '+' || t[0] == '-')) {
            negative = t[0] == '-';
            t.remove_prefix(1);
        }
        while (t.size() > 1 && t[0] == '0') t.remove_prefix(1);
        if (t == "0") negative = false;
        return std::pair{negative, t};
    };
    const auto [a_negative, a_digits] = split(a);
    const auto [b_negative, b_digits] = split(b);
    if (a_negative != b_negative) return a_negative ? -1 : 1;
    int magnitude = 0;
    if (a_digits.size() != b_digits.size()) {
        magnitude = a_digits.size() < b_digits.size() ? -1 : 1;
    } else {
        const int c = a_digits.compare(b_digits);
        magnitude = c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    return a_negative ? -magnitude : magnitude;
}

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The text as a C string for the C library's converters; long texts are rare, and only
// they cost an allocation.
template <class Convert>
auto with_c_string(std::string_view text, Convert convert) {
    char small[64];
    if (text.size() < sizeof small) {
        std::memcpy(small, text.data(), text.size());
        small[text.size()] = '\0';
        return convert(static_cast<const char*>(small));
    }
    const std::string copy(text);
    return convert(copy.c_str());
}

// A number the way fields usually write one: an optional minus sign, then a digit or a
// full stop followed by a digit, and not a hexadecimal "0x". std::from_chars reads these
// exactly as strtod does; anything else (white space, a plus sign, hexadecimal, inf and
// nan spellings, no number at all) goes to the C library.
bool plain_decimal_start(std::string_view text) {
    size_t i = !text.empty() && text[0] == '-' ? 1 : 0;
    if (i == text.size()) return false;
    if (text[i] == '.') return i + 1 < text.size() && is_digit(text[i + 1]);
    if (!is_digit(text[i])) return false;
    return !(text[i] == '0' && i + 1 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X'));
}

}  // namespace

int32_t c_atoi(std::string_view text) {
    long value = 0;
    bool converted = false;
    if (plain_decimal_start(text)) {
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
        converted = error == std::errc() && end != text.data();
    }
    if (!converted) value = with_c_string(text, [](const char* c_text) { return std::strtol(c_text, nullptr, 10); });
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<unsigned long>(value)));
}

double c_strtod(std::string_view text) {
    if (plain_decimal_start(text)) {
        double value = 0.0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error == std::errc() && end != text.data()) return value;
    }
    return with_c_string(text, [](const char* c_text) { return std::strtod(c_text, nullptr); });
}

// Number texts as the C library reads them: integer-text checks and comparisons, and
// exact conversions to integers and reals.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// True when every token is an optional sign followed by one or more decimal digits.
bool all_integers(const std::vector<std::string>& tokens);

// -1, 0 or 1 as the integer written in `a` is below, equal to or above the one in `b`;
// both must satisfy all_integers. Exact for any number of digits.
int compare_integer_texts(std::string_view a, std::string_view b);

// The C library's atoi as glibc does it: strtol, then the low 32 bits.
int32_t c_atoi(std::string_view text);

// The C library's strtod of the text, to the last bit: plain decimals go through
// std::from_chars, which rounds them the same way, everything else through strtod.
double c_strtod(std::string_view text);

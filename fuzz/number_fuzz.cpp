// Arbitrary text as a number field: the fast conversions must give what the C library
// gives, bit for bit (strtod for reals, strtol cut to 32 bits for integers), and read
// nothing past the field.
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "utils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view field(reinterpret_cast<const char*>(data), size);
    const std::string c_text(field);  // the C library reads up to the first NUL
    const double fast = c_strtod(field);
    const double library = std::strtod(c_text.c_str(), nullptr);
    if (std::memcmp(&fast, &library, sizeof fast) != 0) std::abort();
    const auto integer = static_cast<int32_t>(static_cast<uint32_t>(std::strtol(c_text.c_str(), nullptr, 10)));
    if (c_atoi(field) != integer) std::abort();
    return 0;
}

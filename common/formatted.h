// printf into a string.
#pragma once

#include <string>

__attribute__((format(printf, 1, 2))) std::string formatted(const char* format, ...);

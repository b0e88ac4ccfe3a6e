// The discriminant classifier's program entry and coefficient file reader.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "../common/Ci_instances.h"
#include "../common/distributions.h"
#include "../common/utils.h"

// The stored discriminant model: rows 1..nr_rows, columns 1..nr_cols.
struct Coefficients {
    DMatrix matrix;
    int32_t nr_rows = 0;
    int32_t nr_cols = 0;
};

// Reads name + ".coef" against `domain`: the coefficients and the class statistics, or
// nothing after its own message where it has one. A file is refused when its counts are
// negative, cannot fit in the file, or give fewer than C-1 functions or fewer than J+1
// coefficients per function. Throws OutOfMemory (after its message) when the
// coefficients cannot be held; a reader whose messages do not print passes bad_alloc on.
std::optional<ClassStats> read_coeficientes(const std::string& name, const Domain& domain, Coefficients& coefficients,
                                            const Messages& messages = {});
// The same from an open coefficient file, from its start; `name` is for the messages.
std::optional<ClassStats> read_coeficientes(BinaryReader& file, const std::string& name, const Domain& domain,
                                            Coefficients& coefficients, const Messages& messages = {});

// The program's version, as its banner, --version and reports give it.
constexpr const char* SOLMET_VERSION = "3.1";

// The whole program: options, reading, classification and report. Returns the exit status.
int solmet_main(int argc, char** argv);

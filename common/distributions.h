// Class statistics: per attribute position, a table of training summaries with row 0
// for all examples and one row per class.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "Ci_instances.h"
#include "utils.h"

// Columns of a CONTINUOUS table (and of derived positions).
enum ContinuousColumn : int { UNKNOWN_WEIGHT = 0, MEAN = 1, MIN = 2, MAX = 3, SDEV = 4 };

struct ClassStats {
    // Tables 1..nr_attributes; entry 0 unused. Positions of type IGNORE or DATE have none.
    // Discrete tables: rows 0..C, columns 0..V+1 (unknown weight, label weights, mean).
    // CONTINUOUS tables: rows 0..C, columns 0..4 (unknown weight, mean, min, max, sdev).
    std::vector<std::optional<DMatrix>> tables;

    int nr_attributes() const { return tables.empty() ? 0 : static_cast<int>(tables.size()) - 1; }
};

// Type of position `a` of a record over `domain`: CONTINUOUS beyond the domain's attributes.
int position_type(const Domain& domain, int a);

// Empty record for positions 1..nr_attributes with rows 0..nr_classes; min columns start
// at the largest float and max columns at its negative.
ClassStats init_stat(const Domain& domain, int nr_classes, int nr_attributes);

// Bytes of the stored form of a record over `domain` with `nr_attributes` positions, or
// nothing when it would exceed `limit` (computed without overflow).
std::optional<uint64_t> stats_size(const Domain& domain, int nr_attributes, uint64_t limit);

// Reads a stored record; nothing on a short read or when `nr_attributes` is negative or
// its stored form cannot fit in what is left of the file.
std::optional<ClassStats> read_stats(BinaryReader& file, const Domain& domain, int nr_attributes);

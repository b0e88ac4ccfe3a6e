// The tree classifier's settings: those its options set and its fixed constants.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The program's version, as its banner, --version and reports give it.
constexpr const char* DRAVIK_VERSION = "5.3";

// Trace level (-t), compared as a signed 16-bit value.
extern int16_t TRACE;
// Neighbours voting at nearest-neighbour leaves (-K); 0 switches them off.
extern int32_t KNN;
// Where to write the tree as a Graphviz graph after classification (-g); none: no graph.
extern std::optional<std::string> GRAPH_PATH;
// At 0 the linear functions take only the domain's own attributes.
constexpr int16_t EXTENDED_LM = 0;
// Lower bound of the exemplar count and impurity in the nearest-neighbour gate.
constexpr int32_t MINIMUM_EXAMPLES = 2;
// A class takes part in a node's Norvex model when its weight is at least KH times the
// node's attribute count.
constexpr double KH = 2.5;

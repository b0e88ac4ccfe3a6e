// The texts that show a tree node, shared by the outline and the tree graph.
#pragma once

#include <cstdint>
#include <string>

#include "../common/Ci_instances.h"
#include "../common/formatted.h"
#include "data.h"

// printf into a string.
__attribute__((format(printf, 1, 2))) std::string formatted(const char* format, ...);

// The name a test shows: "Norvex" for a class-routed multi-way node; else the tested
// attribute's name, "Norvex_%d" for a derived attribute of a binary test, "?" for a
// number that names nothing.
std::string test_name(const Domain& domain, const NodeData& data, int32_t kind);

// The condition of branch `branch` of a test node: "= label" (multi-way), "= %d"
// (class-routed), "<= %f" or "> %f" of the cut (binary); empty for other branches.
std::string branch_condition(const Domain& domain, const NodeData& data, int32_t kind, int64_t branch);

// A binary test's soft band: "[%f %f]" with its lower and upper limits.
std::string band_text(const NodeData& data);

// A plain leaf: "class (%.2f/%.2f)" with the majority class, the training weight and the
// majority class's weight; "[ %.3f ... ]" with the class distribution; "(%ld)" with the
// exemplar count; "[Errors: %ld in %ld]" with the test counters.
std::string leaf_class_text(const Domain& domain, const NodeData& data);
std::string leaf_distribution_text(const Domain& domain, const NodeData& data);
std::string leaf_exemplars_text(const NodeData& data);
std::string leaf_test_text(const NodeData& data);

// The line of position j of a Norvex leaf numbered `number`: "[%d]Norvex = %ld Then %s"
// with the label of class `class_number`.
std::string norvex_position_text(const Domain& domain, int32_t number, int64_t j, int class_number);

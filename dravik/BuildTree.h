// The tree display: the outline walk and its node printer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "../common/Ci_instances.h"
#include "data.h"
#include "tree.h"

// Prints one node line (without its indentation) and ends it with a line end. For a
// test node `branch_or_level` is the branch; for a leaf it is the leaf's level.
using NodePrinter = void (*)(const Domain& domain, const NodeData* data, int branch_or_level, int32_t number,
                             int32_t kind);

void ShowTree(const Domain& domain, const NodeData* data, int branch_or_level, int32_t number, int32_t kind);

// Prints the whole tree as an indented outline.
void Show_Tree(const Tree& tree, const Domain& domain, NodePrinter printer);

// Prints the subtree under `node`, its lines indented `level` times. Recursive: the tree
// reader bounds the depth at MAX_TREE_DEPTH.
void show_tree(const Tree& tree, NodeId node, const Domain& domain, NodePrinter printer, int level);

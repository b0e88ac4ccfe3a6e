// Stored classification trees: the node records, the tree file reader and the summary.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "../common/Ci_instances.h"
#include "../common/utils.h"
#include "data.h"

enum NodeKind : int32_t { LEAF = 0, MULTIWAY = 1, BINARY = 2, BINARY_LINEAR = 3, EMPTY_ENTRY = -1 };

// Deepest tree accepted: nodes on a path from the root through the test nodes' children.
constexpr int MAX_TREE_DEPTH = 10000;

using NodeId = int32_t;
constexpr NodeId NO_NODE = -1;

struct TreeNode {
    int32_t kind = LEAF;
    int32_t number = 0;
    std::optional<NodeData> data;  // absent when the node data reader failed
    int32_t nr_children = 0;
    NodeId parent = NO_NODE;
    std::vector<NodeId> children;  // 1..nr_children; entry 0 unused; NO_NODE for an empty entry
};

// All nodes of a tree in one flat array, so that no walk or release needs recursion
// over owned pointers.
struct Tree {
    std::vector<TreeNode> nodes;
    NodeId root = NO_NODE;

    TreeNode& node(NodeId id) { return nodes[static_cast<size_t>(id)]; }
    const TreeNode& node(NodeId id) const { return nodes[static_cast<size_t>(id)]; }
    // Child b of `id`, or NO_NODE when b is outside 1..nr_children or the entry is empty.
    NodeId child(NodeId id, int64_t b) const;
};

struct TreeSummary {
    int32_t nodes = 0;
    int32_t leaves = 0;
    int32_t depth = 0;
};

using NodeDataReader = std::function<std::optional<NodeData>(BinaryReader&, int, const Domain&)>;

// Reads dataset + ".tree"; prints its own messages and returns nothing on any failure.
std::optional<Tree> Read_Tree(const std::string& dataset, const NodeDataReader& node_data_reader, int nr_classes,
                              const Domain& domain);

// Node count and leaf count of the tree; its depth goes to `depth`.
TreeSummary Recompute_Nodes(const Tree& tree, int32_t& depth);

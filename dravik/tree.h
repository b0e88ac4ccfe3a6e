// Stored classification trees: the node records, the tree file reader and the summary.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "../common/Ci_instances.h"
#include "../common/utils.h"
#include "data.h"

enum NodeKind : int32_t { LEAF = 0, MULTIWAY = 1, BINARY = 2, BINARY_LINEAR = 3, EMPTY_ENTRY = -1 };

// A node that tests a value and has branches: multi-way or binary.
inline bool is_test_node(int32_t kind) { return kind == MULTIWAY || kind == BINARY || kind == BINARY_LINEAR; }

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
    // Children first_child..nr_children at entries 1.., entry 0 unused; NO_NODE for an
    // empty entry. Children before first_child are empty entries that are not stored, so
    // that a count claimed in the file costs nothing beyond the entries really read.
    std::vector<NodeId> children;
    int32_t first_child = 1;
};

// All nodes of a tree in one flat array, so that no walk or release needs recursion
// over owned pointers.
struct Tree {
    std::vector<TreeNode> nodes;
    NodeId root = NO_NODE;

    TreeNode& node(NodeId id) { return nodes[static_cast<size_t>(id)]; }
    const TreeNode& node(NodeId id) const { return nodes[static_cast<size_t>(id)]; }
    // Child b of `id`, or NO_NODE when b is outside 1..nr_children or the entry is empty.
    NodeId child(NodeId id, int64_t b) const {
        const TreeNode& parent_node = node(id);
        if (b < std::max(1, parent_node.first_child) || b > parent_node.nr_children) return NO_NODE;
        const auto index = static_cast<size_t>(b - parent_node.first_child + 1);
        return index < parent_node.children.size() ? parent_node.children[index] : NO_NODE;
    }
};

// The models a node runs during the descent.
struct NodeModels {
    bool norvex = false;       // a Norvex model that extends the example (inner nodes)
    bool linear = false;       // linear functions that extend the example (inner nodes)
    bool norvex_leaf = false;  // a leaf answering with its Norvex model
    int64_t classes = 0;       // the model's class positions

    bool any() const { return norvex || linear || norvex_leaf; }
    // Derived attributes the model appends to the examples that pass through the node.
    int64_t appended() const { return norvex || linear ? std::max<int64_t>(classes, 0) : 0; }
};

// The models `node` runs during the descent; the node must have data. Every part of the
// program that asks what a node runs asks this.
NodeModels models_of(const TreeNode& node);

struct TreeSummary {
    int32_t nodes = 0;
    int32_t leaves = 0;
    int32_t depth = 0;
};

using NodeDataReader = std::function<std::optional<NodeData>(BinaryReader&, int, const Domain&)>;

// What the node entries of a tree file gave: the tree rooted at the last complete entry
// (nothing when there is none), or the verdict that an entry made the file invalid.
struct TreeEntries {
    std::optional<Tree> tree;
    bool invalid = false;
};

// Reads node entries in post-order from the current position to the end of the file.
TreeEntries readtree(BinaryReader& file, const NodeDataReader& node_data_reader, int nr_classes, const Domain& domain);

// Reads the rest of one node entry whose kind word has been read; nothing on a short read
// of its header. A node whose data could not be read is kept without data.
std::optional<TreeNode> read_node(BinaryReader& file, int32_t kind, const NodeDataReader& node_data_reader,
                                  int nr_classes, const Domain& domain);

// Whether a tree read from a file can be classified and displayed with `domain`: every
// node the walks reach has data that its models can use, and no path is deeper than
// MAX_TREE_DEPTH.
bool valid_tree(const Tree& tree, const Domain& domain, uint64_t file_size);

// The most attributes an example can hold once the models the descent reaches have
// appended theirs: the domain's own, or J + K of the widest such model. Examples can be
// given that much room before the first is classified.
int64_t widest_example(const Tree& tree, const Domain& domain);

// Reads dataset + ".tree"; says its own messages and returns nothing on any failure.
std::optional<Tree> Read_Tree(const std::string& dataset, const NodeDataReader& node_data_reader, int nr_classes,
                              const Domain& domain, const Messages& messages = {});
// The same from an open tree file, from its start.
std::optional<Tree> Read_Tree(BinaryReader& file, const NodeDataReader& node_data_reader, int nr_classes,
                              const Domain& domain, const Messages& messages = {});

// Node count and leaf count of the tree; its depth goes to `depth`.
TreeSummary Recompute_Nodes(const Tree& tree, int32_t& depth);
// The node count, leaf count and depth of the tree.
TreeSummary summary_of(const Tree& tree);

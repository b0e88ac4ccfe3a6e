#include "tree.h"

NodeId Tree::child(NodeId id, int64_t b) const {
    const TreeNode& parent_node = node(id);
    if (b < 1 || b > parent_node.nr_children || static_cast<size_t>(b) >= parent_node.children.size()) return NO_NODE;
    return parent_node.children[static_cast<size_t>(b)];
}

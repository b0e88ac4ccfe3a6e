// The tree file reader, the checks of a tree read, and the walks that size it.
#include "tree.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "../common/lists.h"
#include "discrim.h"

// ---- Reading ------------------------------------------------------------------------------

namespace {

// The magic line and its terminating zero byte.
constexpr char MAGIC[] = "Brenx\n";
constexpr size_t MAGIC_SIZE = sizeof MAGIC;

// The entry on top of the stack; an empty stack gives an empty entry.
NodeId pop_entry(Stack<NodeId>& stack) { return empty_s(stack) ? NO_NODE : pop(stack); }

}  // namespace

std::optional<TreeNode> read_node(BinaryReader& file, int32_t kind, const NodeDataReader& node_data_reader,
                                  int nr_classes, const Domain& domain) {
    TreeNode node;
    node.kind = kind;
    const auto number = file.read_i32();
    if (!number) return std::nullopt;
    const auto nr_children = file.read_i32();
    if (!nr_children) return std::nullopt;
    node.number = *number;
    node.nr_children = *nr_children;
    node.data = node_data_reader(file, nr_classes, domain);
    return node;
}

TreeEntries readtree(BinaryReader& file, const NodeDataReader& node_data_reader, int nr_classes, const Domain& domain) {
    Tree tree;
    // Room for as many nodes as the file can hold (up to a bound), so that nodes are not
    // moved while the tree grows: an entry with its node data takes at least this many bytes.
    const uint64_t smallest_entry = 102 + 16 * static_cast<uint64_t>(std::max(nr_classes, 0));
    tree.nodes.reserve(static_cast<size_t>(std::min<uint64_t>(file.bytes_left() / smallest_entry + 1, 1 << 20)));
    Stack<NodeId> stack;
    int64_t entries_read = 0;
    while (const auto kind = file.read_i32()) {
        std::optional<TreeNode> node;
        if (*kind != EMPTY_ENTRY) node = read_node(file, *kind, node_data_reader, nr_classes, domain);
        if (!node) {
            push(NO_NODE, stack);
            ++entries_read;
            continue;
        }
        // More children than entries before it: no writer produces that, and the count
        // would size the children array.
        if (node->nr_children > entries_read) return TreeEntries{std::nullopt, true};
        const auto id = static_cast<NodeId>(tree.nodes.size());
        if (node->nr_children > 0) {
            // The subtree read last is the last child; children beyond what the stack
            // holds are empty.
            const auto stored =
                static_cast<int32_t>(std::min<int64_t>(node->nr_children, static_cast<int64_t>(stack.items.size())));
            node->first_child = node->nr_children - stored + 1;
            node->children.assign(static_cast<size_t>(stored) + 1, NO_NODE);
            for (int32_t i = stored; i >= 1; --i) {
                const NodeId entry = pop_entry(stack);
                if (entry != NO_NODE) tree.node(entry).parent = id;
                node->children[static_cast<size_t>(i)] = entry;
            }
        }
        tree.nodes.push_back(std::move(*node));
        push(id, stack);
        ++entries_read;
    }
    tree.root = pop_entry(stack);
    if (tree.root == NO_NODE) return TreeEntries{};
    return TreeEntries{std::move(tree), false};
}

std::optional<Tree> Read_Tree(const std::string& dataset, const NodeDataReader& node_data_reader, int nr_classes,
                              const Domain& domain, const Messages& messages) {
    std::optional<BinaryReader> file = BinaryReader::open(dataset + ".tree");
    if (!file) {
        messages.say("Can not open file %s.tree\n", dataset.c_str());
        return std::nullopt;
    }
    return Read_Tree(*file, node_data_reader, nr_classes, domain, messages);
}

std::optional<Tree> Read_Tree(BinaryReader& file, const NodeDataReader& node_data_reader, int nr_classes,
                              const Domain& domain, const Messages& messages) {
    const auto refuse = [&] {
        messages.say("Invalid tree file\n");
        return std::nullopt;
    };
    const auto magic = file.read_bytes(MAGIC_SIZE);
    if (!magic || std::memcmp(magic->data(), MAGIC, MAGIC_SIZE) != 0) return refuse();
    TreeEntries entries = readtree(file, node_data_reader, nr_classes, domain);
    if (entries.invalid || (entries.tree && !valid_tree(*entries.tree, domain, file.size()))) return refuse();
    return std::move(entries.tree);
}

// ---- Walks ----------------------------------------------------------------------------------

namespace {

// Children that every tree walk visits: all of a multi-way node, the first two of a
// binary node, none of a leaf or an inert node.
int64_t walked_children(const TreeNode& node) {
    switch (node.kind) {
        case MULTIWAY:
            return node.nr_children;
        case BINARY:
        case BINARY_LINEAR:
            return 2;
        default:
            return 0;
    }
}

// The first child entry that can hold a node.
int64_t first_stored(const TreeNode& node) { return std::max(1, node.first_child); }

// Every child entry of a test node; the display shows them all.
int64_t all_children(const TreeNode& node) { return is_test_node(node.kind) ? node.nr_children : 0; }

// Visits the nodes reachable from the root through `children_of`, each after its
// children, without recursion.
template <class ChildCount, class Visit>
void post_order(const Tree& tree, ChildCount children_of, Visit visit) {
    if (tree.root == NO_NODE) return;
    struct Step {
        NodeId id;
        bool children_done;
    };
    std::vector<Step> steps{{tree.root, false}};
    while (!steps.empty()) {
        const Step step = steps.back();
        steps.pop_back();
        if (step.children_done) {
            visit(step.id);
            continue;
        }
        steps.push_back({step.id, true});
        const int64_t count = children_of(tree.node(step.id));
        for (int64_t b = count; b >= first_stored(tree.node(step.id)); --b)
            if (const NodeId c = tree.child(step.id, b); c != NO_NODE) steps.push_back({c, false});
    }
}

// Nodes on the longest path from the root through every child entry of test nodes.
int64_t longest_path(const Tree& tree) {
    std::vector<int64_t> height(tree.nodes.size(), 0);
    post_order(tree, all_children, [&](NodeId id) {
        int64_t below = 0;
        for (int64_t b = first_stored(tree.node(id)); b <= all_children(tree.node(id)); ++b)
            if (const NodeId c = tree.child(id, b); c != NO_NODE)
                below = std::max(below, height[static_cast<size_t>(c)]);
        height[static_cast<size_t>(id)] = below + 1;
    });
    return tree.root == NO_NODE ? 0 : height[static_cast<size_t>(tree.root)];
}

// Domain attributes that take a coefficient column of a linear model.
int64_t linear_inputs(const Domain& domain) {
    int64_t count = 0;
    for (int a = 1; a <= domain.nr_attributes; ++a)
        if (is_linear_input(domain.attributes[static_cast<size_t>(a)].type)) ++count;
    return count;
}

}  // namespace

NodeModels models_of(const TreeNode& node) {
    const NodeData& d = *node.data;
    NodeModels m;
    if (node.kind == LEAF) {
        m.norvex_leaf = d.norvex != 0;
        m.classes = norvex_leaf_positions(d);
    } else if (d.nr_norvex_classes != 0) {
        m.norvex = true;
        m.classes = d.nr_norvex_classes;
    } else if (d.coefs && d.stats) {
        m.linear = true;
        m.classes = int64_t{d.nr_linears} + 1;
    }
    return m;
}

namespace {

// Every class position of a Norvex model costs work and output for each example and
// each display, and a model without coefficient rows may claim any count. A count above
// the size of the whole file is refused, so that this cost stays within what the file
// could describe; no consistent model (at most one position per class) comes near it.
bool model_classes_backed(const NodeModels& m, int64_t position_limit) {
    return !(m.norvex || m.norvex_leaf) || m.classes <= position_limit;
}

// The checks for a node that the descent reaches. `derived_limit` is the domain's
// attribute count plus everything the node's ancestors append.
bool usable_node(const TreeNode& node, const Domain& domain, int64_t derived_limit, int64_t position_limit) {
    if (!node.data) return false;
    const NodeData& d = *node.data;
    if (!d.stats && (d.nr_norvex_classes != 0 || d.coefs)) return false;
    if (d.coefs && d.nr_coefs < 1 + linear_inputs(domain)) return false;
    if (is_test_node(node.kind) && d.nr_norvex_classes < 0) return false;
    const NodeModels m = models_of(node);
    if ((m.norvex || m.norvex_leaf) && d.coefs && d.nr_linears < m.classes - 1) return false;
    if (m.any() && (d.nr_attributes < domain.nr_attributes || d.nr_attributes > derived_limit)) return false;
    return model_classes_backed(m, position_limit);
}

// Top-down walk over every node the display reaches; nodes that the descent reaches
// too get the full checks, the others (below children 3 and up of a binary node) only
// what keeps their display finite.
bool usable_nodes(const Tree& tree, const Domain& domain, int64_t position_limit) {
    struct Visit {
        NodeId id;
        int64_t derived_limit;
        bool walked;
    };
    std::vector<Visit> pending{{tree.root, domain.nr_attributes, true}};
    while (!pending.empty()) {
        const Visit visit = pending.back();
        pending.pop_back();
        const TreeNode& node = tree.node(visit.id);
        if (visit.walked && !usable_node(node, domain, visit.derived_limit, position_limit)) return false;
        if (!visit.walked && node.data && !model_classes_backed(models_of(node), position_limit)) return false;
        const int64_t limit = visit.derived_limit + (node.data ? models_of(node).appended() : 0);
        const int64_t walked = walked_children(node);
        for (int64_t b = first_stored(node); b <= all_children(node); ++b)
            if (const NodeId c = tree.child(visit.id, b); c != NO_NODE)
                pending.push_back({c, limit, visit.walked && b <= walked});
    }
    return true;
}

}  // namespace

bool valid_tree(const Tree& tree, const Domain& domain, uint64_t file_size) {
    if (tree.root == NO_NODE) return false;
    const auto position_limit = static_cast<int64_t>(std::min<uint64_t>(file_size, INT64_MAX));
    return longest_path(tree) <= MAX_TREE_DEPTH && usable_nodes(tree, domain, position_limit);
}

int64_t widest_example(const Tree& tree, const Domain& domain) {
    int64_t widest = domain.nr_attributes;
    post_order(tree, walked_children, [&](NodeId id) {
        const TreeNode& node = tree.node(id);
        if (node.kind == LEAF || !node.data) return;
        const NodeData& d = *node.data;
        const int64_t appended = models_of(node).appended();
        if (appended > 0 && d.nr_attributes >= 0) widest = std::max(widest, d.nr_attributes + appended);
    });
    return widest;
}

TreeSummary Recompute_Nodes(const Tree& tree, int32_t& depth) {
    TreeSummary summary;
    std::vector<int32_t> node_depth(tree.nodes.size(), 0);
    post_order(tree, walked_children, [&](NodeId id) {
        const TreeNode& node = tree.node(id);
        ++summary.nodes;
        if (node.kind == LEAF) {
            ++summary.leaves;
            node_depth[static_cast<size_t>(id)] = 1;
        } else if (is_test_node(node.kind)) {
            int32_t below = 0;
            for (int64_t b = first_stored(node); b <= walked_children(node); ++b)
                if (const NodeId c = tree.child(id, b); c != NO_NODE)
                    below = std::max(below, node_depth[static_cast<size_t>(c)]);
            node_depth[static_cast<size_t>(id)] = below + 1;
        }
    });
    if (tree.root != NO_NODE) depth = node_depth[static_cast<size_t>(tree.root)];
    return summary;
}

TreeSummary summary_of(const Tree& tree) {
    int32_t depth = 0;
    TreeSummary summary = Recompute_Nodes(tree, depth);
    summary.depth = depth;
    return summary;
}

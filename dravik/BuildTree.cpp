// The tree display: the outline walk and the node printer.
#include "BuildTree.h"

#include <cstdio>
#include <string>

#include "bayes.h"
#include "node_text.h"
#include "settings.h"

namespace {

void indent(int level) {
    for (int i = 0; i < level; ++i) std::printf("|\t");
}

// "[number]name condition", and the band after the first branch of a binary test.
void show_test_branch(const Domain& domain, const NodeData& data, int branch, int32_t number, int32_t kind) {
    const bool binary = kind == BINARY || kind == BINARY_LINEAR;
    if (binary && branch != 1 && branch != 2) return;
    std::printf("[%d]%s %s", number, test_name(domain, data, kind).c_str(),
                branch_condition(domain, data, kind, branch).c_str());
    if (binary && branch == 1) std::printf(" %s", band_text(data).c_str());
}

void show_plain_leaf(const Domain& domain, const NodeData& data) {
    std::printf("%s %s %s", leaf_class_text(domain, data).c_str(), leaf_distribution_text(domain, data).c_str(),
                leaf_exemplars_text(data).c_str());
    if (TRACE > 0) std::printf("%s", leaf_test_text(data).c_str());
}

// One line per class position of the model, the later ones indented like the first.
void show_norvex_leaf(const Domain& domain, const NodeData& data, int level, int32_t number) {
    const int64_t k = norvex_leaf_positions(data);
    // predict_class of every position, with the modelled classes found once.
    const std::vector<int> modelled = modelled_classes(data.class_counts, domain.nr_classes(), data.nr_attributes);
    for (int64_t j = 1; j <= k; ++j) {
        if (j > 1) {
            std::printf("\n");
            indent(level);
        }
        const int class_number = class_at_position(modelled, j, domain.nr_classes());
        std::printf("%s", norvex_position_text(domain, number, j, class_number).c_str());
    }
}

}  // namespace

void ShowTree(const Domain& domain, const NodeData* data, int branch_or_level, int32_t number, int32_t kind) {
    if (data != nullptr) {
        switch (kind) {
            case MULTIWAY:
            case BINARY:
            case BINARY_LINEAR:
                show_test_branch(domain, *data, branch_or_level, number, kind);
                break;
            case LEAF:
                if (data->norvex != 0)
                    show_norvex_leaf(domain, *data, branch_or_level, number);
                else
                    show_plain_leaf(domain, *data);
                break;
            default:
                break;
        }
    }
    std::printf("\n");
}

void show_tree(const Tree& tree, NodeId id, const Domain& domain, NodePrinter printer, int level) {
    if (id == NO_NODE) return;
    const TreeNode& node = tree.node(id);
    const NodeData* data = node.data ? &*node.data : nullptr;
    if (node.kind == LEAF) {
        indent(level);
        printer(domain, data, level, node.number, LEAF);
        return;
    }
    if (!is_test_node(node.kind)) return;
    for (int32_t b = 1; b <= node.nr_children; ++b) {
        indent(level);
        printer(domain, data, b, node.number, node.kind);
        show_tree(tree, tree.child(id, b), domain, printer, level + 1);
    }
}

void Show_Tree(const Tree& tree, const Domain& domain, NodePrinter printer) {
    show_tree(tree, tree.root, domain, printer, 0);
}

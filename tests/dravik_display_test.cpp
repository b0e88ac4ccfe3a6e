// The tree display: the outline walk and every line form of the node printer.
#include <gtest/gtest.h>

#include "BuildTree.h"
#include "Dravik.h"
#include "support/capture.h"
#include "tree.h"

namespace {

// outlook (sunny, overcast, rain) and humidity (continuous); classes yes and no.
Domain weather() {
    Domain d;
    d.name = "weather";
    d.nr_attributes = 2;
    d.attributes.resize(4);
    d.attributes[1].name = "outlook";
    d.attributes[1].type = NOMINAL;
    d.attributes[1].values = {"", "sunny", "overcast", "rain"};
    d.attributes[2].name = "humidity";
    d.attributes[2].type = CONTINUOUS;
    d.attributes[3].name = "play";
    d.attributes[3].type = NOMINAL;
    d.attributes[3].values = {"", "yes", "no"};
    return d;
}

NodeData leaf(std::vector<double> class_dist, std::vector<double> class_counts, int32_t exemplars = 0) {
    NodeData d;
    d.class_dist = std::move(class_dist);
    d.class_dist.insert(d.class_dist.begin(), 0.0);
    d.class_counts = std::move(class_counts);
    d.nr_exemplars = exemplars;
    return d;
}

NodeData yes_leaf() { return leaf({1, 0}, {5, 5, 0}); }
NodeData no_leaf() { return leaf({0, 1}, {4, 0, 4}); }

NodeData test_on(int32_t attribute, double cut = 0, double lower = 0, double upper = 0) {
    NodeData d = leaf({0.5, 0.5}, {9, 5, 4});
    d.attribute = attribute;
    d.cut = cut;
    d.lower = lower;
    d.upper = upper;
    return d;
}

// Appends a node over already added children (NO_NODE for an empty entry).
NodeId add(Tree& tree, int32_t kind, int32_t number, std::optional<NodeData> data,
           const std::vector<NodeId>& children = {}) {
    TreeNode node;
    node.kind = kind;
    node.number = number;
    node.data = std::move(data);
    node.nr_children = static_cast<int32_t>(children.size());
    if (!children.empty()) node.children.push_back(NO_NODE);
    node.children.insert(node.children.end(), children.begin(), children.end());
    const auto id = static_cast<NodeId>(tree.nodes.size());
    for (NodeId child : children)
        if (child != NO_NODE) tree.node(child).parent = id;
    tree.nodes.push_back(std::move(node));
    tree.root = id;
    return id;
}

std::string shown(const Tree& tree, const Domain& domain = weather()) {
    return capture_output([&] { Show_Tree(tree, domain, ShowTree); }).out;
}

std::string printed(const NodeData* data, int branch_or_level, int32_t number, int32_t kind) {
    return capture_output([&] { ShowTree(weather(), data, branch_or_level, number, kind); }).out;
}

// Sets the trace level for one test.
struct TraceLevel {
    explicit TraceLevel(int16_t level) { TRACE = level; }
    ~TraceLevel() { TRACE = 0; }
};

}  // namespace

TEST(TreeDisplay, PlainLeafLine) {
    Tree tree;
    add(tree, LEAF, 1, leaf({0.3, 0.7}, {10, 3, 7}, 2));
    EXPECT_EQ(shown(tree), "no (10.00/7.00) [ 0.300 0.700 ] (2)\n");

    // Equal largest entries: the first class.
    const NodeData tie = leaf({0.5, 0.5}, {4, 2, 2});
    EXPECT_EQ(printed(&tie, 0, 1, LEAF), "yes (4.00/2.00) [ 0.500 0.500 ] (0)\n");
}

TEST(TreeDisplay, TraceAddsTheLeafTestCounters) {
    NodeData d = yes_leaf();
    d.test_errors = 2;
    d.test_cases = 10;
    EXPECT_EQ(printed(&d, 0, 1, LEAF), "yes (5.00/5.00) [ 1.000 0.000 ] (0)\n");
    const TraceLevel trace(1);
    EXPECT_EQ(printed(&d, 0, 1, LEAF), "yes (5.00/5.00) [ 1.000 0.000 ] (0)[Errors: 2 in 10]\n");
}

TEST(TreeDisplay, BinaryTestOverTwoLeaves) {
    Tree tree;
    const NodeId left = add(tree, LEAF, 2, yes_leaf());
    const NodeId right = add(tree, LEAF, 3, no_leaf());
    add(tree, BINARY, 1, test_on(2, 75, 70, 80), {left, right});
    EXPECT_EQ(shown(tree),
              "[1]humidity <= 75.000000 [70.000000 80.000000]\n"
              "|\tyes (5.00/5.00) [ 1.000 0.000 ] (0)\n"
              "[1]humidity > 75.000000\n"
              "|\tno (4.00/4.00) [ 0.000 1.000 ] (0)\n");
}

TEST(TreeDisplay, DerivedAttributeIsNamedByItsNumber) {
    const NodeData d = test_on(4, 0.5, 0.25, 0.75);
    EXPECT_EQ(printed(&d, 1, 6, BINARY_LINEAR), "[6]Norvex_4 <= 0.500000 [0.250000 0.750000]\n");
    EXPECT_EQ(printed(&d, 2, 6, BINARY_LINEAR), "[6]Norvex_4 > 0.500000\n");
}

TEST(TreeDisplay, MultiwayBranchesInValueOrderWithNestedIndentation) {
    Tree tree;
    const NodeId sunny = add(tree, LEAF, 2, yes_leaf());
    const NodeId dry = add(tree, LEAF, 4, yes_leaf());
    const NodeId humid = add(tree, LEAF, 5, no_leaf());
    const NodeId overcast = add(tree, BINARY, 3, test_on(2, 75, 75, 75), {dry, humid});
    add(tree, MULTIWAY, 1, test_on(1), {sunny, overcast, NO_NODE});
    // The empty third child prints nothing under its branch line.
    EXPECT_EQ(shown(tree),
              "[1]outlook = sunny\n"
              "|\tyes (5.00/5.00) [ 1.000 0.000 ] (0)\n"
              "[1]outlook = overcast\n"
              "|\t[3]humidity <= 75.000000 [75.000000 75.000000]\n"
              "|\t|\tyes (5.00/5.00) [ 1.000 0.000 ] (0)\n"
              "|\t[3]humidity > 75.000000\n"
              "|\t|\tno (4.00/4.00) [ 0.000 1.000 ] (0)\n"
              "[1]outlook = rain\n");
}

TEST(TreeDisplay, ClassRoutedBranchesNameTheModelPosition) {
    NodeData d = test_on(1);
    d.norvex = 1;
    EXPECT_EQ(printed(&d, 2, 8, MULTIWAY), "[8]Norvex = 2\n");
}

TEST(TreeDisplay, NorvexLeafLinesLineUpAtTheLeafLevel) {
    NodeData d = leaf({0.5, 0.5}, {20, 10, 10});
    d.norvex = 1;
    d.nr_attributes = 2;  // a class needs a weight of 5 to be modelled
    d.nr_norvex_classes = 2;
    EXPECT_EQ(printed(&d, 2, 7, LEAF), "[7]Norvex = 1 Then yes\n|\t|\t[7]Norvex = 2 Then no\n");

    // Below one, the class count is the number of linear functions plus one; positions
    // past the modelled classes have no class.
    d.class_counts = {14, 10, 4};
    d.nr_norvex_classes = 0;
    d.nr_linears = 1;
    EXPECT_EQ(printed(&d, 1, 7, LEAF), "[7]Norvex = 1 Then yes\n|\t[7]Norvex = 2 Then ?\n");

    Tree tree;
    add(tree, LEAF, 7, d);
    EXPECT_EQ(capture_output([&] { show_tree(tree, tree.root, weather(), ShowTree, 1); }).out,
              "|\t[7]Norvex = 1 Then yes\n|\t[7]Norvex = 2 Then ?\n");
}

TEST(TreeDisplay, NamesThatDoNotExistPrintAsQuestionMarks) {
    const NodeData no_attribute = test_on(0, 1, 1, 1);
    EXPECT_EQ(printed(&no_attribute, 1, 1, MULTIWAY), "[1]? = ?\n");
    EXPECT_EQ(printed(&no_attribute, 1, 1, BINARY), "[1]? <= 1.000000 [1.000000 1.000000]\n");
    const NodeData past_domain = test_on(3);
    EXPECT_EQ(printed(&past_domain, 1, 1, MULTIWAY), "[1]? = ?\n");
    const NodeData outlook = test_on(1);
    EXPECT_EQ(printed(&outlook, 4, 1, MULTIWAY), "[1]outlook = ?\n");
    const NodeData humidity = test_on(2);
    EXPECT_EQ(printed(&humidity, 1, 1, MULTIWAY), "[1]humidity = ?\n");
}

TEST(TreeDisplay, NodesWithoutALineStillEndTheirLine) {
    const NodeData d = test_on(2, 75, 70, 80);
    EXPECT_EQ(printed(&d, 3, 1, BINARY), "\n");
    EXPECT_EQ(printed(&d, 1, 1, 7), "\n");
    EXPECT_EQ(printed(nullptr, 0, 1, LEAF), "\n");

    // Branch 3 of a binary node: an empty line, then its subtree; an inert child shows
    // nothing under its branch line.
    Tree tree;
    const NodeId first = add(tree, LEAF, 2, yes_leaf());
    const NodeId inert = add(tree, 7, 3, yes_leaf());
    const NodeId third = add(tree, LEAF, 4, std::nullopt);
    add(tree, BINARY, 1, d, {first, inert, third});
    EXPECT_EQ(shown(tree),
              "[1]humidity <= 75.000000 [70.000000 80.000000]\n"
              "|\tyes (5.00/5.00) [ 1.000 0.000 ] (0)\n"
              "[1]humidity > 75.000000\n"
              "\n"
              "|\t\n");
}

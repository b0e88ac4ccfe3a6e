// The tree file: node data records with counts that cannot be right, the post-order
// rebuild, the checks of a read tree, and files cut at every length.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/capture.h"
#include "support/run_program.h"
#include "support/tree_writer.h"
#include "tree.h"

namespace {

// x and y continuous, colour nominal with two labels, two classes: every statistics
// table (discrete or continuous) has 3 rows of 4 columns.
const Domain DOMAIN{"set",
                    3,
                    {Attribute{}, Attribute{"x", CONTINUOUS, {}}, Attribute{"colour", NOMINAL, {"", "red", "green"}},
                     Attribute{"y", CONTINUOUS, {}}, Attribute{"class", NOMINAL, {"", "yes", "no"}}}};

const NodeFields PLAIN{.class_dist = {0.25, 0.75}};

struct Reading {
    std::optional<Tree> tree;
    std::string err;
};

Reading read_tree(const std::string& bytes) {
    TempDir dir;
    dir.write("set.tree", bytes);
    Reading r;
    r.err = capture_output([&] { r.tree = Read_Tree((dir.path() / "set").string(), ReadData, 2, DOMAIN); }).err;
    return r;
}

// The tree as "number(child,child,...)", "-" for an absent child, "..." below 4 levels.
std::string shape(const Tree& tree, NodeId id, int levels = 4) {
    if (id == NO_NODE || levels == 0) return id == NO_NODE ? "-" : "...";
    std::string text = std::to_string(tree.node(id).number);
    for (int32_t b = 1; b <= tree.node(id).nr_children; ++b) {
        text += b == 1 ? "(" : ",";
        text += shape(tree, tree.child(id, b), levels - 1);
    }
    return tree.node(id).nr_children > 0 ? text + ")" : text;
}

// A binary root carrying `root` over two leaves, the second carrying `second`.
std::string over_leaves(const NodeFields& root, const NodeFields& second = PLAIN) {
    return TreeFile{}.leaf(2, PLAIN).leaf(3, second).binary(1, root).bytes;
}

// A node with the model of `rows` (and `classes` Norvex classes) over J = `space`; a Norvex
// node when `norvex` is 1.
NodeFields model(int32_t space, std::vector<std::vector<double>> rows, int32_t classes = 0, int16_t norvex = 0) {
    NodeFields f{.attribute = 1, .norvex = norvex, .class_dist = {0.25, 0.75}, .nr_attributes = space};
    f.coefs = std::move(rows);
    f.nr_norvex_classes = classes;
    f.stats.assign(static_cast<size_t>(std::max(space, 0)), StatsTable(3, {0, 1, 0, 2}));
    return f;
}

// A leaf under `levels` - 1 single-child multi-way nodes, after `before`.
std::string chain(int levels, TreeFile before = {}) {
    before.leaf(levels, PLAIN);
    for (int level = levels - 1; level >= 1; --level) before.node(MULTIWAY, level, 1, PLAIN);
    return before.bytes;
}

}  // namespace

TEST(NodeData, CountsThatCannotBeRight) {
    const std::vector<double> d{0.25, 0.75};
    const struct {
        const char* what;
        NodeFields fields;
        bool data, next;  // whether a record is read (never its statistics), and the reader stops right after it
    } cases[] = {
        {"rows without columns", {.class_dist = d, .nr_linears = 2}, true, true},
        {"negative product", {.class_dist = d, .nr_coefs = 3, .nr_linears = -2}, true, true},
        {"negative exemplar count", {.class_dist = d, .nr_exemplars = -1}, false, false},
        {"exemplars past the end", {.class_dist = d, .nr_exemplars = 2147483647}, false, false},
        {"two negative counts", {.class_dist = d, .nr_coefs = -3, .nr_linears = -3}, false, false},
        {"rows past the end", {.class_dist = d, .nr_coefs = 100000, .nr_linears = 100000}, false, false},
        {"negative space", {.class_dist = d, .nr_attributes = -1, .nr_norvex_classes = 1}, true, false},
        {"space past the end", {.class_dist = d, .nr_attributes = 1000000, .nr_norvex_classes = 1}, true, false},
    };
    for (const auto& c : cases) {
        const std::string bytes = node_data(c.fields) + BinaryWriter{}.i32(77).bytes + std::string(100, '\0');
        auto file = BinaryReader::from_bytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
        const std::optional<NodeData> data = ReadData(file, 2, DOMAIN);
        EXPECT_EQ(std::pair(data.has_value(), file.read_i32() == 77), std::pair(c.data, c.next)) << c.what;
        EXPECT_FALSE(data && data->stats) << c.what;
    }
}

TEST(TreeFile, ReadingAndChecks) {
    const std::string leaf_entry = TreeFile{}.leaf(1, PLAIN).bytes.substr(7);
    const std::string linear = over_leaves(model(3, {{1, 2, 3}}));
    // A Norvex leaf without columns: no rows and no statistics.
    const NodeFields huge_linears{
        .norvex = 1, .class_dist = {0.25, 0.75}, .nr_attributes = 3, .nr_linears = 2147483647};
    auto third_child = [](int levels) {  // a binary node whose third child is a chain
        return chain(levels - 1, TreeFile{}.leaf(1, PLAIN).leaf(2, PLAIN)) +
               TreeFile{}.node(BINARY, 0, 3, PLAIN).bytes.substr(7);
    };
    // The root's one row appends 2 attributes after 3, node 2's Norvex model 2 after 5.
    TreeFile nested;
    nested.leaf(3, PLAIN).leaf(4, PLAIN).binary(2, model(5, {}, 2)).leaf(5, PLAIN).binary(1, model(3, {{1, 2, 3}}));
    // The third child's model appends 40 and its space is no space of the tree: it is never classified.
    TreeFile unwalked;
    unwalked.leaf(2, PLAIN).leaf(3, PLAIN).leaf(5, PLAIN).leaf(6, PLAIN).binary(4, model(9, {}, 40));
    unwalked.node(BINARY, 1, 3, PLAIN);
    const struct {
        const char* what;
        std::string bytes;
        std::string tree;    // its shape; "" for none, "invalid" for a refused file
        int64_t widest = 3;  // of a read tree: the domain's 3 attributes and what its walked models append
    } cases[] = {
        {"one entry left for three children",
         TreeFile{}.leaf(3, PLAIN).leaf(4, PLAIN).binary(2, PLAIN).node(MULTIWAY, 1, 3, PLAIN).bytes, "1(-,-,2(3,4))"},
        {"an entry after the root", over_leaves(PLAIN) + TreeFile{}.leaf(9, PLAIN).bytes.substr(7), "9"},
        {"a partial kind word", TreeFile{}.leaf(2, PLAIN).bytes + std::string("\0\0\0", 3), "2"},
        {"only the magic", TreeFile{}.bytes, ""},
        {"a header cut short", TreeFile{}.leaf(2, PLAIN).bytes + std::string("\0\0\0\0\0\0\0\1", 8), ""},
        {"an empty entry last", TreeFile{}.leaf(2, PLAIN).empty().bytes, ""},
        {"seventh byte not zero", std::string("Brenx\n\1", 7) + leaf_entry, "invalid"},
        {"other text on the first line", std::string("BrenxA\0", 7) + leaf_entry, "invalid"},
        {"more children than entries", TreeFile{}.leaf(2, PLAIN).node(MULTIWAY, 1, 2, PLAIN).bytes, "invalid"},
        {"far more children than entries", TreeFile{}.leaf(2, PLAIN).node(MULTIWAY, 1, 2147483647, PLAIN).bytes,
         "invalid"},
        // x and y take coefficient columns, colour does not.
        {"a column per numeric attribute", linear, "1(2,3)", 5},
        {"a column short", over_leaves(model(3, {{1, 2}})), "invalid"},
        {"model without its statistics", linear.substr(0, linear.size() - 8), "invalid"},
        {"Norvex model, no rows", over_leaves(model(3, {}, 2)), "1(2,3)", 5},
        {"Norvex model, a row short", over_leaves(model(3, {{1, 2, 3}}, 3)), "invalid"},
        {"Norvex leaf, a row short", over_leaves(PLAIN, model(3, {{1, 2, 3}}, 3, 1)), "invalid"},
        {"negative Norvex classes at a test", over_leaves(model(3, {}, -1)), "invalid"},
        {"negative Norvex classes at a leaf", over_leaves(PLAIN, model(3, {}, -1)), "1(2,3)"},
        {"model space below the domain", over_leaves(model(2, {{1, 2, 3}})), "invalid"},
        {"model space above the domain", over_leaves(model(4, {{1, 2, 3}})), "invalid"},
        // One row: two classes, so two derived attributes below the root.
        {"leaf space past the derived", over_leaves(model(3, {{1, 2, 3}}), model(6, {}, 2, 1)), "invalid"},
        {"leaf space under a Norvex model", over_leaves(model(3, {}, 2), model(5, {}, 2, 1)), "1(2,3)", 5},
        {"models under models", nested.bytes, "1(2(3,4),5)", 7},
        {"leaf space with no model above", over_leaves(PLAIN, model(4, {}, 2, 1)), "invalid"},
        {"no model, any space", over_leaves(PLAIN, {.class_dist = {0.5, 0.5}, .nr_attributes = 100}), "1(2,3)"},
        {"Norvex classes past the file", over_leaves(model(3, {}, 2147483647)), "invalid"},
        {"positions from the linear count", over_leaves(PLAIN, huge_linears), "invalid"},
        {"10001 levels", chain(MAX_TREE_DEPTH + 1), "invalid"},
        // Third children of binary nodes: no walk checks their models, but their paths are displayed.
        {"a model no walk reaches", unwalked.bytes, "1(2,3,4(5,6))"},
        {"10000 levels through a third child", third_child(MAX_TREE_DEPTH), "0(1,2,1(2(3(...))))"},
        {"10001 levels through a third child", third_child(MAX_TREE_DEPTH + 1), "invalid"},
    };
    for (const auto& c : cases) {
        const Reading r = read_tree(c.bytes);
        EXPECT_EQ(r.tree ? shape(*r.tree, r.tree->root) : r.err.empty() ? "" : "invalid", c.tree) << c.what;
        EXPECT_EQ(r.err, c.tree == "invalid" ? "Invalid tree file\n" : "") << c.what;
        EXPECT_EQ(r.tree ? widest_example(*r.tree, DOMAIN) : 3, c.widest) << c.what;
    }
}

TEST(TreeFile, CutAtEveryLength) {
    TreeFile file;
    file.leaf(3, {.class_dist = {1, 0}, .exemplars = {1, 2, 3}}).empty().leaf(4, PLAIN).node(MULTIWAY, 2, 3, PLAIN);
    file.leaf(5, PLAIN).binary(1, model(3, {{0.5, 1, -1}}));
    for (size_t length = 0; length <= file.bytes.size(); ++length) {
        const Reading r = read_tree(file.bytes.substr(0, length));
        if (!r.tree) continue;
        for (const TreeNode& node : r.tree->nodes) EXPECT_TRUE(node.data) << length;
    }
    EXPECT_TRUE(read_tree(file.bytes).tree);
}

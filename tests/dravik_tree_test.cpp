// The tree file: node data records, the post-order rebuild, the checks of a read tree
// and the summary.
#include <gtest/gtest.h>

#include "support/binary_writer.h"
#include "support/capture.h"
#include "support/run_program.h"
#include "support/tree_writer.h"
#include "tree.h"

namespace {

Attribute attribute(const std::string& name, int type, const std::vector<std::string>& labels = {}) {
    Attribute a;
    a.name = name;
    a.type = type;
    if (!labels.empty()) {
        a.values.push_back("");
        a.values.insert(a.values.end(), labels.begin(), labels.end());
    }
    return a;
}

// A domain as the driver holds it: attributes 1..n, then the class.
Domain domain_of(const std::vector<Attribute>& attributes, const std::vector<std::string>& classes) {
    Domain d;
    d.name = "set";
    d.nr_attributes = static_cast<int>(attributes.size());
    d.attributes.push_back(Attribute{});
    d.attributes.insert(d.attributes.end(), attributes.begin(), attributes.end());
    d.attributes.push_back(attribute("class", NOMINAL, classes));
    return d;
}

// x and y continuous, colour nominal with two labels, two classes: every statistics
// table (discrete or continuous) has 3 rows of 4 columns.
Domain test_domain() {
    return domain_of(
        {attribute("x", CONTINUOUS), attribute("colour", NOMINAL, {"red", "green"}), attribute("y", CONTINUOUS)},
        {"yes", "no"});
}

std::vector<StatsTable> stats_for(int positions) {
    return std::vector<StatsTable>(static_cast<size_t>(positions), repeated_table(3, {0, 1, 0, 2}));
}

struct Reading {
    std::optional<Tree> tree;
    std::string err;
};

Reading read_tree_bytes(const std::string& bytes, const Domain& domain, const NodeDataReader& reader = ReadData) {
    TempDir dir;
    dir.write("set.tree", bytes);
    Reading reading;
    reading.err = capture_output([&] {
                      reading.tree = Read_Tree((dir.path() / "set").string(), reader, domain.nr_classes(), domain);
                  }).err;
    return reading;
}

Reading read_tree(const TreeFile& file, const Domain& domain = test_domain()) {
    return read_tree_bytes(file.bytes, domain);
}

TreeSummary summary_of(const Tree& tree) {
    int32_t depth = 0;
    TreeSummary summary = Recompute_Nodes(tree, depth);
    summary.depth = depth;
    return summary;
}

int32_t number_of(const Tree& tree, NodeId id) { return id == NO_NODE ? -1 : tree.node(id).number; }

// A node data record followed by the marker 77, read back with ReadData.
struct RecordRead {
    std::optional<NodeData> data;
    std::optional<int32_t> next;  // what follows the record; nothing at the end of the file
};

RecordRead read_record(const std::string& record, const Domain& domain = test_domain()) {
    TempDir dir;
    BinaryWriter marker;
    marker.i32(77);
    dir.write("node", record + marker.bytes);
    std::optional<BinaryReader> file = BinaryReader::open(dir.file("node").string());
    RecordRead result;
    result.data = ReadData(*file, domain.nr_classes(), domain);
    result.next = file->read_i32();
    return result;
}

NodeFields two_class_leaf() { return leaf_data({0.25, 0.75}, 8); }

// A chain of `levels` nodes: a leaf under single-child multi-way nodes.
TreeFile chain(int levels) {
    TreeFile file;
    file.leaf(levels, two_class_leaf());
    for (int level = levels - 1; level >= 1; --level) file.multiway(level, 1, two_class_leaf());
    return file;
}

}  // namespace

// ---- Node data ------------------------------------------------------------------------------

TEST(NodeData, PlainLeafFieldsComeInFileOrder) {
    NodeFields fields;
    fields.attribute = 3;
    fields.norvex = 1;
    fields.cut = 1.5;
    fields.lower = 1.25;
    fields.upper = 1.75;
    fields.static_errors = 2;
    fields.spare_value = 9;
    fields.class_dist = {0.25, 0.75};
    fields.class_counts = {8, 2, 6};
    fields.nr_attributes = 2;
    fields.bayes_error = 0.125;
    fields.discrim_error = 0.375;
    const std::string record = node_data(fields);
    ASSERT_EQ(record.size(), 122u);  // 90 + 16 per class

    const RecordRead read = read_record(record);
    ASSERT_TRUE(read.data);
    const NodeData& d = *read.data;
    EXPECT_EQ(d.attribute, 3);
    EXPECT_EQ(d.norvex, 1);
    EXPECT_EQ(d.cut, 1.5);
    EXPECT_EQ(d.lower, 1.25);
    EXPECT_EQ(d.upper, 1.75);
    EXPECT_EQ(d.static_errors, 2);
    EXPECT_EQ(d.spare_value, 9);
    EXPECT_EQ(d.class_dist, (std::vector<double>{0, 0.25, 0.75}));
    EXPECT_EQ(d.class_counts, (std::vector<double>{8, 2, 6}));
    EXPECT_EQ(d.nr_attributes, 2);
    EXPECT_EQ(d.bayes_error, 0.125);
    EXPECT_EQ(d.discrim_error, 0.375);
    EXPECT_EQ(d.nr_exemplars, 0);
    EXPECT_TRUE(d.exemplars.empty());
    EXPECT_FALSE(d.coefs);
    EXPECT_FALSE(d.stats);
    EXPECT_EQ(d.test_cases, 0);
    EXPECT_EQ(d.test_errors, 0);
    EXPECT_EQ(read.next, 77);
}

TEST(NodeData, ExemplarsCoefficientRowsAndStatisticsFollowInOrder) {
    NodeFields fields = two_class_leaf();
    fields.nr_attributes = 3;
    fields.exemplars = {4, 9};
    fields.coefs = {{1, 2, 3}, {4, 5, 6}};
    fields.stats = stats_for(3);
    fields.stats[1][1] = {5, 6, 7, 8};  // position 2 (colour), class 1: unknown weight, red, green, mean
    const RecordRead read = read_record(node_data(fields));
    ASSERT_TRUE(read.data);
    const NodeData& d = *read.data;
    EXPECT_EQ(d.nr_exemplars, 2);
    EXPECT_EQ(d.exemplars, (std::vector<double>{0, 4, 9}));
    // Three columns, two rows: the column count comes first in the file.
    EXPECT_EQ(d.nr_coefs, 3);
    EXPECT_EQ(d.nr_linears, 2);
    ASSERT_TRUE(d.coefs);
    EXPECT_EQ(d.coefs->at(1, 3), 3);
    EXPECT_EQ(d.coefs->at(2, 1), 4);
    ASSERT_TRUE(d.stats);
    ASSERT_EQ(d.stats->nr_attributes(), 3);
    EXPECT_EQ(d.stats->tables[2]->at(1, 3), 8);
    EXPECT_EQ(d.stats->tables[3]->at(2, MAX), 2);
    EXPECT_EQ(d.stats->tables[3]->at(2, SDEV), 0);
    EXPECT_EQ(read.next, 77);
}

TEST(NodeData, StatisticsFollowOnlyAModel) {
    NodeFields no_rows = two_class_leaf();
    no_rows.nr_linears = 2;  // with no columns: no matrix, no statistics
    RecordRead read = read_record(node_data(no_rows));
    ASSERT_TRUE(read.data);
    EXPECT_FALSE(read.data->coefs);
    EXPECT_FALSE(read.data->stats);
    EXPECT_EQ(read.next, 77);

    NodeFields negative_product = two_class_leaf();
    negative_product.nr_linears = -2;
    negative_product.nr_coefs = 3;
    read = read_record(node_data(negative_product));
    ASSERT_TRUE(read.data);
    EXPECT_FALSE(read.data->coefs);
    EXPECT_EQ(read.next, 77);

    NodeFields norvex_only = two_class_leaf();
    norvex_only.nr_norvex_classes = 3;
    norvex_only.nr_attributes = 1;
    norvex_only.stats = stats_for(1);
    read = read_record(node_data(norvex_only));
    ASSERT_TRUE(read.data);
    EXPECT_TRUE(read.data->stats);
    EXPECT_EQ(read.next, 77);
}

TEST(NodeData, UntrustedCountsReadAsShortReads) {
    for (int32_t count : {-1, 2147483647}) {
        NodeFields fields = two_class_leaf();
        fields.nr_exemplars = count;
        const RecordRead read = read_record(node_data(fields));
        EXPECT_FALSE(read.data) << count;
        EXPECT_FALSE(read.next) << count;
    }
    // Two negative counts make a positive product; two large ones cannot fit.
    for (int32_t count : {-3, 100000}) {
        NodeFields fields = two_class_leaf();
        fields.nr_linears = count;
        fields.nr_coefs = count;
        const RecordRead read = read_record(node_data(fields));
        EXPECT_FALSE(read.data) << count;
        EXPECT_FALSE(read.next) << count;
    }
    // A statistics count that cannot be right fails only the statistics.
    for (int32_t count : {-1, 1000000}) {
        NodeFields fields = two_class_leaf();
        fields.nr_norvex_classes = 1;
        fields.nr_attributes = count;
        const RecordRead read = read_record(node_data(fields));
        ASSERT_TRUE(read.data) << count;
        EXPECT_FALSE(read.data->stats) << count;
        EXPECT_FALSE(read.next) << count;
    }
}

TEST(NodeData, RecordCutAnywhereFailsUntilTheStatistics) {
    NodeFields fields = two_class_leaf();
    fields.nr_attributes = 3;
    fields.exemplars = {1};
    fields.coefs = {{1, 2, 3}};
    fields.stats = stats_for(3);
    const std::string whole = node_data(fields);
    const size_t statistics_start = whole.size() - 3 * 3 * 4 * 8;
    for (size_t length = 0; length < whole.size(); ++length) {
        TempDir dir;
        dir.write("node", whole.substr(0, length));
        std::optional<BinaryReader> file = BinaryReader::open(dir.file("node").string());
        const std::optional<NodeData> data = ReadData(*file, 2, test_domain());
        if (length < statistics_start) {
            EXPECT_FALSE(data) << length;
        } else {
            ASSERT_TRUE(data) << length;
            EXPECT_FALSE(data->stats) << length;
        }
    }
}

// ---- Tree file and summary -----------------------------------------------------------------

TEST(TreeFile, MagicLineMustMatchWithItsZeroByte) {
    EXPECT_EQ(read_tree(TreeFile{}).err, "");
    EXPECT_FALSE(read_tree(TreeFile{}).tree);

    const std::string leaf_entry = TreeFile{}.leaf(1, two_class_leaf()).bytes.substr(7);
    for (const std::string& magic : {std::string("Brenx\n\1", 7), std::string("BrenxA\0", 7), std::string("Bren")}) {
        const Reading reading = read_tree_bytes(magic + leaf_entry, test_domain());
        EXPECT_FALSE(reading.tree);
        EXPECT_EQ(reading.err, "Invalid tree file\n");
    }

    TempDir dir;
    const Domain domain = test_domain();
    const std::string base = (dir.path() / "none").string();
    const Captured missing = capture_output([&] { EXPECT_FALSE(Read_Tree(base, ReadData, 2, domain)); });
    EXPECT_EQ(missing.err, "Can not open file " + base + ".tree\n");
}

TEST(TreeFile, SingleLeaf) {
    TreeFile file;
    file.leaf(1, two_class_leaf());
    EXPECT_EQ(file.bytes.size(), 141u);
    const Reading reading = read_tree(file);
    ASSERT_TRUE(reading.tree);
    const TreeSummary summary = summary_of(*reading.tree);
    EXPECT_EQ(summary.nodes, 1);
    EXPECT_EQ(summary.leaves, 1);
    EXPECT_EQ(summary.depth, 1);
}

TEST(TreeFile, SubtreesComeBeforeTheirNodeInChildOrder) {
    TreeFile file;
    file.leaf(2, two_class_leaf()).leaf(3, two_class_leaf()).binary(1, two_class_leaf());
    const Reading reading = read_tree(file);
    ASSERT_TRUE(reading.tree);
    const Tree& tree = *reading.tree;
    EXPECT_EQ(number_of(tree, tree.root), 1);
    EXPECT_EQ(number_of(tree, tree.child(tree.root, 1)), 2);
    EXPECT_EQ(number_of(tree, tree.child(tree.root, 2)), 3);
    EXPECT_EQ(tree.node(tree.child(tree.root, 1)).parent, tree.root);
    EXPECT_EQ(tree.node(tree.root).parent, NO_NODE);
    const TreeSummary summary = summary_of(tree);
    EXPECT_EQ(summary.nodes, 3);
    EXPECT_EQ(summary.leaves, 2);
    EXPECT_EQ(summary.depth, 2);
}

TEST(TreeFile, MultiwayRootOverALeafABinaryNodeAndALeaf) {
    TreeFile file;
    file.leaf(2, two_class_leaf()).leaf(4, two_class_leaf()).leaf(5, two_class_leaf());
    file.binary(3, two_class_leaf()).leaf(6, two_class_leaf()).multiway(1, 3, two_class_leaf());
    const Reading reading = read_tree(file);
    ASSERT_TRUE(reading.tree);
    const Tree& tree = *reading.tree;
    EXPECT_EQ(number_of(tree, tree.child(tree.root, 1)), 2);
    EXPECT_EQ(number_of(tree, tree.child(tree.root, 2)), 3);
    EXPECT_EQ(number_of(tree, tree.child(tree.root, 3)), 6);
    const TreeSummary summary = summary_of(tree);
    EXPECT_EQ(summary.nodes, 6);
    EXPECT_EQ(summary.leaves, 4);
    EXPECT_EQ(summary.depth, 3);
}

TEST(TreeFile, EmptyEntriesAndMissingChildrenAreAbsentChildren) {
    TreeFile with_empty;
    with_empty.leaf(2, two_class_leaf()).empty().leaf(4, two_class_leaf()).multiway(1, 3, two_class_leaf());
    Reading reading = read_tree(with_empty);
    ASSERT_TRUE(reading.tree);
    EXPECT_EQ(reading.tree->child(reading.tree->root, 2), NO_NODE);
    TreeSummary summary = summary_of(*reading.tree);
    EXPECT_EQ(summary.nodes, 3);
    EXPECT_EQ(summary.leaves, 2);
    EXPECT_EQ(summary.depth, 2);

    // Three entries precede the multi-way node but only one is left on the stack: it
    // becomes the last child, the others are empty.
    TreeFile short_stack;
    short_stack.leaf(3, two_class_leaf()).leaf(4, two_class_leaf()).binary(2, two_class_leaf());
    short_stack.multiway(1, 3, two_class_leaf());
    reading = read_tree(short_stack);
    ASSERT_TRUE(reading.tree);
    const Tree& tree = *reading.tree;
    EXPECT_EQ(tree.child(tree.root, 1), NO_NODE);
    EXPECT_EQ(tree.child(tree.root, 2), NO_NODE);
    EXPECT_EQ(number_of(tree, tree.child(tree.root, 3)), 2);
    summary = summary_of(tree);
    EXPECT_EQ(summary.nodes, 4);
    EXPECT_EQ(summary.leaves, 2);
    EXPECT_EQ(summary.depth, 3);
}

TEST(TreeFile, MoreChildrenThanEntriesReadIsInvalid) {
    for (int32_t children : {2, 2147483647}) {
        TreeFile file;
        file.leaf(2, two_class_leaf()).multiway(1, children, two_class_leaf());
        const Reading reading = read_tree(file);
        EXPECT_FALSE(reading.tree) << children;
        EXPECT_EQ(reading.err, "Invalid tree file\n") << children;
    }
}

TEST(TreeFile, TheLastCompleteEntryIsTheRoot) {
    TreeFile trailing_leaf;
    trailing_leaf.leaf(2, two_class_leaf()).leaf(3, two_class_leaf()).binary(1, two_class_leaf());
    trailing_leaf.leaf(9, two_class_leaf());
    Reading reading = read_tree(trailing_leaf);
    ASSERT_TRUE(reading.tree);
    EXPECT_EQ(number_of(*reading.tree, reading.tree->root), 9);
    EXPECT_EQ(summary_of(*reading.tree).nodes, 1);

    TreeFile partial_kind;
    partial_kind.leaf(2, two_class_leaf()).raw(std::string("\0\0\0", 3));
    reading = read_tree(partial_kind);
    ASSERT_TRUE(reading.tree);
    EXPECT_EQ(number_of(*reading.tree, reading.tree->root), 2);

    // A header cut after its number is an empty entry, and an empty entry on top leaves
    // no tree.
    TreeFile partial_header;
    partial_header.leaf(2, two_class_leaf()).raw(std::string("\0\0\0\0\0\0\0\1", 8));
    reading = read_tree(partial_header);
    EXPECT_FALSE(reading.tree);
    EXPECT_EQ(reading.err, "");
    TreeFile empty_last;
    empty_last.leaf(2, two_class_leaf()).empty();
    EXPECT_FALSE(read_tree(empty_last).tree);
}

TEST(TreeFile, InertNodeCountsAsANodeOnly) {
    TreeFile under_binary;
    under_binary.leaf(2, two_class_leaf()).node(7, 3, 0, two_class_leaf()).binary(1, two_class_leaf());
    Reading reading = read_tree(under_binary);
    ASSERT_TRUE(reading.tree);
    TreeSummary summary = summary_of(*reading.tree);
    EXPECT_EQ(summary.nodes, 3);
    EXPECT_EQ(summary.leaves, 1);
    EXPECT_EQ(summary.depth, 2);

    TreeFile alone;
    alone.node(7, 1, 0, two_class_leaf());
    reading = read_tree(alone);
    ASSERT_TRUE(reading.tree);
    summary = summary_of(*reading.tree);
    EXPECT_EQ(summary.nodes, 1);
    EXPECT_EQ(summary.leaves, 0);
    EXPECT_EQ(summary.depth, 0);
}

TEST(TreeFile, CutAtEveryLengthNeverGivesATreeWithMissingData) {
    NodeFields model = two_class_leaf();
    model.nr_attributes = 3;
    model.coefs = {{0.5, 1, -1}};
    model.stats = stats_for(3);
    NodeFields exemplar_leaf = two_class_leaf();
    exemplar_leaf.exemplars = {1, 2, 3};
    TreeFile file;
    file.leaf(3, exemplar_leaf).empty().leaf(4, two_class_leaf()).multiway(2, 3, two_class_leaf());
    file.leaf(5, two_class_leaf()).binary(1, model);
    for (size_t length = 0; length <= file.bytes.size(); ++length) {
        const Reading reading = read_tree_bytes(file.bytes.substr(0, length), test_domain());
        if (!reading.tree) continue;
        for (const TreeNode& node : reading.tree->nodes) EXPECT_TRUE(node.data) << length;
    }
    const Reading whole = read_tree(file);
    ASSERT_TRUE(whole.tree);
    EXPECT_EQ(summary_of(*whole.tree).nodes, 5);
}

// ---- Checks of a read tree -----------------------------------------------------------------

namespace {

// A binary root on x carrying `root`, over two plain leaves.
TreeFile root_over_leaves(const NodeFields& root, const NodeFields& second_leaf = two_class_leaf()) {
    TreeFile file;
    file.leaf(2, two_class_leaf()).leaf(3, second_leaf).binary(1, root);
    return file;
}

NodeFields linear_model(int32_t nr_attributes, std::vector<std::vector<double>> rows) {
    NodeFields fields = two_class_leaf();
    fields.attribute = 1;
    fields.nr_attributes = nr_attributes;
    fields.coefs = std::move(rows);
    fields.stats = stats_for(nr_attributes);
    return fields;
}

NodeFields norvex_model(int32_t nr_attributes, int32_t classes, std::vector<std::vector<double>> rows = {}) {
    NodeFields fields = linear_model(nr_attributes, std::move(rows));
    fields.nr_norvex_classes = classes;
    return fields;
}

NodeFields norvex_leaf(int32_t nr_attributes, int32_t classes) {
    NodeFields fields = norvex_model(nr_attributes, classes);
    fields.norvex = 1;
    fields.class_counts = {20, 10, 10};
    return fields;
}

bool accepted(const TreeFile& file) {
    const Reading reading = read_tree(file);
    if (!reading.tree) {
        EXPECT_EQ(reading.err, "Invalid tree file\n");
    }
    return reading.tree.has_value();
}

}  // namespace

TEST(TreeChecks, CoefficientColumnsCoverEveryNumericAttribute) {
    // x and y take columns; colour, nominal, does not.
    EXPECT_TRUE(accepted(root_over_leaves(linear_model(3, {{1, 2, 3}}))));
    EXPECT_FALSE(accepted(root_over_leaves(linear_model(3, {{1, 2}}))));
}

TEST(TreeChecks, ModelsNeedTheirStatistics) {
    std::string bytes = root_over_leaves(linear_model(3, {{1, 2, 3}})).bytes;
    bytes.resize(bytes.size() - 8);  // the root's last statistics row is cut
    const Reading reading = read_tree_bytes(bytes, test_domain());
    EXPECT_FALSE(reading.tree);
    EXPECT_EQ(reading.err, "Invalid tree file\n");
}

TEST(TreeChecks, NorvexModelNeedsARowPerClassButTheLast) {
    EXPECT_TRUE(accepted(root_over_leaves(norvex_model(3, 2))));
    EXPECT_TRUE(accepted(root_over_leaves(norvex_model(3, 2, {{1, 2, 3}}))));
    EXPECT_FALSE(accepted(root_over_leaves(norvex_model(3, 3, {{1, 2, 3}}))));
    EXPECT_TRUE(accepted(root_over_leaves(norvex_model(3, 3, {{1, 2, 3}, {4, 5, 6}}))));

    NodeFields leaf = norvex_leaf(3, 3);
    leaf.coefs = {{1, 2, 3}};
    EXPECT_FALSE(accepted(root_over_leaves(two_class_leaf(), leaf)));
}

TEST(TreeChecks, NegativeNorvexClassCountOnlyAtLeaves) {
    EXPECT_FALSE(accepted(root_over_leaves(norvex_model(3, -1))));
    NodeFields leaf = two_class_leaf();
    leaf.nr_norvex_classes = -1;
    leaf.nr_attributes = 3;
    leaf.stats = stats_for(3);
    EXPECT_TRUE(accepted(root_over_leaves(two_class_leaf(), leaf)));
}

TEST(TreeChecks, ModelAttributeSpaceLiesBetweenTheDomainAndWhatAncestorsAppend) {
    EXPECT_FALSE(accepted(root_over_leaves(linear_model(2, {{1, 2, 3}}))));
    EXPECT_FALSE(accepted(root_over_leaves(linear_model(4, {{1, 2, 3}}))));
    // One row: two classes, so two derived attributes below the root.
    EXPECT_TRUE(accepted(root_over_leaves(linear_model(3, {{1, 2, 3}}), norvex_leaf(5, 2))));
    EXPECT_FALSE(accepted(root_over_leaves(linear_model(3, {{1, 2, 3}}), norvex_leaf(6, 2))));
    EXPECT_TRUE(accepted(root_over_leaves(norvex_model(3, 2), norvex_leaf(5, 2))));
    EXPECT_FALSE(accepted(root_over_leaves(two_class_leaf(), norvex_leaf(4, 2))));
    // A node without a model may describe any attribute space.
    NodeFields plain = two_class_leaf();
    plain.nr_attributes = 100;
    EXPECT_TRUE(accepted(root_over_leaves(two_class_leaf(), plain)));
}

TEST(TreeChecks, NorvexClassPositionsNeedRealsInTheRecordBehindThem) {
    // 7 scalars, 2 + 3 class entries and 3 tables of 3 x 4 statistics: 48 reals.
    EXPECT_TRUE(accepted(root_over_leaves(two_class_leaf(), norvex_leaf(3, 48))));
    EXPECT_FALSE(accepted(root_over_leaves(two_class_leaf(), norvex_leaf(3, 49))));
    EXPECT_FALSE(accepted(root_over_leaves(norvex_model(3, 2147483647))));
    NodeFields from_linears = norvex_leaf(3, 0);
    from_linears.nr_linears = 2147483647;  // no columns, so no rows and no statistics
    from_linears.stats.clear();
    EXPECT_FALSE(accepted(root_over_leaves(two_class_leaf(), from_linears)));
}

TEST(TreeChecks, EveryNodeTheDescentReachesHasData) {
    // Drops the record of the first node read.
    auto losing_first = [calls = 0](BinaryReader& file, int nr_classes, const Domain& domain) mutable {
        std::optional<NodeData> data = ReadData(file, nr_classes, domain);
        return ++calls == 1 ? std::nullopt : data;
    };
    const Reading reading = read_tree_bytes(root_over_leaves(two_class_leaf()).bytes, test_domain(), losing_first);
    EXPECT_FALSE(reading.tree);
    EXPECT_EQ(reading.err, "Invalid tree file\n");

    // Children past the second of a binary node are displayed, never descended into.
    auto losing_third = [calls = 0](BinaryReader& file, int nr_classes, const Domain& domain) mutable {
        std::optional<NodeData> data = ReadData(file, nr_classes, domain);
        return ++calls == 3 ? std::nullopt : data;
    };
    TreeFile three_children;
    three_children.leaf(2, two_class_leaf()).leaf(3, two_class_leaf()).leaf(4, two_class_leaf());
    three_children.node(BINARY, 1, 3, two_class_leaf());
    EXPECT_TRUE(read_tree_bytes(three_children.bytes, test_domain(), losing_third).tree);
}

TEST(TreeChecks, PathsOfAtMostTenThousandNodes) {
    const Reading deepest = read_tree(chain(MAX_TREE_DEPTH));
    ASSERT_TRUE(deepest.tree);
    const TreeSummary summary = summary_of(*deepest.tree);
    EXPECT_EQ(summary.nodes, 10000);
    EXPECT_EQ(summary.leaves, 1);
    EXPECT_EQ(summary.depth, 10000);
    EXPECT_FALSE(accepted(chain(MAX_TREE_DEPTH + 1)));

    // A third child of a binary node is on a displayed path, though not on the walks'.
    TreeFile third_child = TreeFile{}.leaf(1, two_class_leaf()).leaf(2, two_class_leaf());
    third_child.raw(chain(MAX_TREE_DEPTH).bytes.substr(7)).node(BINARY, 0, 3, two_class_leaf());
    EXPECT_FALSE(accepted(third_child));
    TreeFile shallower = TreeFile{}.leaf(1, two_class_leaf()).leaf(2, two_class_leaf());
    shallower.raw(chain(MAX_TREE_DEPTH - 1).bytes.substr(7)).node(BINARY, 0, 3, two_class_leaf());
    const Reading reading = read_tree(shallower);
    ASSERT_TRUE(reading.tree);
    EXPECT_EQ(summary_of(*reading.tree).depth, 2);
}

// The tree as a Graphviz graph: escaping, every node kind, the cut of large trees, whole
// runs with -g, and, where Graphviz is installed, that every graph renders cleanly.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <tuple>

#include "graph.h"
#include "support/iris_reports.h"
#include "support/run_program.h"
#include "support/tree_writer.h"

namespace {

const std::string PROGRAM = DRAVIK_PROGRAM;

// A quote, a backslash, a Latin-1 byte and markup characters in the names.
const Domain DOMAIN{"we&ther",
                    2,
                    {Attribute{}, Attribute{"out\"look", NOMINAL, {"", "sunny", "over\\cast", "r\xE9in"}},
                     Attribute{"humidity", CONTINUOUS, {}}, Attribute{"play", NOMINAL, {"", "yes", "n<o>"}}}};

// Reads `bytes` as a tree file with DOMAIN; a tree that is not read throws, failing the test.
Tree read_tree(const std::string& bytes) {
    BinaryReader file = BinaryReader::from_bytes(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    return Read_Tree(file, ReadData, 2, DOMAIN).value();
}

// The caption's figures are left at 0: they are checked on the whole runs' iris graph.
std::string graph_of(const Tree& tree) { return tree_graph(tree, DOMAIN, {DOMAIN.name, {}, 0, 0}); }

// The tree with every node kind, with test counters as a classification leaves them.
std::string every_kind_graph() {
    Tree tree = read_tree(every_kind_tree());
    // Test counters as a classification leaves them. Leaf 3: 2 errors in 3 (up to 0.75),
    // leaf 4: 1 in 4 (up to 0.25), leaf 9: 4 in 4.
    const std::map<int32_t, std::pair<int32_t, int32_t>> counters{{3, {2, 3}}, {4, {1, 4}}, {9, {4, 4}}};
    for (TreeNode& node : tree.nodes)
        if (counters.contains(node.number))
            std::tie(node.data->test_errors, node.data->test_cases) = counters.at(node.number);
    // The tree's figures, as the runs show them: 9 nodes, 4 leaves, depth 3.
    return tree_graph(tree, DOMAIN, {DOMAIN.name, {9, 4, 3}, 0, 0});
}

TEST(DravikGraph, EscapesEveryString) {
    const struct {
        std::string text, quoted, html;
    } cases[] = {
        {"say \"hi\" \\N", R"("say \"hi\" \\N")", "say &quot;hi&quot; \\N"},
        {"a<b>&c", "\"a<b>&c\"", "a&lt;b&gt;&amp;c"},
        {"one\ntwo\r\nthree\rfour", R"("one\ntwo\nthree\nfour")", "one<BR/>two<BR/>three<BR/>four"},
        {"tab\tbell\x07.", "\"tab\tbell\xEF\xBF\xBD.\"", "tab\tbell\xEF\xBF\xBD."},
        // Well-formed UTF-8 of two, three and four bytes stays as it is.
        {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8C\xB3", "\"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8C\xB3\"",
         "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8C\xB3"},
        // Latin-1 text and a cut sequence are read byte by byte as Latin-1 (the report's JSON
        // strings go through the same check of every kind of ill-formed sequence).
        {"\xE9t\xE9\xE2\x82", "\"\xC3\xA9t\xC3\xA9\xC3\xA2\xC2\x82\"", "\xC3\xA9t\xC3\xA9\xC3\xA2\xC2\x82"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(std::pair(dot_string(c.text), dot_html_text(c.text)), std::pair(c.quoted, c.html)) << c.text;
    }
}

TEST(DravikGraph, DrawsEveryNodeKind) {
    const std::string nodes =
        "  n1 [label=\"[1]out\\\"look\\nlinear model: appends 2 values (Norvex_3..Norvex_4)\"];\n"
        "  n1 -> n2 [label=\"= sunny\"];\n"
        "  n1 -> n3 [label=\"= over\\\\cast\"];\n"
        "  n1 -> n4 [label=\"= r\xC3\xA9in\"];\n"
        "  n5 [shape=point];\n"
        "  n1 -> n5 [label=\"= ?\"];\n"
        "  n2 [label=\"[2]Norvex_3\\n0.500000 [0.400000 0.600000]\"];\n"
        "  n2 -> n6 [label=\"<= 0.500000\"];\n"
        "  n2 -> n7 [label=\"> 0.500000\"];\n"
        "  n6 [label=\"yes (5.00/4.00)\\n[ 0.800 0.200 ] (0)\\n[Errors: 2 in 3]\", style=filled, "
        "fillcolor=\"#de2d26\", fontcolor=white];\n"
        "  n7 [label=\"[4]Norvex = 1 Then yes\\n[4]Norvex = 2 Then n<o>\\n[Errors: 1 in 4]\", style=filled, "
        "fillcolor=\"#fcae91\"];\n"
        "  n3 [label=\"[5]Norvex\\nNorvex model: appends 2 values (Norvex_5..Norvex_6)\"];\n"
        "  n3 -> n8 [label=\"= 1\"];\n"
        "  n9 [shape=point];\n"
        "  n3 -> n9 [label=\"= 2\"];\n"
        // The neighbour leaf counts all 6 of its exemplar numbers, also those that name no example.
        "  n8 [label=\"yes (10.00/6.00)\\n[ 0.600 0.400 ] (6)\\n[Errors: 0 in 0]\", style=dashed];\n"
        "  n4 [label=\"[8]humidity\\n80.000000 [75.000000 85.000000]\"];\n"
        "  n4 -> n10 [label=\"<= 80.000000\"];\n"
        "  n11 [shape=point];\n"
        "  n4 -> n11 [label=\"> 80.000000\"];\n"
        "  n4 -> n12 [label=\"\"];\n"
        "  n10 [label=\"n<o> (4.00/3.00)\\n[ 0.250 0.750 ] (0)\\n[Errors: 4 in 4]\", style=filled, "
        "fillcolor=\"#a50f15\", fontcolor=white];\n"
        "  n12 [label=\"yes (2.00/1.00)\\n[ 0.500 0.500 ] (0)\\n[Errors: 0 in 0]\", style=dashed];\n"
        "}\n";
    const std::string graph = every_kind_graph();
    // The caption's name is escaped and its figures each in their place; its layout is checked
    // with the iris graph.
    EXPECT_NE(graph.find("<TD COLSPAN=\"6\">we&amp;ther</TD></TR>\n    <TR><TD COLSPAN=\"6\">(Nodes: 9, Leaves: 4, "
                         "Depth: 3 )</TD></TR>"),
              std::string::npos);
    EXPECT_EQ(graph.substr(graph.find("  n1 [")), nodes);
}

// ---- Large trees ----------------------------------------------------------------------------

const NodeFields PLAIN = leaf_data({1, 0});
const NodeFields SUNNY{.attribute = 1, .class_dist = {1, 0}};
const NodeFields HALF{.attribute = 2, .cut = 0.5, .lower = 0.5, .upper = 0.5, .class_dist = {1, 0}};

// A multi-way test on outlook above `leaves` leaves, under `links` single-branch tests.
std::string multiway_tree(int links, int leaves) {
    TreeFile file;
    for (int i = 0; i < leaves; ++i) file.leaf(links + i + 2, PLAIN);
    for (int number = links + 1; number >= 1; --number) file.node(MULTIWAY, number, number > links ? leaves : 1, SUNNY);
    return file.bytes;
}

// A complete binary tree with `levels` levels of nodes, after the entries of `file`.
TreeFile complete(TreeFile file, int levels, int32_t number = 1) {
    if (levels == 1) return file.leaf(number, PLAIN);
    file = complete(std::move(file), levels - 1, 2 * number);
    file = complete(std::move(file), levels - 1, 2 * number + 1);
    return file.binary(number, HALF);
}

// Occurrences of `what` in `text`.
int count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST(DravikGraph, LargeTreesKeepTheTopLevelsThatFitInTwoThousandNodes) {
    const struct {
        const char* name;
        std::string graph;
        int nodes;           // node statements
        int markers;         // each as below, with its label and branch count
        std::string marker;  // or the marker's shape where there are none
    } cases[] = {
        {"2000 nodes: whole", graph_of(read_tree(multiway_tree(1998, 1))), 2000, 0, "shape=note"},
        // Levels 0 to 1998 and one marker for the last two nodes.
        {"2001 nodes", graph_of(read_tree(multiway_tree(1999, 1))), 2000, 1,
         "[label=\"not drawn:\\n2 nodes, 1 leaf\", shape=note];\n  n1999 -> n2000 [label=\"1 branch\", style=dotted];"},
        // 2047 nodes: levels 0 to 9 (1023 nodes) and a marker under each of the 512 on level 9.
        {"complete binary", graph_of(read_tree(complete({}, 11).bytes)), 1023 + 512, 512,
         "[label=\"not drawn:\\n2 nodes, 2 leaves\", shape=note];\n"},
        // The root and one marker for its 5000 branches.
        {"5000 branches", graph_of(read_tree(multiway_tree(0, 5000))), 2, 1,
         "  n2 [label=\"not drawn:\\n5000 nodes, 5000 leaves\", shape=note];\n"
         "  n1 -> n2 [label=\"5000 branches\", style=dotted];"},
    };
    for (const auto& c : cases) {
        // Statements are lines of their own: the node defaults, the nodes, the edges.
        const int statements = count(c.graph, "\n  n") - count(c.graph, "\n  node [");
        EXPECT_EQ(statements - count(c.graph, " -> "), c.nodes) << c.name;
        EXPECT_EQ(count(c.graph, c.marker), c.markers) << c.name;
    }
}

// ---- Whole runs -----------------------------------------------------------------------------

const std::filesystem::path EXPECTED_IRIS = std::filesystem::path(__FILE__).parent_path() / "expected/iris-tree.dot";

// With -g every other output is as without it; the graph matches the outline of -v 4
// with the leaves' test counters; a graph that cannot be written ends the run with 1.
TEST(DravikGraph, RunsWithTheGraphPrintWhatRunsWithoutIt) {
    const TempDir dir;
    for (const std::string ext : {".domain", ".test", ".tree"}) dir.write("iris" + ext, example(ext));
    const std::vector<std::pair<std::vector<std::string>, std::string>> runs{
        {{"-f", "iris", "-v", "4", "-t", "1"}, "iris.pred"},
        {{"-f", "iris", "-x", "-p", "out.pred"}, "out.pred"},
    };
    for (const auto& [args, pred_file] : runs) {
        std::filesystem::remove(dir.file("iris.dot"));
        EXPECT_EQ(run_with_report(PROGRAM, args, dir, pred_file, "iris.dot", 0, "", "-g"), read_file(EXPECTED_IRIS));
        EXPECT_FALSE(run_with_report(PROGRAM, args, dir, pred_file, "missing/iris.dot", 0,
                                     "Can not write file missing/iris.dot\n", "-g"));
    }
}

// ---- Rendering ------------------------------------------------------------------------------

TEST(DravikGraph, EveryGraphRendersWithoutAWarning) {
    const TempDir dir;
    const RunResult dot = run_program("/bin/sh", {"-c", "command -v dot"}, dir.path());
    if (dot.status != 0) GTEST_SKIP() << "Graphviz's dot is not installed: the graphs are not rendered";
    const std::vector<std::pair<std::string, std::string>> graphs{
        {"iris", read_file(EXPECTED_IRIS)},
        {"every kind", every_kind_graph()},
        {"cut", graph_of(read_tree(complete({}, 11).bytes))},
    };
    for (const auto& [name, graph] : graphs) {
        dir.write("graph.dot", graph);
        const RunResult r =
            run_program(dot.out.substr(0, dot.out.find('\n')), {"-Tsvg", "graph.dot", "-o", "graph.svg"}, dir.path());
        EXPECT_EQ(std::pair(r.status, r.err), std::pair(0, std::string())) << name;
        EXPECT_NE(dir.read("graph.svg").find("</svg>"), std::string::npos) << name;
    }
}

}  // namespace

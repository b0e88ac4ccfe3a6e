// The tree as a Graphviz graph.
#include "graph.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <limits>
#include <utility>
#include <vector>

#include "../common/file.h"
#include "../common/utf8.h"
#include "bayes.h"
#include "node_text.h"

// ---- Escaping -------------------------------------------------------------------------------

namespace {

enum class Markup { Quoted, Html };

// An ASCII character as the markup writes it; `c` is never the LF of a CR LF pair.
std::string ascii_text(char c, Markup markup) {
    const bool html = markup == Markup::Html;
    switch (c) {
        case '\n':
        case '\r':
            return html ? "<BR/>" : "\\n";
        case '"':
            return html ? "&quot;" : "\\\"";
        case '\\':
            return html ? "\\" : "\\\\";
        case '&':
            return html ? "&amp;" : "&";
        case '<':
            return html ? "&lt;" : "<";
        case '>':
            return html ? "&gt;" : ">";
        case '\t':
            return "\t";
        default:
            // Other control characters have no place in the SVG or XML that Graphviz writes.
            if (static_cast<unsigned char>(c) < 0x20) return "\xEF\xBF\xBD";
            return std::string(1, c);
    }
}

std::string escaped(std::string_view text, Markup markup) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            if (!(c == '\n' && i > 0 && text[i - 1] == '\r')) out += ascii_text(text[i], markup);
            ++i;
        } else if (const size_t length = utf8_sequence_length(text.substr(i)); length > 0) {
            out.append(text.substr(i, length));
            i += length;
        } else {
            append_latin1(out, c);  // a byte outside well-formed UTF-8, read as Latin-1
            ++i;
        }
    }
    return out;
}

}  // namespace

std::string dot_string(std::string_view text) {
    std::string out = "\"";
    out += escaped(text, Markup::Quoted);
    out += '"';
    return out;
}

std::string dot_html_text(std::string_view text) { return escaped(text, Markup::Html); }

// ---- Shape of the graph ---------------------------------------------------------------------

namespace {

// A node the outline shows: a leaf or a test node.
bool is_drawn(const Tree& tree, NodeId id) {
    return id != NO_NODE && (tree.node(id).kind == LEAF || is_test_node(tree.node(id).kind));
}

// Branches the outline shows under a node: every child entry of a test node.
int64_t branches(const TreeNode& node) { return is_test_node(node.kind) ? std::max(node.nr_children, 0) : 0; }

// Branches whose child entries can hold a node; those before are empty entries that the
// reader did not store.
int64_t first_stored(const TreeNode& node) { return std::max(1, node.first_child); }

// Graph nodes on each level (the root's is 0) and the test nodes with branches there.
// Every branch ends in one graph node, so a level's count follows from the branch counts
// of the level above without visiting the empty entries.
struct Levels {
    std::vector<int64_t> nodes;
    std::vector<int64_t> branching;
};

Levels count_levels(const Tree& tree) {
    Levels levels;
    if (!is_drawn(tree, tree.root)) return levels;
    levels.nodes = {1};
    levels.branching = {0};
    std::vector<std::pair<NodeId, size_t>> pending{{tree.root, 0}};
    while (!pending.empty()) {
        const auto [id, level] = pending.back();
        pending.pop_back();
        const TreeNode& node = tree.node(id);
        const int64_t count = branches(node);
        if (count == 0) continue;
        if (levels.nodes.size() < level + 2) {
            levels.nodes.resize(level + 2, 0);
            levels.branching.resize(level + 2, 0);
        }
        ++levels.branching[level];
        levels.nodes[level + 1] += count;
        for (int64_t b = first_stored(node); b <= count; ++b)
            if (const NodeId c = tree.child(id, b); c != NO_NODE && branches(tree.node(c)) > 0)
                pending.push_back({c, level + 1});
    }
    return levels;
}

// The deepest level drawn with its branches; the nodes with branches on it get markers
// instead. Without a cut, a level below every node.
size_t last_branching_level(const Levels& levels) {
    int64_t total = 0;
    for (const int64_t n : levels.nodes) total += n;
    if (total <= MAX_GRAPH_NODES) return levels.nodes.size();
    // Level 0 always fits: the root and one marker.
    size_t last = 0;
    int64_t drawn = 0;
    for (size_t level = 0; level < levels.nodes.size(); ++level) {
        drawn += levels.nodes[level];
        if (drawn + levels.branching[level] > MAX_GRAPH_NODES) break;
        last = level;
    }
    return last;
}

// Nodes (of any kind) and leaves of the subtree under each node, the node included.
struct Subtree {
    int64_t nodes = 0;
    int64_t leaves = 0;
};

std::vector<Subtree> count_subtrees(const Tree& tree) {
    std::vector<Subtree> sizes(tree.nodes.size());
    if (tree.root == NO_NODE) return sizes;
    // Each node is taken once on the way down and summed once its children are done.
    std::vector<std::pair<NodeId, bool>> pending{{tree.root, false}};
    while (!pending.empty()) {
        const auto [id, children_done] = pending.back();
        pending.pop_back();
        const TreeNode& node = tree.node(id);
        if (!children_done) pending.push_back({id, true});
        Subtree& size = sizes[static_cast<size_t>(id)];
        if (children_done) size = {1, node.kind == LEAF ? 1 : 0};
        for (int64_t b = first_stored(node); b <= branches(node); ++b) {
            const NodeId c = tree.child(id, b);
            if (c == NO_NODE) continue;
            if (!children_done) {
                pending.push_back({c, false});
            } else {
                size.nodes += sizes[static_cast<size_t>(c)].nodes;
                size.leaves += sizes[static_cast<size_t>(c)].leaves;
            }
        }
    }
    return sizes;
}

// ---- Labels and colours -------------------------------------------------------------------

// Fill of a leaf by its test error rate: 0, then up to a quarter, a half, three quarters
// and all of its examples; the darker fills take white text.
struct Shade {
    const char* fill;
    bool dark;
    const char* legend;
};
constexpr std::array<Shade, 5> SHADES{{{"#fee5d9", false, "0"},
                                       {"#fcae91", false, "to 0.25"},
                                       {"#fb6a4a", false, "to 0.50"},
                                       {"#de2d26", true, "to 0.75"},
                                       {"#a50f15", true, "to 1"}}};

// The shade of `errors` in `cases` (cases > 0), in whole numbers so that a rate on a
// boundary falls on its side exactly.
const Shade& shade_of(int64_t errors, int64_t cases) {
    if (errors <= 0) return SHADES[0];
    return SHADES[static_cast<size_t>(std::min<int64_t>(4, (4 * errors + cases - 1) / cases))];
}

// "1 leaf", "2 leaves".
std::string counted(int64_t n, const char* one, const char* many) {
    return formatted("%ld %s", static_cast<long>(n), n == 1 ? one : many);
}

// Lines of a Norvex leaf's label; more would make the node too tall to read.
constexpr int64_t MAX_NORVEX_LINES = 64;

std::string test_label(const Domain& domain, const TreeNode& node) {
    std::string label = formatted("[%d]", node.number);
    if (!node.data) return label;
    const NodeData& d = *node.data;
    label += test_name(domain, d, node.kind);
    if (node.kind != MULTIWAY) {
        label += formatted("\n%f", d.cut);
        // An empty band (equal limits) is a crisp test at the cut.
        if (d.lower != d.upper) {
            label += ' ';
            label += band_text(d);
        }
    }
    const NodeModels models = models_of(node);
    if (models.norvex || models.linear) {
        const int64_t count = models.appended();
        label +=
            formatted("\n%s model: appends ", models.norvex ? "Norvex" : "linear") + counted(count, "value", "values");
        // Derived attributes J+1..J+count, named as the outline names them.
        const int64_t first = int64_t{d.nr_attributes} + 1, last = int64_t{d.nr_attributes} + count;
        if (count == 1) label += formatted(" (Norvex_%ld)", static_cast<long>(first));
        if (count > 1)
            label += formatted(" (Norvex_%ld..Norvex_%ld)", static_cast<long>(first), static_cast<long>(last));
    }
    return label;
}

std::string leaf_label(const Domain& domain, const TreeNode& node) {
    if (!node.data) return "";
    const NodeData& d = *node.data;
    std::string label;
    if (d.norvex != 0) {
        const int64_t k = norvex_leaf_positions(d);
        const std::vector<int> modelled = modelled_classes(d.class_counts, domain.nr_classes(), d.nr_attributes);
        for (int64_t j = 1; j <= std::min(k, MAX_NORVEX_LINES); ++j)
            label += norvex_position_text(domain, node.number, j, class_at_position(modelled, j, domain.nr_classes())) +
                     "\n";
        if (k > MAX_NORVEX_LINES) label += formatted("... %ld positions\n", static_cast<long>(k));
    } else {
        label +=
            leaf_class_text(domain, d) + "\n" + leaf_distribution_text(domain, d) + " " + leaf_exemplars_text(d) + "\n";
    }
    return label + leaf_test_text(d);
}

// Filled by the test error rate; dashed where no test example arrived.
std::string leaf_style(const TreeNode& node) {
    if (!node.data || node.data->test_cases <= 0) return ", style=dashed";
    const Shade& shade = shade_of(node.data->test_errors, node.data->test_cases);
    return formatted(", style=filled, fillcolor=\"%s\"%s", shade.fill, shade.dark ? ", fontcolor=white" : "");
}

// The graph's label: the data set, the tree's size, the test error rate and the legend of
// the leaves' fills, as one HTML-like table.
std::string graph_label(const GraphCaption& caption) {
    const TreeSummary& s = caption.summary;
    const double rate = caption.examples == 0
                            ? std::numeric_limits<double>::quiet_NaN()
                            : static_cast<double>(caption.errors) / static_cast<double>(caption.examples);
    const std::string lines[] = {
        caption.dataset, formatted("(Nodes: %d, Leaves: %d, Depth: %d )", s.nodes, s.leaves, s.depth),
        formatted("Error rate on test set %f (%d / %ld)", rate, caption.errors, static_cast<long>(caption.examples)),
        "Leaves by test error rate:"};
    const int columns = static_cast<int>(SHADES.size()) + 1;
    std::string label = "<<TABLE BORDER=\"0\" CELLSPACING=\"2\">\n";
    for (const std::string& line : lines)
        label += formatted("    <TR><TD COLSPAN=\"%d\">%s</TD></TR>\n", columns, dot_html_text(line).c_str());
    label += "    <TR>";
    for (const Shade& shade : SHADES)
        label += formatted("<TD BORDER=\"1\" BGCOLOR=\"%s\">%s%s%s</TD>", shade.fill,
                           shade.dark ? "<FONT COLOR=\"white\">" : "", shade.legend, shade.dark ? "</FONT>" : "");
    return label + "<TD BORDER=\"1\" STYLE=\"dashed\">no test example</TD></TR>\n    </TABLE>>";
}

// ---- Writing --------------------------------------------------------------------------------

// Graph nodes are named n1, n2, ... in the order they are first written.
std::string graph_id(int64_t number) { return formatted("n%ld", static_cast<long>(number)); }

void add_node(std::string& out, int64_t number, const std::string& label, const std::string& attributes = "") {
    out += "  " + graph_id(number) + " [label=" + dot_string(label) + attributes + "];\n";
}

void add_edge(std::string& out, int64_t from, int64_t to, const std::string& label,
              const std::string& attributes = "") {
    out += "  " + graph_id(from) + " -> " + graph_id(to) + " [label=" + dot_string(label) + attributes + "];\n";
}

// A node's branches: an edge each to the node's children, which are drawn later, or to
// a point where no node is shown; on the last level drawn, one edge to a marker instead.
struct Pending {
    NodeId id;
    int64_t number;
    size_t level;
};

void add_branches(std::string& out, const Tree& tree, const Domain& domain, const Pending& at, size_t last_level,
                  const std::vector<Subtree>& subtrees, int64_t& next_number, std::vector<Pending>& pending) {
    const TreeNode& node = tree.node(at.id);
    const int64_t count = branches(node);
    if (at.level >= last_level) {
        const Subtree& below = subtrees[static_cast<size_t>(at.id)];
        const int64_t marker = next_number++;
        add_node(
            out, marker,
            "not drawn:\n" + counted(below.nodes - 1, "node", "nodes") + ", " + counted(below.leaves, "leaf", "leaves"),
            ", shape=note");
        add_edge(out, at.number, marker, counted(count, "branch", "branches"), ", style=dotted");
        return;
    }
    std::vector<Pending> children;
    for (int64_t b = 1; b <= count; ++b) {
        const std::string condition = node.data ? branch_condition(domain, *node.data, node.kind, b) : "";
        const NodeId child = tree.child(at.id, b);
        const int64_t number = next_number++;
        if (is_drawn(tree, child)) {
            children.push_back({child, number, at.level + 1});
        } else {
            out += "  " + graph_id(number) + " [shape=point];\n";
        }
        add_edge(out, at.number, number, condition);
    }
    // The first branch's subtree is written first.
    pending.insert(pending.end(), children.rbegin(), children.rend());
}

}  // namespace

std::string tree_graph(const Tree& tree, const Domain& domain, const GraphCaption& caption) {
    const Levels levels = count_levels(tree);
    const size_t last_level = last_branching_level(levels);
    const std::vector<Subtree> subtrees =
        last_level < levels.nodes.size() ? count_subtrees(tree) : std::vector<Subtree>{};

    std::string out = "digraph tree {\n  graph [rankdir=TB, ordering=out, labelloc=t, label=" + graph_label(caption) +
                      "];\n  node [shape=box];\n";
    int64_t next_number = 1;
    std::vector<Pending> pending;
    if (is_drawn(tree, tree.root)) pending.push_back({tree.root, next_number++, 0});
    while (!pending.empty()) {
        const Pending at = pending.back();
        pending.pop_back();
        const TreeNode& node = tree.node(at.id);
        if (node.kind == LEAF) {
            add_node(out, at.number, leaf_label(domain, node), leaf_style(node));
            continue;
        }
        add_node(out, at.number, test_label(domain, node));
        if (branches(node) > 0) add_branches(out, tree, domain, at, last_level, subtrees, next_number, pending);
    }
    return out + "}\n";
}

bool write_graph(const std::string& path, const std::string& graph) {
    File file = File::open(path, "w");
    if (!file) return false;
    const bool written = std::fwrite(graph.data(), 1, graph.size(), file.get()) == graph.size();
    return file.close() && written;
}

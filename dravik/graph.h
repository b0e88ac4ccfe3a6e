// The tree as a Graphviz graph in the DOT language, its leaves coloured by how the test
// set fared at them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "../common/Ci_instances.h"
#include "tree.h"

// Most nodes a graph holds. A larger tree keeps the top levels that fit, and each node
// on the last level kept that has branches gets one marker node for everything below it.
constexpr int64_t MAX_GRAPH_NODES = 2000;

// What the graph's own label says about the run.
struct GraphCaption {
    std::string dataset;
    TreeSummary summary;
    int32_t errors = 0;
    int64_t examples = 0;
};

// `text` as a double-quoted DOT string: quotes and backslashes escaped, line ends (LF,
// CR or CR LF) as "\n", other control characters but tab as U+FFFD, and every byte
// that does not belong to well-formed UTF-8 as the Latin-1 character of that byte.
std::string dot_string(std::string_view text);

// The same for the text of an HTML-like label: entities for & < > and quotes, <BR/>
// for line ends.
std::string dot_html_text(std::string_view text);

// The graph of the tree: one node per leaf and test node that the outline shows, one
// edge per branch; a branch to an empty entry or to a node of another kind ends in a
// point.
std::string tree_graph(const Tree& tree, const Domain& domain, const GraphCaption& caption);

// Writes `graph` to `path`; false when the file cannot be written in full.
bool write_graph(const std::string& path, const std::string& graph);

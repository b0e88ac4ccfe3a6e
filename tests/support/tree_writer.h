// Writers of tree files (".tree"), so that tests state a tree in a few readable lines:
//
//     const NodeFields test{.attribute = 1, .cut = 2.5, .class_dist = {0.5, 0.5}};
//     TreeFile tree;
//     tree.leaf(2, leaf_data({1, 0}, 5)).leaf(3, leaf_data({0, 1}, 4)).binary(1, test);
//     dir.write("set.tree", tree.bytes);
//
// Entries come in post-order, as the file holds them: a node's subtrees first, in child
// order, then the node itself.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "binary_writer.h"

// One node data record. Every field has a plain default, so a test sets only what it
// is about, with designated initializers.
struct NodeFields {
    int32_t attribute = 0;
    int16_t norvex = 0;
    double cut = 0.0;
    double lower = 0.0;
    double upper = 0.0;                  // then two numbers nothing uses, written as 0
    std::vector<double> class_dist{};    // entries 1..C
    std::vector<double> class_counts{};  // entries 0..C; C + 1 zeros when left empty
    int32_t nr_attributes = 0;
    double bayes_error = 0.0;
    double discrim_error = 0.0;
    std::vector<double> exemplars{};           // entries 1..n
    std::vector<std::vector<double>> coefs{};  // rows in order, each its columns in order
    int32_t nr_norvex_classes = 0;
    std::vector<StatsTable> stats{};  // written after the record exactly as given
    // Counts written in place of the ones the vectors give, for files a writer would
    // never produce (the rows above are still written as given).
    std::optional<int32_t> nr_exemplars{};
    std::optional<int32_t> nr_coefs{};
    std::optional<int32_t> nr_linears{};
};

// The bytes of one node data record.
std::string node_data(const NodeFields& fields);

// A plain leaf: its class distribution, and class counts of `weight` times it with the
// total first.
NodeFields leaf_data(const std::vector<double>& class_dist, double weight = 1.0);

// A whole tree file: the magic line, then node entries appended in post-order.
struct TreeFile {
    std::string bytes = std::string("Brenx\n", 7);

    // A node entry of any kind: kind, number, child count, then its data record.
    TreeFile& node(int32_t kind, int32_t number, int32_t nr_children, const NodeFields& data);
    TreeFile& leaf(int32_t number, const NodeFields& data) { return node(0, number, 0, data); }
    // A binary test over the two entries before it.
    TreeFile& binary(int32_t number, const NodeFields& data) { return node(2, number, 2, data); }
    // An empty entry: an absent child.
    TreeFile& empty();
};

// A tree over outlook (sunny, overcast, rain), humidity (continuous) and two classes with
// every node kind and model; see tree_writer.cpp.
std::string every_kind_tree();

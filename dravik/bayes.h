// Naive-Bayes and Norvex models of tree nodes.
#pragma once

#include <cstdint>
#include <vector>

// The classes a node's Norvex model covers: classes 1..C, in class order, whose weight in
// `class_counts` is at least KH times the node's attribute count. Position j of the model
// is entry j - 1 of the result.
std::vector<int> modelled_classes(const std::vector<double>& class_counts, int nr_classes, int32_t nr_attributes);

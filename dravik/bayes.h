// Naive-Bayes and Norvex models of tree nodes.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "../common/Ci_instances.h"
#include "../common/distributions.h"
#include "data.h"

// The classes a node's Norvex model covers: classes 1..C, in class order, whose weight in
// `class_counts` is at least KH times the node's attribute count. Position j of the model
// is entry j - 1 of the result.
std::vector<int> modelled_classes(const std::vector<double>& class_counts, int nr_classes, int32_t nr_attributes);

// Class number of model position i among `modelled`: 1 when C < 1, C + 1 when fewer than
// i classes are modelled.
int class_at_position(const std::vector<int>& modelled, int64_t i, int nr_classes);

// A model over k positions keeps its vectors only as long as a position can be nonzero:
// k entries when the node has coefficients, else only the modelled classes among the k
// positions. Entries past the end of such a vector are 0.

// Naive-Bayes evidence E[j]: the sum over the domain's discrete attributes of the log of
// the estimated probability of the example's value in the class at position j (j <= k).
// Null when no attribute-class pair was evaluated.
std::optional<std::vector<double>> bayes_classify_example(const Domain& domain, const Instance& example,
                                                          const std::vector<double>& class_counts,
                                                          const ClassStats& stats, int32_t nr_attributes, int64_t k);

// Answer R[1..k] of the node's Norvex model over its modelled classes (naive Bayes, the
// node's linear model, or both weighted by their estimated accuracy); null when the node
// has neither.
std::optional<std::vector<double>> NorvexClassifyExample(const Domain& domain, const Instance& example,
                                                         const NodeData& data, int64_t k);

// Runs the model at an inner node: appends R[1..k] to the example at J+1..J+k and returns
// the first position with the largest probability, or 0 (example unchanged) without an answer.
int Norvex_classify_teste_example(const Domain& domain, Instance& example, const NodeData& data, int64_t k);

// Answer of a Norvex leaf over all classes 1..C: the model's probability for modelled
// classes, 0 for the others; all zero when the model has no answer.
std::vector<double> Norvex_Leaf(const Domain& domain, const Instance& example, const NodeData& data, int64_t k);

// Resizes the example to J+K attributes and stores values[1..K] at J+1..J+K as known reals
// (0 for entries past the end of `values`). Leaves the example as it was when the size is
// out of reach or memory cannot be had.
void extend_example(Instance& example, int32_t nr_attributes, const std::vector<double>& values, int64_t count);

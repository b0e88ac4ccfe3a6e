// Classification of examples with a stored tree.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "../common/Ci_instances.h"
#include "../common/distributions.h"
#include "../common/utils.h"
#include "tree.h"

// A class-probability vector: reals indexed 1..C (entry 0 unused); nothing means no answer.
using ClassProbs = std::optional<std::vector<double>>;

// Classifies every example, writes the predictions file and counts the errors (and,
// when asked, the examples given no answer); the confusion matrix [predicted][observed],
// or nothing for an empty example set. Exemplar numbers of nearest-neighbour leaves
// index `exemplar_set` (may be `examples`).
std::optional<IMatrix> classify(CiDataset& examples, const CiDataset& exemplar_set, Tree& tree, int32_t& errors,
                                int32_t* not_classified = nullptr);

// Answer of the subtree under `node` for one example; derived attributes are appended
// to the example and the leaves' test counters updated on the way.
ClassProbs classify_example(const Domain& domain, const CiDataset& exemplar_set, Tree& tree, NodeId node,
                            Instance& example);

// ---- Nearest-neighbour leaves -----------------------------------------------------------

// One entry of a neighbour list: the exemplar's class and its distance to the example.
struct Neighbour {
    double class_number = 0.0;
    double distance = 0.0;
};

// Inserts (distance, class) into `list` (entries 1..list.size()-1, sorted by increasing
// distance; `count` of them filled) after every entry at a distance not greater than
// `distance`; the last entry drops off a full list. Returns the new count.
int insert_knn(std::vector<Neighbour>& list, int count, double distance, double class_number);

// Distance between an exemplar and the example over the positions 1..J: value differences
// from the statistics' class weights for discrete attributes, range-scaled differences for
// continuous ones, raw differences for derived ones; divided by the exemplar's weight.
double distance(const Domain& domain, const ClassStats& stats, const Instance& exemplar, const Instance& example,
                int32_t nr_attributes, double nr_exemplars);

// Answer of a nearest-neighbour leaf: the even average of the KNN nearest exemplars'
// vote (each weighted by e^-distance) and the leaf's own distribution. Exemplar numbers
// outside the exemplar set are passed over.
std::vector<double> classify_exampleKnn(const Domain& domain, const CiDataset& exemplar_set,
                                        const std::vector<double>& exemplars, const ClassStats& stats,
                                        int32_t nr_exemplars, int32_t nr_attributes, const Instance& example,
                                        const std::vector<double>& class_dist);

// Nearest-neighbour leaves: distances between examples and a leaf's stored exemplars,
// the neighbour list and the distance-weighted vote.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "../common/Ci_instances.h"
#include "../common/distributions.h"
#include "data.h"
#include "discrim.h"

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

// A leaf's exemplars and statistics laid out for the distance loop, which runs attribute
// by attribute over all exemplars. The exemplars' values at positions that no model
// changes are gathered once; derived values, which classifying an exemplar appends, are
// read from the exemplar at each use.
struct NeighbourLeaf {
    // One position with a table: how it adds to the distance.
    struct Term {
        enum class Kind : uint8_t { Discrete, Continuous, Derived };
        Kind kind = Kind::Continuous;
        int32_t attribute = 0;
        const LabelReader* labels = nullptr;      // Discrete
        int columns = 0;                          // Discrete: label columns; column `columns` reads zeros
        size_t cells = 0;                         // Discrete: class c of column v at cells + v * C + c - 1
        double mean = 0.0, min = 0.0, max = 0.0;  // row 0 of the table
        // Where the exemplars' values are: `gathered` once for the run, or read from the
        // exemplars into `live` at each evaluation.
        bool gathered = false;
        size_t column = 0;
    };
    struct Exemplar {
        int32_t number = 0;  // position in the leaf's list, as traced
        const Instance* instance = nullptr;
    };
    int nr_classes = 0;
    int32_t neighbours = 0;     // the nearest exemplars that vote
    double nr_exemplars = 0.0;  // N, which scales the discrete differences
    std::vector<Term> terms;
    std::vector<double> cells;
    std::vector<Exemplar> exemplars;  // those that name an example of the set, in list order
    // Exemplar e's value for a term at column * exemplars.size() + e: the label column of
    // a discrete value, the value (or the training mean) of a continuous one.
    std::vector<int32_t> gathered_labels;
    std::vector<double> gathered_reals;
    size_t live_labels = 0, live_reals = 0;  // columns read at each evaluation
};

// Working vectors of the vote, shared by every leaf of a run.
struct NeighbourScratch {
    std::vector<Neighbour> list;
    std::vector<double> sums;
    std::vector<int32_t> live_labels;
    std::vector<double> live_reals;
    std::vector<int32_t> example_labels;
    std::vector<double> example_reals;
    std::vector<double> squares;  // per discrete cell, its squared difference from the example's
};

// Lays out a leaf with statistics. Positions 1..`stable` never change during the run;
// up to `budget` exemplar values are gathered (the budget is reduced by what is used).
NeighbourLeaf neighbour_leaf(const Domain& domain, const LabelReaders& labels, const CiDataset& exemplar_set,
                             const NodeData& data, int32_t stable, size_t& budget);

// The leaf's answer into out[0..C]: the even average of the leaf's nearest exemplars' vote
// (each weighted by e^-distance) and the leaf's own distribution.
void classify_exampleKnn(const NeighbourLeaf& leaf, const Instance& example, const std::vector<double>& class_dist,
                         NeighbourScratch& scratch, std::span<double> out);

// Linear models of tree nodes: class scores and probabilities from a node's coefficient
// matrix, and the derived attributes they add to an example.
#pragma once

#include <cstdint>
#include <vector>

#include "../common/Ci_instances.h"
#include "../common/distributions.h"
#include "../common/utils.h"

// ---- Reading an example's values ------------------------------------------------------

// The value at position a when the example holds a known one there; null for an unknown
// or don't-care value and for a position the example does not hold.
const AttVal* known_value(const Instance& example, int32_t a);

// Label number of a discrete value: the label index (NOMINAL, ORDERED), the label that
// spells the integer (INTEGER, 0 when none does), 0 for a value not known.
int label_number(const Domain& domain, int32_t a, const AttVal* value);

// Cell [row][column] of the table of position a; 0 where the table or the cell does not exist.
double stats_cell(const ClassStats& stats, int32_t a, int row, int column);

// ---- Linear models ----------------------------------------------------------------------

// Scores of the K classes of the model (the last one, the reference, scores 0), or with
// `probabilities` set their probabilities: differences from the best score, floored at
// -60, exponentiated and normalised. Unknown inputs take the training mean from `stats`.
std::vector<double> discrim_classify_example(const Domain& domain, const Instance& example, const DMatrix& coefs,
                                             const ClassStats& stats, int32_t nr_attributes, int nr_classes,
                                             bool probabilities);

// Probabilities of the model's K classes, appended to the example at positions J+1..J+K;
// `predicted` receives the first position with the largest probability.
std::vector<double> project_example(const Domain& domain, Instance& example, const DMatrix& coefs,
                                    const ClassStats& stats, int32_t nr_attributes, int nr_classes, int& predicted);

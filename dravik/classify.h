// Classification of examples with a stored tree.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "../common/Ci_instances.h"
#include "../common/block_pipeline.h"
#include "../common/distributions.h"
#include "../common/probabilities.h"
#include "../common/utils.h"
#include "class_probs.h"
#include "engine.h"
#include "neighbours.h"
#include "tree.h"

// What a classification of a test set counts besides its errors.
struct ClassifyTally {
    int32_t not_classified = 0;     // examples the tree gave no answer
    bool predictions_lost = false;  // the predictions file was opened but did not take every line
    LeafTally leaves;               // the test counts of every leaf
};

// Classifies every example, writes the predictions file and counts the errors (and,
// when asked, fills `tally`); the confusion matrix [predicted][observed], or nothing for
// an empty example set. When `probabilities` is given, each example's row of the class
// probabilities file is written to it, and the labelled examples' probabilities are added to
// `figures` when it is given. Exemplar numbers of nearest-neighbour leaves index
// `exemplar_set` (may be `examples`).
std::optional<IMatrix> classify(CiDataset& examples, const CiDataset& exemplar_set, const Tree& tree, int32_t& errors,
                                ClassifyTally* tally = nullptr, std::FILE* probabilities = nullptr,
                                ProbabilityFigures* figures = nullptr);

// A classifier of example blocks for one worker, with its own workspace: the class of
// largest weight of each example's answer (0 for none), and the `outputs` asked for. It
// keeps references to its arguments.
BlockClassifier tree_block_classifier(const CompiledTree& tree, Workspace& work, const BlockOutputs& outputs = {});

// Hands the example's answer, or none, to the sinks of its class probabilities.
void record_answer_probabilities(const ProbabilitySinks& sinks, const Domain& domain, const Instance& example,
                                 const AnswerView& answer, std::vector<double>& scratch);

// Answer of the subtree under `node` for one example; derived attributes are appended
// to the example on the way.
ClassProbs classify_example(const Domain& domain, const CiDataset& exemplar_set, const Tree& tree, NodeId node,
                            Instance& example);

// "Example N Observed C Not Classified" on standard error, "?" for the class of an
// unlabelled example.
void say_not_classified(long number, int observed);

// A copy of the tree whose leaves carry the test counts of `tally`, for the displays that
// show them.
Tree with_test_counts(const Tree& tree, const LeafTally& tally);

// Naive-Bayes and Norvex models of tree nodes. A model is resolved once against the
// domain: its modelled classes, the log of every estimate its tables can give and its
// linear part, so that evaluating an example only adds and indexes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "../common/Ci_instances.h"
#include "../common/distributions.h"
#include "Combine.h"
#include "data.h"
#include "discrim.h"

// The classes a node's Norvex model covers: classes 1..C, in class order, whose weight in
// `class_counts` is at least KH times the node's attribute count. Position j of the model
// is entry j - 1 of the result.
std::vector<int> modelled_classes(const std::vector<double>& class_counts, int nr_classes, int32_t nr_attributes);

// Class number of model position i among `modelled`: 1 when C < 1, C + 1 when fewer than
// i classes are modelled.
int class_at_position(const std::vector<int>& modelled, int64_t i, int nr_classes);

// A node's Norvex model over k positions. Its vectors hold only the positions that can be
// nonzero: the modelled classes among the first k (naive Bayes), as many as the
// coefficient rows score (linear part); entries past the end of a vector count as 0.
struct NorvexModel {
    // A discrete domain attribute of the naive-Bayes part: the log of the estimated
    // probability of each label column for each position, log_estimates[first + v * P + j - 1]
    // for v in 0..columns - 1; columns past those use the row at `outside`.
    struct Discrete {
        int32_t attribute = 0;
        const LabelReader* labels = nullptr;
        int columns = 0;
        size_t first = 0;
        size_t outside = 0;
    };
    int64_t k = 0;
    std::vector<int> classes;   // every modelled class
    int positions = 0;          // P: modelled classes among the first k positions
    bool has_evidence = false;  // statistics and at least one attribute-class pair
    std::vector<Discrete> discrete;
    std::vector<double> log_estimates;
    std::vector<double> log_priors;  // position j at j - 1
    double bayes_weight = 0.0;       // 1 - the naive-Bayes error
    double discrim_weight = 0.0;     // 1 - the linear part's error
    std::optional<LinearModel> linear;
    double bayes_error = 0.0, discrim_error = 0.0;  // as traced
    size_t scored = 0;                              // entries of the linear part's answer
};

// The working vectors of one evaluation of a model: each thread that evaluates it has its own.
struct NorvexWork {
    std::vector<double> evidence, bayes, scores, answer;
    bool warns = true;  // the warning of a model whose classes differ from its count, at each example
};

// Working vectors sized for `model`.
NorvexWork norvex_work_of(const NorvexModel& model);

// Resolves the Norvex model of a node's data over k positions.
NorvexModel norvex_model(const Domain& domain, const LabelReaders& labels, const NodeData& data, int64_t k);

// The model's answer R[1..k] over its modelled classes (naive Bayes, the linear part, or
// both weighted by their estimated accuracy), held in `work` until its next evaluation;
// nothing when it has neither part.
AnswerView norvex_answer(const NorvexModel& model, NorvexWork& work, const Instance& example);

// Runs the model at an inner node: appends R[1..k] to the example at J+1..J+k and returns
// the first position with the largest probability, or 0 (example unchanged) without an answer.
int Norvex_classify_teste_example(const NorvexModel& model, NorvexWork& work, Instance& example, int32_t nr_attributes);

// Answer of a Norvex leaf over all classes 1..C into out[0..C]: the model's probability
// for modelled classes, 0 for the others; all zero when the model has no answer.
void Norvex_Leaf(const NorvexModel& model, NorvexWork& work, const Instance& example, std::span<double> out);

// The model answer for one example, resolved from the node's data at the call.
std::optional<std::vector<double>> NorvexClassifyExample(const Domain& domain, const Instance& example,
                                                         const NodeData& data, int64_t k);

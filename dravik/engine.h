// The descent of examples through a stored tree: the tree compiled once for a run, its
// models resolved against the domain; the working state of each thread that classifies;
// and the leaves' test counts, which the run keeps apart from the tree.
#pragma once

#include <cstdint>
#include <vector>

#include "../common/Ci_instances.h"
#include "bayes.h"
#include "class_probs.h"
#include "discrim.h"
#include "neighbours.h"
#include "settings.h"
#include "tree.h"

// How many test examples reached a leaf, and how many of them it misclassified.
struct LeafCount {
    int32_t cases = 0;
    int32_t errors = 0;
};
// The counts of every leaf, by node id.
using LeafTally = std::vector<LeafCount>;

// What the descent does at one node, decided once before the first example.
struct NodePlan {
    enum class Model : uint8_t { None, Norvex, Linear };
    enum class Leaf : uint8_t { Distribution, Norvex, Neighbours };
    Model model = Model::None;
    Leaf leaf = Leaf::Distribution;
    bool continuous_test = false;  // a binary test reads the value as a real, else as its integer
    int32_t index = -1;            // of the node's model, or of its leaf model
    size_t answer = 0;             // offset of the node's own answer vector in Engine::answers
};

// The tree and its models, resolved once; read by every thread of a run and changed by none.
struct CompiledTree {
    const Domain& domain;
    const CiDataset& exemplar_set;
    const Tree& tree;
    int nr_classes;
    int32_t neighbours;  // voting at nearest-neighbour leaves; 0 switches them off
    LabelReaders labels;
    std::vector<NodePlan> plans;
    std::vector<NorvexModel> norvex_models;
    std::vector<LinearModel> linear_models;
    std::vector<NeighbourLeaf> neighbour_leaves;
    size_t answer_slots = 0;  // entries of a workspace's answer vectors

    // Exemplar numbers of nearest-neighbour leaves index `exemplars`, which are read only
    // here; `voting` neighbours vote at those leaves (by default -K).
    CompiledTree(const Domain& d, const CiDataset& exemplars, const Tree& t, int32_t voting = KNN);

    // Whether classifying an example with this tree prints nothing and reads no other
    // example: no leaf votes with exemplars, and no Norvex model covers other than its
    // declared number of classes (such a model warns at each example).
    bool self_contained() const;
};

// What one thread needs to classify examples: the answer vector of every node that
// computes one, the models' working vectors, and its own test counts of the leaves.
struct Workspace {
    explicit Workspace(const CompiledTree& tree);

    std::span<double> answer_of(const NodePlan& plan, int nr_classes) {
        return {answers.data() + plan.answer, static_cast<size_t>(nr_classes) + 1};
    }

    std::vector<double> answers;
    std::vector<double> linear_probabilities;  // a linear node's, used up before its children run
    std::vector<NorvexWork> norvex_work;       // one per Norvex model
    NeighbourScratch neighbour_scratch;
    LeafTally tally;
};

// Answer of the subtree under `node` for one example, derived attributes appended to it
// on the way; nothing when the tree gives none.
AnswerView descend(const CompiledTree& tree, Workspace& work, NodeId node, Instance& example);

// Room for the derived values the tree's models can append past the domain's attributes,
// to be given to every example before the first is classified; 0 for a tree that claims
// far more than its domain, whose examples then grow as far as the descent takes them.
int derived_room(const Tree& tree, const Domain& domain);

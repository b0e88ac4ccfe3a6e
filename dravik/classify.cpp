// Tree descent and the classification of a test set with its predictions file.
#include "classify.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "../common/file.h"
#include "Combine.h"
#include "bayes.h"
#include "discrim.h"
#include "neighbours.h"
#include "settings.h"

namespace {

using Vector = std::vector<double>;

int class_count(const Domain& domain) { return std::max(domain.nr_classes(), 0); }

double entry(std::span<const double> v, int c) {
    return c >= 0 && static_cast<size_t>(c) < v.size() ? v[static_cast<size_t>(c)] : 0.0;
}

// ---- The tree resolved for one run ------------------------------------------------------

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

// The tree, its models resolved against the domain, and the working vectors of the
// descent. Every node that computes an answer has a vector of its own: a node's answer
// stays valid while its siblings are classified, since they never reach it.
struct Engine {
    const Domain& domain;
    const CiDataset& exemplar_set;
    Tree& tree;
    int nr_classes;
    LabelReaders labels;
    std::vector<NodePlan> plans;
    std::vector<NorvexModel> norvex_models;
    std::vector<LinearModel> linear_models;
    std::vector<NeighbourLeaf> neighbour_leaves;
    std::vector<double> answers;
    std::vector<double> linear_probabilities;  // a linear node's, used up before its children run
    NeighbourScratch neighbour_scratch;

    Engine(const Domain& d, const CiDataset& exemplars, Tree& t);

    std::span<double> answer_of(const NodePlan& plan) {
        return {answers.data() + plan.answer, static_cast<size_t>(nr_classes) + 1};
    }
};

// The nearest-neighbour gate: neighbours asked for, more exemplars than the larger of
// MINIMUM_EXAMPLES and KNN, statistics to measure distances with, and a leaf whose
// training weight outside its majority class exceeds that bound.
bool uses_neighbours(const NodeData& data, int nr_classes) {
    if (KNN <= 0 || data.exemplars.empty() || !data.stats) return false;
    const int32_t bound = std::max(MINIMUM_EXAMPLES, KNN);
    if (data.nr_exemplars <= bound) return false;
    const int majority = dmajority(data.class_counts, nr_classes);
    return entry(data.class_counts, 0) > entry(data.class_counts, majority) + bound;
}

// Positions that no model of the tree writes or drops: a model appends after its node's
// attribute space, which the tree checks keep at or above the domain's attributes.
int32_t stable_positions(const Tree& tree, const Domain& domain) {
    int32_t stable = domain.nr_attributes;
    for (const TreeNode& node : tree.nodes) {
        if (node.kind == LEAF || !node.data) continue;
        const NodeData& d = *node.data;
        if (d.nr_norvex_classes != 0 || (d.coefs && d.stats)) stable = std::min(stable, std::max(d.nr_attributes, 0));
    }
    return stable;
}

// At most as many gathered exemplar values as the exemplar set holds, and a little more.
size_t gather_budget(const CiDataset& exemplar_set) {
    return (size_t{1} << 22) + static_cast<size_t>(std::max(exemplar_set.nr_instances, 0)) *
                                   static_cast<size_t>(std::max(exemplar_set.domain.nr_attributes, 0) + 1);
}

Engine::Engine(const Domain& d, const CiDataset& exemplars, Tree& t)
    : domain(d), exemplar_set(exemplars), tree(t), nr_classes(class_count(d)), labels(d) {
    const int32_t stable = stable_positions(tree, domain);
    size_t budget = gather_budget(exemplar_set);
    size_t answer_slots = 0;
    plans.resize(tree.nodes.size());
    for (size_t id = 0; id < tree.nodes.size(); ++id) {
        const TreeNode& node = tree.nodes[id];
        NodePlan& plan = plans[id];
        if (!node.data) continue;
        const NodeData& data = *node.data;
        bool computes_answer = node.kind == MULTIWAY || node.kind == BINARY || node.kind == BINARY_LINEAR;
        if (node.kind == LEAF) {
            if (data.norvex) {
                const int64_t k = data.nr_norvex_classes >= 1 ? data.nr_norvex_classes : int64_t{data.nr_linears} + 1;
                plan.leaf = NodePlan::Leaf::Norvex;
                plan.index = static_cast<int32_t>(norvex_models.size());
                norvex_models.push_back(norvex_model(domain, labels, data, k));
                computes_answer = true;
            } else if (uses_neighbours(data, nr_classes)) {
                plan.leaf = NodePlan::Leaf::Neighbours;
                plan.index = static_cast<int32_t>(neighbour_leaves.size());
                neighbour_leaves.push_back(neighbour_leaf(domain, labels, exemplar_set, data, stable, budget));
                computes_answer = true;
            }
        } else if (data.nr_norvex_classes != 0) {
            plan.model = NodePlan::Model::Norvex;
            plan.index = static_cast<int32_t>(norvex_models.size());
            norvex_models.push_back(norvex_model(domain, labels, data, data.nr_norvex_classes));
        } else if (data.coefs && data.stats) {
            plan.model = NodePlan::Model::Linear;
            plan.index = static_cast<int32_t>(linear_models.size());
            linear_models.push_back(
                linear_model(domain, *data.coefs, *data.stats, data.nr_attributes, data.nr_linears + 1));
        }
        plan.continuous_test = data.attribute > domain.nr_attributes ||
                               (data.attribute >= 1 && position_type(domain, data.attribute) == CONTINUOUS);
        if (computes_answer) {
            plan.answer = answer_slots;
            answer_slots += static_cast<size_t>(nr_classes) + 1;
        }
    }
    answers.assign(answer_slots, 0.0);
}

// ---- Descent ----------------------------------------------------------------------------
// The helpers below are kept out of line so that each level of the recursion costs only
// the small frames of descend and one branch helper.

AnswerView descend(Engine& engine, NodeId id, Instance& example);

// Answer of child b of a node, none when there is no such child.
AnswerView child_answer(Engine& engine, NodeId id, int64_t b, Instance& example) {
    const NodeId child = engine.tree.child(id, b);
    if (child == NO_NODE) return std::nullopt;
    return descend(engine, child, example);
}

// Child b's answer, or the node's own distribution when it gives none.
AnswerView child_answer_or_dist(Engine& engine, NodeId id, int64_t b, Instance& example) {
    const AnswerView answer = child_answer(engine, id, b, example);
    if (answer) return answer;
    return std::span<const double>(engine.tree.node(id).data->class_dist);
}

// Runs the node's model, which appends its class probabilities to the example; the
// position it predicts, 0 without a model or an answer.
[[gnu::noinline]] int run_node_model(Engine& engine, const NodePlan& plan, const NodeData& data, Instance& example) {
    switch (plan.model) {
        case NodePlan::Model::Norvex:
            return Norvex_classify_teste_example(engine.norvex_models[static_cast<size_t>(plan.index)], example,
                                                 data.nr_attributes);
        case NodePlan::Model::Linear: {
            const LinearModel& model = engine.linear_models[static_cast<size_t>(plan.index)];
            Vector& p = engine.linear_probabilities;
            p.resize(static_cast<size_t>(model.nr_classes) + 1);
            linear_answer(model, example, true, p);
            extend_example(example, data.nr_attributes, p, model.nr_classes);
            return dmajority(p, model.nr_classes);
        }
        default:
            return 0;
    }
}

// Adds the entries 1..C of an answer into `sum`; no answer adds nothing.
void add_answer(std::span<double> sum, const AnswerView& answer, int nr_classes) {
    if (!answer) return;
    for (int c = 1; c <= nr_classes; ++c) sum[static_cast<size_t>(c)] += entry(*answer, c);
}

// An unknown value at a multi-way test: the sum of every child's answer, normalised.
[[gnu::noinline]] AnswerView mix_all_children(Engine& engine, NodeId id, const NodePlan& plan, Instance& example) {
    const std::span<double> sum = engine.answer_of(plan);
    std::fill(sum.begin(), sum.end(), 0.0);
    const TreeNode& node = engine.tree.node(id);
    for (int64_t b = std::max(1, node.first_child); b <= node.nr_children; ++b)
        add_answer(sum, child_answer(engine, id, b, example), engine.nr_classes);
    normalise(sum, engine.nr_classes);
    return sum;
}

[[gnu::noinline]] AnswerView multiway_answer(Engine& engine, NodeId id, const NodePlan& plan, Instance& example,
                                             int predicted) {
    const NodeData& data = *engine.tree.node(id).data;
    if (data.norvex) {
        // Class-routed: the branch is the model's predicted position; its answer as it is.
        if (engine.tree.child(id, predicted) == NO_NODE) return std::span<const double>(data.class_dist);
        return child_answer(engine, id, predicted, example);
    }
    const AttVal* value = known_value(example, data.attribute);
    if (value == nullptr) return mix_all_children(engine, id, plan, example);
    // 0 for a value that names no branch (a type without labels, an integer not among them).
    const int branch = engine.labels.at(data.attribute).label(value);
    return child_answer_or_dist(engine, id, branch, example);
}

// Both branches for an unknown value: their sum, normalised.
AnswerView mix_both_children(Engine& engine, NodeId id, const NodePlan& plan, Instance& example) {
    const std::span<double> sum = engine.answer_of(plan);
    std::fill(sum.begin(), sum.end(), 0.0);
    add_answer(sum, child_answer(engine, id, 1, example), engine.nr_classes);
    add_answer(sum, child_answer(engine, id, 2, example), engine.nr_classes);
    normalise(sum, engine.nr_classes);
    return sum;
}

// A value inside the soft band: both branches, weighted by the value's closeness.
AnswerView mix_band(Engine& engine, NodeId id, const NodePlan& plan, Instance& example, double v) {
    const AnswerView first = child_answer(engine, id, 1, example);
    const AnswerView second = child_answer(engine, id, 2, example);
    const NodeData& data = *engine.tree.node(id).data;
    const double w1 = 1 - (v - data.lower) / (data.upper - data.lower);
    const double w2 = 1 - (data.upper - v) / (data.upper - data.lower);
    if (TRACE > 0) std::printf("Classify: Value %f in limits [%f (%f) %f (%f)]\n", v, data.lower, w1, data.upper, w2);
    const std::span<double> out = engine.answer_of(plan);
    mix_weighted(out, engine.nr_classes, w2, second, w1, first);
    return out;
}

[[gnu::noinline]] AnswerView binary_answer(Engine& engine, NodeId id, const NodePlan& plan, Instance& example) {
    const NodeData& data = *engine.tree.node(id).data;
    const AttVal* value = known_value(example, data.attribute);
    if (value == nullptr) return mix_both_children(engine, id, plan, example);
    const double v = plan.continuous_test ? value->value : static_cast<double>(value->int_value());
    if (v <= data.lower) return child_answer_or_dist(engine, id, 1, example);
    if (v >= data.upper) return child_answer_or_dist(engine, id, 2, example);
    // Strictly inside the band, or a NaN value or limit.
    return mix_band(engine, id, plan, example, v);
}

[[gnu::noinline]] AnswerView leaf_answer(Engine& engine, const NodePlan& plan, NodeData& data,
                                         const Instance& example) {
    AnswerView answer;
    switch (plan.leaf) {
        case NodePlan::Leaf::Norvex: {
            const std::span<double> out = engine.answer_of(plan);
            Norvex_Leaf(engine.norvex_models[static_cast<size_t>(plan.index)], example, out);
            answer = out;
            break;
        }
        case NodePlan::Leaf::Neighbours: {
            const std::span<double> out = engine.answer_of(plan);
            classify_exampleKnn(engine.neighbour_leaves[static_cast<size_t>(plan.index)], example, data.class_dist,
                                engine.neighbour_scratch, out);
            answer = out;
            break;
        }
        default:
            answer = std::span<const double>(data.class_dist);
    }
    ++data.test_cases;
    if (dmajority(*answer, engine.nr_classes) != example.class_value) ++data.test_errors;
    return answer;
}

AnswerView descend(Engine& engine, NodeId id, Instance& example) {
    TreeNode& node = engine.tree.node(id);
    if (!node.data) return std::nullopt;
    const NodePlan& plan = engine.plans[static_cast<size_t>(id)];
    if (node.kind == LEAF) return leaf_answer(engine, plan, *node.data, example);
    const int predicted = run_node_model(engine, plan, *node.data, example);
    switch (node.kind) {
        case MULTIWAY:
            return multiway_answer(engine, id, plan, example, predicted);
        case BINARY:
        case BINARY_LINEAR:
            return binary_answer(engine, id, plan, example);
        default:
            return std::nullopt;
    }
}

}  // namespace

// ---- Public entry points ----------------------------------------------------------------

ClassProbs classify_example(const Domain& domain, const CiDataset& exemplar_set, Tree& tree, NodeId id,
                            Instance& example) {
    Engine engine(domain, exemplar_set, tree);
    const AnswerView answer = descend(engine, id, example);
    if (!answer) return std::nullopt;
    return Vector(answer->begin(), answer->end());
}

// ---- Test-set classification --------------------------------------------------------------

namespace {

File open_predictions(const Domain& domain) {
    const std::string path = SetPathName(PREDICT_PATH, domain.name, ".pred");
    File file = File::open(path, "w");
    if (!file) std::fprintf(stderr, "Can not open file %s\n", path.c_str());
    return file;
}

const char* class_label(const Domain& domain, int c) {
    if (c < 1 || c > class_count(domain)) return "?";
    return LblValId(domain, domain.nr_attributes + 1, c).c_str();
}

// The predictions file, written a large block at a time: one line per example. The block
// grows as lines come, so that a small test set costs a small one.
class PredictionWriter {
public:
    PredictionWriter(const Domain& domain, File file) : file_(std::move(file)) {
        for (int c = 0; c <= class_count(domain); ++c) lines_.push_back(std::string(class_label(domain, c)) + '\n');
    }
    PredictionWriter(const PredictionWriter&) = delete;
    PredictionWriter& operator=(const PredictionWriter&) = delete;
    ~PredictionWriter() { close(); }

    // The label of class c (1..C), or "?" for no class.
    void write(int c) {
        if (!file_) return;
        const std::string& line = lines_[c >= 1 && static_cast<size_t>(c) < lines_.size() ? static_cast<size_t>(c) : 0];
        buffer_ += line;
        if (buffer_.size() >= BLOCK) flush();
    }

    // Writes what is left and closes the file; false when an open file did not take every
    // line (a full disk, say).
    bool close() {
        if (!file_) return true;
        flush();
        return file_.close() && !failed_;
    }

private:
    static constexpr size_t BLOCK = size_t{1} << 20;
    void flush() {
        if (file_ && !buffer_.empty() && std::fwrite(buffer_.data(), 1, buffer_.size(), file_.get()) != buffer_.size())
            failed_ = true;
        buffer_.clear();
    }
    File file_;
    std::vector<std::string> lines_;  // entry 0: "?"
    std::string buffer_;
    bool failed_ = false;
};

// Reports one example's answer: verbose line, prediction line, confusion matrix, errors.
void record_answer(const Domain& domain, long number, const Instance& example, const AnswerView& answer,
                   PredictionWriter& predictions, IMatrix& confusion, int32_t& errors) {
    if (!answer) {
        std::fprintf(stderr, "\nExample %ld Observed %d Not Classified", number, example.class_value);
        predictions.write(0);
        return;
    }
    const int nr_classes = class_count(domain);
    const int predicted = dmajority(*answer, nr_classes);
    if (VERBOSITY > 2) {
        std::printf("Example %ld Observed %s Classified %s \t[ ", number, class_label(domain, example.class_value),
                    class_label(domain, predicted));
        for (int c = 1; c <= nr_classes; ++c) std::printf("%.3f ", entry(*answer, c));
        std::printf("]\n");
    }
    predictions.write(predicted);
    if (predicted != example.class_value) ++errors;
    if (confusion.contains(predicted, example.class_value)) ++confusion.at(predicted, example.class_value);
}

}  // namespace

std::optional<IMatrix> classify(CiDataset& examples, const CiDataset& exemplar_set, Tree& tree, int32_t& errors,
                                ClassifyTally* tally) {
    errors = 0;
    if (tally) *tally = ClassifyTally{};
    if (examples.nr_instances < 1) return std::nullopt;
    const Domain& domain = examples.domain;
    const int nr_classes = class_count(domain);
    IMatrix confusion(1, nr_classes, 1, nr_classes);
    PredictionWriter predictions(domain, open_predictions(domain));
    Engine engine(domain, exemplar_set, tree);
    const auto last =
        static_cast<int>(std::min<int64_t>(examples.nr_instances, static_cast<int64_t>(examples.instances.size()) - 1));
    for (int i = 1; i <= last; ++i) {
        Instance& example = examples.instances[static_cast<size_t>(i)];
        const AnswerView answer = tree.root == NO_NODE ? std::nullopt : descend(engine, tree.root, example);
        record_answer(domain, i, example, answer, predictions, confusion, errors);
        if (!answer && tally) ++tally->not_classified;
    }
    const bool written = predictions.close();
    if (tally) tally->predictions_lost = !written;
    return confusion;
}

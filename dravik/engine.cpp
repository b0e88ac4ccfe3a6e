// The tree compiled for a run, the workspaces of its threads, and the descent.
#include "engine.h"

#include <algorithm>
#include <cstdio>

#include "Combine.h"
#include "settings.h"

namespace {

using Vector = std::vector<double>;

int class_count(const Domain& domain) { return std::max(domain.nr_classes(), 0); }

double entry(std::span<const double> v, int c) {
    return c >= 0 && static_cast<size_t>(c) < v.size() ? v[static_cast<size_t>(c)] : 0.0;
}

// The nearest-neighbour gate: neighbours asked for, more exemplars than the larger of
// MINIMUM_EXAMPLES and the neighbours, statistics to measure distances with, and a leaf
// whose training weight outside its majority class exceeds that bound.
bool uses_neighbours(const NodeData& data, int nr_classes, int32_t neighbours) {
    if (neighbours <= 0 || data.exemplars.empty() || !data.stats) return false;
    const int32_t bound = std::max(MINIMUM_EXAMPLES, neighbours);
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
        const NodeModels m = models_of(node);
        if (m.norvex || m.linear) stable = std::min(stable, std::max(node.data->nr_attributes, 0));
    }
    return stable;
}

// At most as many gathered exemplar values as the exemplar set holds, and a little more.
size_t gather_budget(const CiDataset& exemplar_set) {
    return (size_t{1} << 22) + static_cast<size_t>(std::max(exemplar_set.nr_instances, 0)) *
                                   static_cast<size_t>(std::max(exemplar_set.domain.nr_attributes, 0) + 1);
}

}  // namespace

CompiledTree::CompiledTree(const Domain& d, const CiDataset& exemplars, const Tree& t, int32_t voting)
    : domain(d), exemplar_set(exemplars), tree(t), nr_classes(class_count(d)), neighbours(voting), labels(d) {
    const int32_t stable = stable_positions(tree, domain);
    size_t budget = gather_budget(exemplar_set);
    plans.resize(tree.nodes.size());
    for (size_t id = 0; id < tree.nodes.size(); ++id) {
        const TreeNode& node = tree.nodes[id];
        NodePlan& plan = plans[id];
        if (!node.data) continue;
        const NodeData& data = *node.data;
        bool computes_answer = node.kind == MULTIWAY || node.kind == BINARY || node.kind == BINARY_LINEAR;
        const NodeModels m = models_of(node);
        if (node.kind == LEAF) {
            if (m.norvex_leaf) {
                plan.leaf = NodePlan::Leaf::Norvex;
                plan.index = static_cast<int32_t>(norvex_models.size());
                norvex_models.push_back(norvex_model(domain, labels, data, m.classes));
                computes_answer = true;
            } else if (uses_neighbours(data, nr_classes, neighbours)) {
                plan.leaf = NodePlan::Leaf::Neighbours;
                plan.index = static_cast<int32_t>(neighbour_leaves.size());
                neighbour_leaves.push_back(neighbour_leaf(domain, labels, exemplar_set, data, stable, budget));
                neighbour_leaves.back().neighbours = neighbours;
                computes_answer = true;
            }
        } else if (m.norvex) {
            plan.model = NodePlan::Model::Norvex;
            plan.index = static_cast<int32_t>(norvex_models.size());
            norvex_models.push_back(norvex_model(domain, labels, data, m.classes));
        } else if (m.linear) {
            plan.model = NodePlan::Model::Linear;
            plan.index = static_cast<int32_t>(linear_models.size());
            linear_models.push_back(
                linear_model(domain, *data.coefs, *data.stats, data.nr_attributes, static_cast<int>(m.classes)));
        }
        plan.continuous_test = data.attribute > domain.nr_attributes ||
                               (data.attribute >= 1 && position_type(domain, data.attribute) == CONTINUOUS);
        if (computes_answer) {
            plan.answer = answer_slots;
            answer_slots += static_cast<size_t>(nr_classes) + 1;
        }
    }
}

bool CompiledTree::self_contained() const {
    if (!neighbour_leaves.empty()) return false;
    return std::all_of(norvex_models.begin(), norvex_models.end(),
                       [](const NorvexModel& model) { return static_cast<int64_t>(model.classes.size()) == model.k; });
}

Workspace::Workspace(const CompiledTree& tree) : answers(tree.answer_slots, 0.0), tally(tree.tree.nodes.size()) {
    norvex_work.reserve(tree.norvex_models.size());
    for (const NorvexModel& model : tree.norvex_models) norvex_work.push_back(norvex_work_of(model));
}

namespace {

// The helpers below are kept out of line so that each level of the recursion costs only
// the small frames of descend and one branch helper.

// Answer of child b of a node, none when there is no such child.
AnswerView child_answer(const CompiledTree& engine, Workspace& work, NodeId id, int64_t b, Instance& example) {
    const NodeId child = engine.tree.child(id, b);
    if (child == NO_NODE) return std::nullopt;
    return descend(engine, work, child, example);
}

// Child b's answer, or the node's own distribution when it gives none.
AnswerView child_answer_or_dist(const CompiledTree& engine, Workspace& work, NodeId id, int64_t b, Instance& example) {
    const AnswerView answer = child_answer(engine, work, id, b, example);
    if (answer) return answer;
    return std::span<const double>(engine.tree.node(id).data->class_dist);
}

// Runs the node's model, which appends its class probabilities to the example; the
// position it predicts, 0 without a model or an answer.
[[gnu::noinline]] int run_node_model(const CompiledTree& engine, Workspace& work, const NodePlan& plan,
                                     const NodeData& data, Instance& example) {
    switch (plan.model) {
        case NodePlan::Model::Norvex:
            return Norvex_classify_teste_example(engine.norvex_models[static_cast<size_t>(plan.index)],
                                                 work.norvex_work[static_cast<size_t>(plan.index)], example,
                                                 data.nr_attributes);
        case NodePlan::Model::Linear: {
            const LinearModel& model = engine.linear_models[static_cast<size_t>(plan.index)];
            Vector& p = work.linear_probabilities;
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
[[gnu::noinline]] AnswerView mix_all_children(const CompiledTree& engine, Workspace& work, NodeId id,
                                              const NodePlan& plan, Instance& example) {
    const std::span<double> sum = work.answer_of(plan, engine.nr_classes);
    std::fill(sum.begin(), sum.end(), 0.0);
    const TreeNode& node = engine.tree.node(id);
    for (int64_t b = std::max(1, node.first_child); b <= node.nr_children; ++b)
        add_answer(sum, child_answer(engine, work, id, b, example), engine.nr_classes);
    normalise(sum, engine.nr_classes);
    return sum;
}

[[gnu::noinline]] AnswerView multiway_answer(const CompiledTree& engine, Workspace& work, NodeId id,
                                             const NodePlan& plan, Instance& example, int predicted) {
    const NodeData& data = *engine.tree.node(id).data;
    if (data.norvex) {
        // Class-routed: the branch is the model's predicted position; its answer as it is.
        if (engine.tree.child(id, predicted) == NO_NODE) return std::span<const double>(data.class_dist);
        return child_answer(engine, work, id, predicted, example);
    }
    const AttVal* value = known_value(example, data.attribute);
    if (value == nullptr) return mix_all_children(engine, work, id, plan, example);
    // 0 for a value that names no branch (a type without labels, an integer not among them).
    const int branch = engine.labels.at(data.attribute).label(value);
    return child_answer_or_dist(engine, work, id, branch, example);
}

// Both branches for an unknown value: their sum, normalised.
AnswerView mix_both_children(const CompiledTree& engine, Workspace& work, NodeId id, const NodePlan& plan,
                             Instance& example) {
    const std::span<double> sum = work.answer_of(plan, engine.nr_classes);
    std::fill(sum.begin(), sum.end(), 0.0);
    add_answer(sum, child_answer(engine, work, id, 1, example), engine.nr_classes);
    add_answer(sum, child_answer(engine, work, id, 2, example), engine.nr_classes);
    normalise(sum, engine.nr_classes);
    return sum;
}

// A value inside the soft band: both branches, weighted by the value's closeness.
AnswerView mix_band(const CompiledTree& engine, Workspace& work, NodeId id, const NodePlan& plan, Instance& example,
                    double v) {
    const AnswerView first = child_answer(engine, work, id, 1, example);
    const AnswerView second = child_answer(engine, work, id, 2, example);
    const NodeData& data = *engine.tree.node(id).data;
    const double w1 = 1 - (v - data.lower) / (data.upper - data.lower);
    const double w2 = 1 - (data.upper - v) / (data.upper - data.lower);
    if (TRACE > 0) std::printf("Classify: Value %f in limits [%f (%f) %f (%f)]\n", v, data.lower, w1, data.upper, w2);
    const std::span<double> out = work.answer_of(plan, engine.nr_classes);
    mix_weighted(out, engine.nr_classes, w2, second, w1, first);
    return out;
}

[[gnu::noinline]] AnswerView binary_answer(const CompiledTree& engine, Workspace& work, NodeId id, const NodePlan& plan,
                                           Instance& example) {
    const NodeData& data = *engine.tree.node(id).data;
    const AttVal* value = known_value(example, data.attribute);
    if (value == nullptr) return mix_both_children(engine, work, id, plan, example);
    const double v = plan.continuous_test ? value->value : static_cast<double>(value->int_value());
    if (v <= data.lower) return child_answer_or_dist(engine, work, id, 1, example);
    if (v >= data.upper) return child_answer_or_dist(engine, work, id, 2, example);
    // Strictly inside the band, or a NaN value or limit.
    return mix_band(engine, work, id, plan, example, v);
}

[[gnu::noinline]] AnswerView leaf_answer(const CompiledTree& engine, Workspace& work, NodeId id, const NodePlan& plan,
                                         const NodeData& data, const Instance& example) {
    AnswerView answer;
    switch (plan.leaf) {
        case NodePlan::Leaf::Norvex: {
            const std::span<double> out = work.answer_of(plan, engine.nr_classes);
            Norvex_Leaf(engine.norvex_models[static_cast<size_t>(plan.index)],
                        work.norvex_work[static_cast<size_t>(plan.index)], example, out);
            answer = out;
            break;
        }
        case NodePlan::Leaf::Neighbours: {
            const std::span<double> out = work.answer_of(plan, engine.nr_classes);
            classify_exampleKnn(engine.neighbour_leaves[static_cast<size_t>(plan.index)], example, data.class_dist,
                                work.neighbour_scratch, out);
            answer = out;
            break;
        }
        default:
            answer = std::span<const double>(data.class_dist);
    }
    if (example.class_value == 0) return answer;  // unlabelled: no test to count
    LeafCount& count = work.tally[static_cast<size_t>(id)];
    ++count.cases;
    if (dmajority(*answer, engine.nr_classes) != example.class_value) ++count.errors;
    return answer;
}

}  // namespace

AnswerView descend(const CompiledTree& engine, Workspace& work, NodeId id, Instance& example) {
    const TreeNode& node = engine.tree.node(id);
    if (!node.data) return std::nullopt;
    const NodePlan& plan = engine.plans[static_cast<size_t>(id)];
    if (node.kind == LEAF) return leaf_answer(engine, work, id, plan, *node.data, example);
    const int predicted = run_node_model(engine, work, plan, *node.data, example);
    switch (node.kind) {
        case MULTIWAY:
            return multiway_answer(engine, work, id, plan, example, predicted);
        case BINARY:
        case BINARY_LINEAR:
            return binary_answer(engine, work, id, plan, example);
        default:
            return std::nullopt;
    }
}

// Room for the derived values the tree's models can append past the domain's attributes,
// given to every example once so that they need not grow one by one. A tree that claims
// far more than its domain (beyond four times its width, or 64 values, and never more
// than 1024) gets none: its examples grow on demand, as far as the descent really takes
// them.
int derived_room(const Tree& tree, const Domain& domain) {
    const int64_t own = domain.nr_attributes;
    const int64_t extra = widest_example(tree, domain) - own;
    const int64_t limit = std::min<int64_t>(std::max<int64_t>(4 * (own + 1), 64), 1024);
    return extra > 0 && extra <= limit ? static_cast<int>(extra) : 0;
}

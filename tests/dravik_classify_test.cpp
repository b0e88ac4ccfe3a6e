// The tree descent through every node kind, the derived attributes of linear models, and
// the classification of a whole example set.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "Dravik.h"
#include "classify.h"
#include "discrim.h"
#include "support/capture.h"
#include "support/run_program.h"

namespace {

using Vector = std::vector<double>;
using Value = std::optional<double>;

// colour (NOMINAL), size (CONTINUOUS), count (INTEGER 10/20/30), rank (ORDERED); classes yes, no.
Domain shapes() {
    return Domain{"shapes",
                  4,
                  {Attribute{}, Attribute{"colour", NOMINAL, {"", "red", "green", "blue"}},
                   Attribute{"size", CONTINUOUS, {}}, Attribute{"count", INTEGER, {"", "10", "20", "30"}},
                   Attribute{"rank", ORDERED, {"", "low", "high"}}, Attribute{"class", NOMINAL, {"", "yes", "no"}}}};
}

// An example of class `cls`; a missing value stands for "?".
Instance shape(int cls, Value colour, Value size, Value count = 10, Value rank = 1) {
    Instance e{cls, 4, 1.0, {AttVal{STATUS_KNOWN, 1}}};
    for (Value v : {colour, size, count, rank})
        e.values.push_back(v ? AttVal{STATUS_KNOWN, *v} : AttVal{STATUS_UNKNOWN, UNKNOWN_VALUE});
    return e;
}

// A matrix whose first row and column are numbered `first`.
DMatrix matrix(int first, const std::vector<Vector>& rows) {
    DMatrix m(first, first + static_cast<int>(rows.size()) - 1, first, first + static_cast<int>(rows[0].size()) - 1);
    for (size_t r = 0; r < rows.size(); ++r)
        for (size_t c = 0; c < rows[r].size(); ++c)
            m.at(first + static_cast<int>(r), first + static_cast<int>(c)) = rows[r][c];
    return m;
}

// The training means that stand in for unknown values: size 3, count 16, rank 1.5.
ClassStats shape_stats() {
    return ClassStats{{std::nullopt, matrix(0, {{0, 4, 4, 2, 1.8}, {0, 4, 0, 0, 1}, {0, 0, 4, 2, 2.3}}),
                       matrix(0, {{0, 3, 0, 10, 0}, {0, 2, 0, 5, 0}, {0, 4, 1, 10, 0}}),
                       matrix(0, {{0, 2, 6, 2, 16}, {0, 2, 2, 0, 14}, {0, 0, 4, 2, 19}}),
                       matrix(0, {{0, 5, 5, 1.5}, {0, 5, 0, 1}, {0, 0, 5, 2}})}};
}

NodeData node_data(Vector dist, int32_t attribute = 0, double lower = 0, double upper = 0) {
    NodeData d;
    d.class_dist = std::move(dist);
    d.class_counts.assign(d.class_dist.size(), 10.0);
    d.nr_attributes = 4;
    d.attribute = attribute;
    d.lower = lower;
    d.upper = upper;
    return d;
}

// The linear model "class 1 scores `size`": probabilities 1 / (1 + e^-size) and the rest.
NodeData with_size_model(NodeData d, int16_t routed = 0) {
    d.nr_linears = 1;
    d.nr_coefs = 4;
    d.coefs = matrix(1, {{0, 1, 0, 0}});
    d.stats = shape_stats();
    d.norvex = routed;
    return d;
}

// Adds a node whose children were added before it, and makes it the root.
NodeId add(Tree& tree, int32_t kind, NodeData data, std::vector<NodeId> children = {}) {
    children.insert(children.begin(), NO_NODE);
    const auto nr_children = static_cast<int32_t>(children.size()) - 1;
    tree.nodes.push_back(TreeNode{kind, static_cast<int32_t>(tree.nodes.size()) + 1, std::move(data), nr_children,
                                  NO_NODE, std::move(children)});
    return tree.root = static_cast<NodeId>(tree.nodes.size()) - 1;
}

NodeId leaf(Tree& tree, Vector dist) { return add(tree, LEAF, node_data(std::move(dist))); }

int cases(const Tree& tree, NodeId id) { return tree.node(id).data->test_cases; }

class Engine : public ::testing::Test {
   protected:
    void TearDown() override {
        TRACE = 0;
        VERBOSITY = 0;
        PREDICT_PATH.reset();
    }
    ClassProbs run(Instance e) { return classify_example(domain, CiDataset{}, tree, tree.root, e); }
    ClassProbs run_keep(Instance& e) { return classify_example(domain, CiDataset{}, tree, tree.root, e); }

    Domain domain = shapes();
    Tree tree;
};

// ---- Multi-way tests ---------------------------------------------------------------------------

TEST_F(Engine, MultiwayBranchesByLabelOrFallsBackOnItsDistribution) {
    const NodeId red = leaf(tree, {0, 1, 0}), green = leaf(tree, {0, 0, 1});
    const NodeId node = add(tree, MULTIWAY, node_data({0, 0.4, 0.6}, 1), {red, green, NO_NODE});
    Instance green_yes = shape(1, 2, 0.0);
    EXPECT_EQ(run_keep(green_yes), (Vector{0, 0, 1}));
    EXPECT_EQ(tree.node(green).data->test_errors, 1);
    EXPECT_EQ(run(shape(1, 3, 0.0)), (Vector{0, 0.4, 0.6}));  // empty entry
    tree.node(node).nr_children = 1;
    EXPECT_EQ(run(shape(1, 2, 0.0)), (Vector{0, 0.4, 0.6}));  // beyond the children
    tree.node(node).data->attribute = 3;                      // count: the label number
    EXPECT_EQ(run(shape(1, 1, 0.0, 10)), (Vector{0, 1, 0}));
    EXPECT_EQ(run(shape(1, 1, 0.0, 7)), (Vector{0, 0.4, 0.6}));  // not a label
    tree.node(node).data->attribute = 2;                         // continuous: no branch
    EXPECT_EQ(run(shape(1, 1, 0.0)), (Vector{0, 0.4, 0.6}));
    EXPECT_EQ(cases(tree, red), 1);
    EXPECT_EQ(cases(tree, green), 1);
}

TEST_F(Engine, UnknownOrUnheldValueMixesEveryChild) {
    const NodeId red = leaf(tree, {0, 1, 0}), green = leaf(tree, {0, 0.5, 0.5});
    const NodeId inert = add(tree, 7, node_data({0, 0.9, 0.1}));
    const NodeId node = add(tree, MULTIWAY, node_data({0, 0.4, 0.6}, 1), {red, green, NO_NODE, inert});
    // (1, 0) + (0.5, 0.5); the empty entry and the inert child add nothing.
    EXPECT_EQ(run(shape(2, std::nullopt, 0.0)), (Vector{0, 0.75, 0.25}));
    tree.node(node).data->attribute = 5;  // a derived attribute no model appended
    EXPECT_EQ(run(shape(2, 1, 0.0)), (Vector{0, 0.75, 0.25}));
    EXPECT_EQ(cases(tree, red), 2);
    EXPECT_EQ(cases(tree, green), 2);
    EXPECT_EQ(tree.node(green).data->test_errors, 2);  // (0.5, 0.5) predicts class 1
    tree.node(red).data->class_dist = {0, 0, 0};
    tree.node(green).data->class_dist = {0, 0, 0};
    EXPECT_EQ(run(shape(2, std::nullopt, 0.0)), (Vector{0, 0, 0}));
}

// ---- Binary tests --------------------------------------------------------------------------------

TEST_F(Engine, BinaryTestLimitsAndBand) {
    const NodeId low = leaf(tree, {0, 1, 0}), high = leaf(tree, {0, 0.25, 0.75});
    const NodeId node = add(tree, BINARY, node_data({0, 0.4, 0.6}, 2, 2, 4), {low, high});
    EXPECT_EQ(run(shape(1, 1, 2.0)), (Vector{0, 1, 0}));
    EXPECT_EQ(cases(tree, high), 0);
    EXPECT_EQ(run(shape(1, 1, 4.0)), (Vector{0, 0.25, 0.75}));
    EXPECT_EQ(cases(tree, low), 1);
    // Halfway: 0.5 (1, 0) + 0.5 (0.25, 0.75).
    EXPECT_EQ(run(shape(1, 1, 3.0)), (Vector{0, 0.625, 0.375}));
    // w1 = 1 - 0.5/2, w2 = 1 - 1.5/2: 0.75 (1, 0) + 0.25 (0.25, 0.75).
    TRACE = 1;
    ClassProbs near_lower;
    const Captured c = capture_output([&] { near_lower = run(shape(1, 1, 2.5)); });
    EXPECT_EQ(near_lower, (Vector{0, 0.8125, 0.1875}));
    EXPECT_EQ(c.out, "Classify: Value 2.500000 in limits [2.000000 (0.750000) 4.000000 (0.250000)]\n");
    EXPECT_EQ(run(shape(1, 1, std::nullopt)), (Vector{0, 0.625, 0.375}));  // (1.25, 0.75) normalised
    EXPECT_EQ(cases(tree, low), 4);
    EXPECT_EQ(cases(tree, high), 4);
    tree.node(node).data->lower = 3;
    tree.node(node).data->upper = 3;
    EXPECT_EQ(run(shape(1, 1, 3.0)), (Vector{0, 1, 0}));  // equal limits: crisp
    tree.node(node).data->attribute = 1;                  // colour, compared by its label number
    tree.node(node).data->lower = 2;
    tree.node(node).data->upper = 2;
    EXPECT_EQ(run(shape(1, 3, 0.0)), (Vector{0, 0.25, 0.75}));
}

TEST_F(Engine, BinaryTestWithOneChildOrANaNLimit) {
    const NodeId low = leaf(tree, {0, 0.2, 0.8});
    const NodeId node = add(tree, BINARY_LINEAR, node_data({0, 0.4, 0.6}, 2, 2, 4), {low});
    EXPECT_EQ(run(shape(1, 1, 5.0)), (Vector{0, 0.4, 0.6}));
    EXPECT_EQ(run(shape(1, 1, 3.0)), (Vector{0, 0.2, 0.8}));
    EXPECT_EQ(run(shape(1, 1, std::nullopt)), (Vector{0, 0.2, 0.8}));
    tree.node(node).data->lower = std::numeric_limits<double>::quiet_NaN();
    const ClassProbs nan = run(shape(1, 1, 1.0));  // below the limit, yet in the band
    ASSERT_TRUE(nan);
    EXPECT_TRUE(std::isnan((*nan)[1]));
    EXPECT_EQ(cases(tree, low), 3);
}

// ---- Node models ---------------------------------------------------------------------------------

TEST_F(Engine, LinearModelAppendsProbabilitiesThatTestsBelowUse) {
    const NodeId low = leaf(tree, {0, 1, 0}), high = leaf(tree, {0, 0, 1});
    add(tree, BINARY, with_size_model(node_data({0, 0.4, 0.6}, 5, 0.5, 0.5)), {low, high});
    Instance big = shape(2, 1, 2.0), small = shape(2, 1, -1.0);
    EXPECT_EQ(run_keep(big), (Vector{0, 0, 1}));
    EXPECT_EQ(run_keep(small), (Vector{0, 1, 0}));
    ASSERT_EQ(big.nr_attributes, 6);
    ASSERT_EQ(big.values.size(), 7u);
    EXPECT_EQ(big.values[6].status, STATUS_KNOWN);
    EXPECT_EQ(big.values[5].value, 1 / (1 + std::exp(-2.0)));
    EXPECT_EQ(big.values[6].value, std::exp(-2.0) / (1 + std::exp(-2.0)));
    EXPECT_EQ(small.values[5].value, std::exp(-1.0) / (std::exp(-1.0) + 1));
}

TEST_F(Engine, ClassRoutedNodeFollowsThePredictedClass) {
    const NodeId first = leaf(tree, {0, 1, 0}), inert = add(tree, 6, node_data({0, 0, 1}));
    const NodeId node = add(tree, MULTIWAY, with_size_model(node_data({0, 0.4, 0.6}), 1), {first, inert});
    EXPECT_EQ(run(shape(1, 1, 2.0)), (Vector{0, 1, 0}));
    EXPECT_FALSE(run(shape(1, 1, -1.0)));  // the child's null, as it is
    tree.node(node).nr_children = 1;
    EXPECT_EQ(run(shape(1, 1, -1.0)), (Vector{0, 0.4, 0.6}));  // no such branch
    tree.node(node).data->coefs.reset();
    Instance e = shape(1, 1, 2.0);
    EXPECT_EQ(run_keep(e), (Vector{0, 0.4, 0.6}));  // no model, position 0
    EXPECT_EQ(e.nr_attributes, 4);
    EXPECT_EQ(cases(tree, first), 1);
}

TEST_F(Engine, InertNodeRunsItsModelAndAnswersNothing) {
    add(tree, 5, with_size_model(node_data({0, 0.4, 0.6})));
    Instance e = shape(1, 1, 2.0);
    EXPECT_FALSE(run_keep(e));
    EXPECT_EQ(e.nr_attributes, 6);
}

TEST_F(Engine, LinearScoresTakeOrderedIntegerAndContinuousInputs) {
    const DMatrix coefs = matrix(1, {{0.5, 2, 0.25, -1}});  // constant, size, count, rank
    // 0.5 + 2 * 1.5 + 0.25 * 20 - 1 * 2, then with the training means.
    EXPECT_EQ(discrim_classify_example(domain, shape(1, 1, 1.5, 20, 2), coefs, shape_stats(), 4, 2, false),
              (Vector{0, 6.5, 0}));
    const Instance unknown = shape(1, std::nullopt, std::nullopt, std::nullopt, std::nullopt);
    EXPECT_EQ(discrim_classify_example(domain, unknown, coefs, shape_stats(), 4, 2, false), (Vector{0, 9, 0}));
}

TEST_F(Engine, LinearProbabilitiesFlooredSixtyBelowTheBest) {
    const Instance e = shape(1, 1, 1.0);
    const Vector three =
        discrim_classify_example(domain, e, matrix(1, {{2, 0, 0, 0}, {-1, 0, 0, 0}}), shape_stats(), 4, 3, true);
    const double sum = 1 + std::exp(-3.0) + std::exp(-2.0);
    EXPECT_EQ(three, (Vector{0, 1 / sum, std::exp(-3.0) / sum, std::exp(-2.0) / sum}));
    const Vector low = discrim_classify_example(domain, e, matrix(1, {{-100, 0, 0, 0}}), shape_stats(), 4, 2, true);
    EXPECT_EQ(low, (Vector{0, std::exp(-60.0) / (std::exp(-60.0) + 1), 1 / (std::exp(-60.0) + 1)}));
    TRACE = 5;
    Vector one;
    const Captured c = capture_output([&] {
        one = discrim_classify_example(domain, e, matrix(1, {{5, 1, 1, 1}}), shape_stats(), 4, 1, true);
    });
    EXPECT_EQ(one, (Vector{0, 1}));
    EXPECT_EQ(c.out, "Probs\t1.000000 \n");
}

// ---- Whole example sets --------------------------------------------------------------------------

CiDataset dataset(const Domain& domain, std::vector<Instance> instances) {
    CiDataset set{domain, static_cast<int>(instances.size()), {Instance{}}};
    for (Instance& e : instances) {
        e.values[0].value = static_cast<double>(set.instances.size());
        set.instances.push_back(std::move(e));
    }
    return set;
}

struct Outcome {
    std::optional<IMatrix> confusion;
    int32_t errors = -1;
    Captured output;
};

Outcome classify_all(CiDataset& set, Tree& tree) {
    Outcome r;
    r.output = capture_output([&] { r.confusion = classify(set, set, tree, r.errors); });
    return r;
}

TEST_F(Engine, ClassifyCountsErrorsAndWritesPredictions) {
    TempDir dir;
    PREDICT_PATH = dir.file("run.pred").string();
    VERBOSITY = 3;
    const NodeId red = leaf(tree, {0, 1, 0}), green = leaf(tree, {0, 0.3, 0.7});
    add(tree, MULTIWAY, node_data({0, 0.4, 0.6}, 1), {red, green});
    CiDataset set = dataset(domain, {shape(1, 1, 0.0), shape(1, 2, 0.0), shape(2, 2, 0.0)});
    const Outcome r = classify_all(set, tree);
    EXPECT_EQ(r.output.out,
              "Example 1 Observed yes Classified yes \t[ 1.000 0.000 ]\n"
              "Example 2 Observed yes Classified no \t[ 0.300 0.700 ]\n"
              "Example 3 Observed no Classified no \t[ 0.300 0.700 ]\n");
    EXPECT_EQ(r.output.err, "");
    EXPECT_EQ(dir.read("run.pred"), "yes\nno\nno\n");
    EXPECT_EQ(r.errors, 1);
    ASSERT_TRUE(r.confusion);
    // Row = predicted class, column = observed class.
    EXPECT_EQ(r.confusion->at(1, 1), 1);
    EXPECT_EQ(r.confusion->at(1, 2), 0);
    EXPECT_EQ(r.confusion->at(2, 1), 1);
    EXPECT_EQ(r.confusion->at(2, 2), 1);
    EXPECT_EQ(cases(tree, green), 2);
}

TEST_F(Engine, UnclassifiedExamplesGetAQuestionMark) {
    TempDir dir;
    PREDICT_PATH = dir.file("run.pred").string();
    VERBOSITY = 3;
    add(tree, 4, node_data({0, 0.4, 0.6}));
    CiDataset set = dataset(domain, {shape(2, 1, 0.0), shape(1, 1, 0.0)});
    const Outcome r = classify_all(set, tree);
    EXPECT_EQ(r.output.out, "");
    EXPECT_EQ(r.output.err, "\nExample 1 Observed 2 Not Classified\nExample 2 Observed 1 Not Classified");
    EXPECT_EQ(dir.read("run.pred"), "?\n?\n");
    EXPECT_EQ(r.errors, 0);
    ASSERT_TRUE(r.confusion);
    EXPECT_EQ(r.confusion->at(1, 1) + r.confusion->at(1, 2) + r.confusion->at(2, 1) + r.confusion->at(2, 2), 0);
}

TEST_F(Engine, PredictionsFileNameAndFailures) {
    TempDir dir;
    domain.name = dir.file("shapes").string();
    leaf(tree, {0, 0.4, 0.6});
    CiDataset empty = dataset(domain, {});
    const Outcome none = classify_all(empty, tree);
    EXPECT_FALSE(none.confusion);
    EXPECT_EQ(none.errors, 0);
    EXPECT_FALSE(dir.exists("shapes.pred"));
    CiDataset set = dataset(domain, {shape(1, 1, 0.0), shape(2, 1, 0.0)});
    classify_all(set, tree);
    EXPECT_EQ(dir.read("shapes.pred"), "no\nno\n");
    const std::string missing = dir.file("missing").string() + "/run.pred";
    PREDICT_PATH = missing;
    const Outcome unwritable = classify_all(set, tree);
    EXPECT_EQ(unwritable.output.err, "Can not open file " + missing + "\n");
    EXPECT_EQ(unwritable.errors, 1);
    ASSERT_TRUE(unwritable.confusion);
    EXPECT_EQ(unwritable.confusion->at(2, 2), 1);
}

}  // namespace

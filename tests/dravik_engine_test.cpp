// The classification engine where whole runs do not reach it: decision helpers, linear
// scores and their floor, naive-Bayes evidence that underflows, neighbour distances over
// every kind of attribute, and the branch rulings of the descent.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "Combine.h"
#include "bayes.h"
#include "classify.h"
#include "discrim.h"
#include "settings.h"
#include "support/capture.h"
#include "support/matrices.h"

namespace {

using Vector = std::vector<double>;
using Value = std::optional<double>;
const double NaN = std::numeric_limits<double>::quiet_NaN();

// colour (NOMINAL), size (CONTINUOUS), count (INTEGER 10, 20, 30), rank (ORDERED); classes yes, no.
const Domain SHAPES{"shapes",
                    4,
                    {Attribute{}, Attribute{"colour", NOMINAL, {"", "red", "green", "blue"}},
                     Attribute{"size", CONTINUOUS, {}}, Attribute{"count", INTEGER, {"", "10", "20", "30"}},
                     Attribute{"rank", ORDERED, {"", "low", "high"}}, Attribute{"class", NOMINAL, {"", "yes", "no"}}}};

// An example of class `cls`; nothing stands for an unknown value, positions past the
// domain's are derived values.
Instance example(int cls, const std::vector<Value>& values, double weight = 1.0) {
    Instance e{cls, static_cast<int>(values.size()), weight, {AttVal{}}};
    for (const Value& v : values)
        e.values.push_back(v ? AttVal{STATUS_KNOWN, *v} : AttVal{STATUS_UNKNOWN, UNKNOWN_VALUE});
    return e;
}

const Instance ALL_UNKNOWN = example(1, {std::nullopt, std::nullopt, std::nullopt, std::nullopt});

// Training means: size 3 (range 0 to 10), count 16, rank 1.5, derived position 5 0.5 (range 0 to 2).
const ClassStats STATS{{std::nullopt, matrix(0, {{0, 4, 4, 2, 1.8}, {0, 4, 0, 0, 1}, {0, 0, 4, 2, 2.3}}),
                        matrix(0, {{0, 3, 0, 10, 0}, {0, 2, 0, 5, 0}, {0, 4, 1, 10, 0}}),
                        matrix(0, {{0, 2, 6, 2, 16}, {0, 2, 2, 0, 14}, {0, 0, 4, 2, 19}}),
                        matrix(0, {{0, 5, 5, 1.5}, {0, 5, 0, 1}, {0, 0, 5, 2}}),
                        matrix(0, {{0, 0.5, 0, 2, 0}, {0, 0.4, 0, 2, 0}, {0, 0.6, 0, 2, 0}})}};

// Adds a node over children added before it and makes it the root.
NodeId add(Tree& tree, int32_t kind, NodeData data, std::vector<NodeId> children = {}) {
    children.insert(children.begin(), NO_NODE);
    const auto nr_children = static_cast<int32_t>(children.size()) - 1;
    tree.nodes.push_back(TreeNode{kind, static_cast<int32_t>(tree.nodes.size()) + 1, std::move(data), nr_children,
                                  NO_NODE, std::move(children)});
    return tree.root = static_cast<NodeId>(tree.nodes.size()) - 1;
}

TEST(Engine, MajorityAndMixture) {
    EXPECT_EQ(dmajority({9, 0.3, NaN, 0.1}, 3), 1);  // entry 0 is no class; NaN never wins
    EXPECT_EQ(dmajority({0, 0.1, 0.2}, 5), 2);       // never read past the vector
    const Vector first{0, 2, 6}, zeros{0, 0, 0}, opposite{0, 1, -1}, wild{0, NaN, NaN};
    EXPECT_EQ(mixed_ul(2, 0.0, &wild, 0.5, &first), (Vector{0, 0.25, 0.75}));
    EXPECT_EQ(mixed_ul(2, 0.0, &zeros, 2.0, &opposite), (Vector{0, 2, -2}));  // a zero sum is not divided
}

TEST(Engine, LinearScoresAndTheFloorOfTheirProbabilities) {
    const DMatrix coefs = matrix(1, {{0.5, 2, 0.25, -1}});  // constant, size, count, rank
    // 0.5 + 2 * 1.5 + 0.25 * 20 - 1 * 2, then with the training means.
    EXPECT_EQ(discrim_classify_example(SHAPES, example(1, {1, 1.5, 20, 2}), coefs, STATS, 4, 2, false),
              (Vector{0, 6.5, 0}));
    EXPECT_EQ(discrim_classify_example(SHAPES, ALL_UNKNOWN, coefs, STATS, 4, 2, false), (Vector{0, 9, 0}));
    const Instance e = example(1, {1, 1.0, 10, 1});
    EXPECT_EQ(discrim_classify_example(SHAPES, e, matrix(1, {{-100, 0, 0, 0}}), STATS, 4, 2, true),
              (Vector{0, std::exp(-60.0) / (std::exp(-60.0) + 1), 1 / (std::exp(-60.0) + 1)}));
    TRACE = 5;
    const Captured c = capture_output([&] {
        EXPECT_EQ(discrim_classify_example(SHAPES, e, matrix(1, {{5, 1, 1, 1}}), STATS, 4, 1, true), (Vector{0, 1}));
    });
    TRACE = 0;
    EXPECT_EQ(c.out, "Probs\t1.000000 \n");
}

TEST(Engine, NaiveBayesNeitherUnderflowsNorDividesZeroByZero) {
    // Label 1 of colour, count and rank: 1e-300 of class yes, 2e-300 of class no.
    const DMatrix table = matrix(0, {{0, 3e-299, 0, 0, 0}, {0, 1e-299, 0, 0, 0}, {0, 2e-299, 0, 0, 0}});
    NodeData d{.class_counts = {20, 10, 10}, .nr_attributes = 4, .stats = ClassStats{{{}, table, table, table, table}}};
    // e^E underflows to 0 in both classes, yet their ratio is 2^3.
    const Instance e = example(1, {1, 0.0, 10, 1});
    const std::optional<Vector> r = NorvexClassifyExample(SHAPES, e, d, 2);
    ASSERT_TRUE(r);
    EXPECT_NEAR((*r)[1], 1.0 / 9, 1e-12);
    EXPECT_NEAR((*r)[2], 8.0 / 9, 1e-12);
    // Two modelled classes for one position.
    EXPECT_EQ(capture_output([&] { NorvexClassifyExample(SHAPES, e, d, 1); }).err, "Hummmmmm\n");
    // A workspace that does not warn keeps that to itself.
    {
        const LabelReaders labels(SHAPES);  // the model reads its labels through them
        const NorvexModel model = norvex_model(SHAPES, labels, d, 1);
        NorvexWork quiet = norvex_work_of(model);
        quiet.warns = false;
        EXPECT_EQ(capture_output([&] { norvex_answer(model, quiet, e); }).err, "");
    }
    d.class_counts = {5, 0, 0};
    d.nr_attributes = 0;  // every class is modelled, and no value has weight in any
    EXPECT_EQ(NorvexClassifyExample(SHAPES, e, d, 2), (Vector{0, 0, 0}));
    // A leaf's model of one class has one position, whatever its row count (1 row, 2 classes)
    // says: yes, the one class with a weight of at least 2.5 * 4, and no complaint.
    Tree tree;
    add(tree, LEAF,
        {.class_counts = {20, 15, 5},
         .class_dist = {0, 0.75, 0.25},
         .nr_attributes = 4,
         .nr_linears = 1,
         .nr_norvex_classes = 1,
         .norvex = 1,
         .stats = STATS});
    Instance leaf_example = example(1, {1, 0.0, 10, 1});
    ClassProbs answer;
    const Captured c = capture_output([&] { answer = classify_example(SHAPES, {}, tree, tree.root, leaf_example); });
    EXPECT_EQ(std::pair(answer, c.err), std::pair(ClassProbs(Vector{0, 1, 0}), std::string()));
}

TEST(Engine, NeighbourDistances) {
    // colour ((4-0)/4)^2 + ((0-4)/4)^2, size ((3-8)/10)^2, count 10 against 30
    // ((2-0)/4)^2 + ((0-2)/4)^2, derived (0.75-0.25)^2: 3, over the exemplar's weight.
    const Instance e = example(2, {2, 8.0, 30, 1, 0.25});
    EXPECT_EQ(distance(SHAPES, STATS, example(1, {1, 3.0, 10, 1, 0.75}), e, 5, 4), std::sqrt(3.0));
    EXPECT_EQ(distance(SHAPES, STATS, example(1, {1, 3.0, 10, 1, 0.75}, 2.0), e, 5, 4), std::sqrt(1.5));
    // Unknown size and unheld position 5 take the means; 7 is no label of count: column 0.
    EXPECT_EQ(distance(SHAPES, STATS, example(1, {1, std::nullopt, 10, 1}), example(1, {1, 3.0, 7, 1, 0.75}), 5, 4),
              std::sqrt(0.3125));
}

TEST(Engine, NeighbourGateAndVote) {
    // Sizes 0 (yes), 10 (no) and 4 (no) against 5: 0.5, 0.5 and 0.1 away.
    const CiDataset set{SHAPES, 3, {Instance{}, example(1, {1, 0.0}), example(2, {1, 10.0}), example(2, {1, 4.0})}};
    Tree tree;
    const NodeId leaf = add(tree, LEAF, {.class_dist = {0, 0.6, 0.4}, .nr_attributes = 2, .stats = STATS});
    NodeData& d = *tree.node(leaf).data;
    d.nr_exemplars = 3;
    d.exemplars = {0, 1, 2, 3};
    auto answer = [&](int32_t knn, Vector class_counts) {
        KNN = knn;
        d.class_counts = std::move(class_counts);
        Instance e = example(1, {1, 5.0});
        return *classify_example(SHAPES, set, tree, leaf, e);
    };
    // More than 2 exemplars, and 10 > 6 + 2: the nearest (no) and the first of the two at 0.5 (yes).
    const Vector vote = answer(2, {10, 6, 4});
    const double yes = std::exp(-0.5), no = std::exp(-0.1);
    EXPECT_NEAR(vote[1], (yes / (yes + no) + 0.6) * 0.5, 1e-12);
    EXPECT_NEAR(vote[2], (no / (yes + no) + 0.4) * 0.5, 1e-12);
    EXPECT_EQ(answer(3, {10, 6, 4}), d.class_dist);  // not more than 3 exemplars
    EXPECT_EQ(answer(2, {10, 2, 8}), d.class_dist);  // outside the majority class (no) only 2
    d.stats.reset();
    EXPECT_EQ(answer(2, {10, 6, 4}), d.class_dist);
    KNN = 0;
}

TEST(Engine, BranchRulings) {
    Tree tree;
    const NodeId first = add(tree, LEAF, {.class_dist = {0, 1, 0}}),
                 second = add(tree, LEAF, {.class_dist = {0, 0.5, 0.5}});
    const NodeId node = add(tree, MULTIWAY, {.class_dist = {0, 0.4, 0.6}, .attribute = 3}, {first, second});
    auto run = [&](Instance e) { return classify_example(SHAPES, CiDataset{}, tree, tree.root, e); };
    const Vector own{0, 0.4, 0.6}, mixed{0, 0.75, 0.25};
    EXPECT_EQ(run(example(1, {1, 0.0, 10, 1})), (Vector{0, 1, 0}));  // count 10: label 1
    EXPECT_EQ(run(example(1, {1, 0.0, 7, 1})), own);                 // no label
    EXPECT_EQ(run(example(1, {1, 0.0, 30, 1})), own);                // label 3: no such child
    // A label names an integer only when spelled as "%d" writes it: these name none.
    Domain spelled = SHAPES;
    spelled.attributes[3].values = {"", "-0", "010"};
    for (const double n : {0.0, 10.0}) {
        Instance e = example(1, {1, 0.0, n, 1});
        EXPECT_EQ(classify_example(spelled, CiDataset{}, tree, node, e), own) << n;
    }
    tree.node(node).data->attribute = 2;  // size, continuous: no branch
    EXPECT_EQ(run(example(1, {1, 0.0, 10, 1})), own);
    tree.node(node).data->attribute = 5;  // a position the example does not hold: unknown
    EXPECT_EQ(run(example(1, {1, 0.0, 10, 1})), mixed);
    tree.node(node).data->norvex = 1;  // class-routed without a model: position 0
    EXPECT_EQ(run(example(1, {1, 0.0, 10, 1})), own);

    // On size: a NaN limit holds the value in the band.
    add(tree, BINARY, {.class_dist = {0, 0.4, 0.6}, .attribute = 2, .lower = NaN, .upper = 4}, {first, second});
    const ClassProbs r = run(example(1, {1, 1.0, 10, 1}));
    ASSERT_TRUE(r);
    EXPECT_TRUE(std::isnan((*r)[1]));
}

}  // namespace

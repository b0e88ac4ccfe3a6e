// Naive-Bayes evidence and the Norvex model: its components alone and together, the
// derived attributes it appends at inner nodes and its answer at leaves.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <vector>

#include "Dravik.h"
#include "bayes.h"
#include "classify.h"
#include "support/capture.h"

namespace {

using Vector = std::vector<double>;

Attribute nominal(const char* name) { return Attribute{name, NOMINAL, {"", "sunny", "rain"}}; }
Attribute continuous(const char* name) { return Attribute{name, CONTINUOUS, {}}; }

Domain make_domain(std::vector<Attribute> attributes) {
    attributes.insert(attributes.begin(), Attribute{});
    const int count = static_cast<int>(attributes.size()) - 1;
    attributes.push_back(Attribute{"class", NOMINAL, {"", "a", "b", "c"}});
    return Domain{"weather", count, std::move(attributes)};
}

Instance example(int cls, const std::vector<std::optional<double>>& values) {
    Instance e{cls, static_cast<int>(values.size()), 1.0, {AttVal{}}};
    for (const std::optional<double>& v : values)
        e.values.push_back(v ? AttVal{STATUS_KNOWN, *v} : AttVal{STATUS_DONTCARE, UNKNOWN_VALUE});
    return e;
}

DMatrix table(const std::vector<Vector>& rows) {
    DMatrix m(0, static_cast<int>(rows.size()) - 1, 0, static_cast<int>(rows[0].size()) - 1);
    for (size_t r = 0; r < rows.size(); ++r)
        for (size_t c = 0; c < rows[r].size(); ++c) m.at(static_cast<int>(r), static_cast<int>(c)) = rows[r][c];
    return m;
}

const DMatrix TEMP = table({{0, 20, 10, 30, 0}, {0, 20, 10, 30, 0}, {0, 20, 10, 30, 0}, {0, 20, 10, 30, 0}});

// A node over (outlook, temp): J = 2, so a class needs weight 5; a and b are modelled,
// c (weight 4) is not. Class a never saw "sunny".
NodeData weather_node() {
    NodeData d;
    d.class_counts = {40, 10, 26, 4};
    d.class_dist = {0, 0.25, 0.65, 0.1};
    d.nr_attributes = 2;
    d.nr_norvex_classes = 2;
    d.stats = ClassStats{{std::nullopt, table({{4, 16, 20, 1.5}, {2, 0, 8, 2}, {2, 16, 8, 1.3}, {0, 0, 4, 2}}), TEMP}};
    return d;
}

// The linear model "class 1 scores temp", with the errors of both components.
NodeData with_temp_model(NodeData d, double discrim_error, double bayes_error) {
    d.nr_linears = 1;
    d.nr_coefs = 2;
    d.coefs = DMatrix(1, 1, 1, 2);
    d.coefs->at(1, 2) = 1;
    d.discrim_error = discrim_error;
    d.bayes_error = bayes_error;
    return d;
}

// Naive Bayes alone for "sunny": priors 10/40 and 26/40 times 10/40/40 and 16/26.
const double SUNNY_A = 0.00625 * 0.25 / (0.00625 * 0.25 + 0.4);
const double SUNNY_B = 0.4 / (0.00625 * 0.25 + 0.4);

class Norvex : public ::testing::Test {
   protected:
    void TearDown() override { TRACE = 0; }
    Domain domain = make_domain({nominal("outlook"), continuous("temp")});
};

TEST_F(Norvex, EvidenceFromLabelUnknownAndZeroWeight) {
    const NodeData d = weather_node();
    auto evidence = [&](std::optional<double> outlook) {
        return *bayes_classify_example(domain, example(1, {outlook, 15.0}), d.class_counts, *d.stats, 2, 2);
    };
    EXPECT_EQ(evidence(2), (Vector{0, std::log(8.0 / 10), std::log(8.0 / 26)}));
    EXPECT_EQ(evidence(std::nullopt), (Vector{0, std::log(2.0 / 10), std::log(2.0 / 26)}));
    EXPECT_EQ(evidence(1), (Vector{0, std::log(0.00625), std::log(16.0 / 26)}));  // 10 / 40 / 40
}

TEST_F(Norvex, IntegerThatIsNoLabelCountsAsUnknown) {
    const Domain levels = make_domain({Attribute{"level", INTEGER, {"", "1", "2"}}});
    const ClassStats stats{{std::nullopt, table({{4, 6, 10, 1.7}, {3, 5, 2, 1.4}, {1, 1, 8, 1.9}, {0, 0, 0, 0}})}};
    const Vector counts{20, 10, 10, 0};
    EXPECT_EQ(*bayes_classify_example(levels, example(1, {7}), counts, stats, 1, 2),
              (Vector{0, std::log(3.0 / 10), std::log(1.0 / 10)}));
    EXPECT_EQ(*bayes_classify_example(levels, example(1, {2}), counts, stats, 1, 2),
              (Vector{0, std::log(2.0 / 10), std::log(8.0 / 10)}));
}

TEST_F(Norvex, BayesAloneAndEqualClasses) {
    const auto r = NorvexClassifyExample(domain, example(1, {1, 15.0}), weather_node(), 2);
    ASSERT_TRUE(r);
    EXPECT_NEAR((*r)[1], SUNNY_A, 1e-15);
    EXPECT_NEAR((*r)[2], SUNNY_B, 1e-15);
    NodeData even = weather_node();
    even.class_counts = {20, 10, 10, 0};
    even.stats->tables[1] = table({{0, 10, 10, 1.5}, {0, 5, 5, 1.5}, {0, 5, 5, 1.5}, {0, 0, 0, 0}});
    Instance e = example(2, {2, 15.0});
    EXPECT_EQ(Norvex_classify_teste_example(domain, e, even, 2), 1);
    EXPECT_EQ(e.values[3].value, 0.5);
    EXPECT_EQ(e.values[4].value, 0.5);
}

TEST_F(Norvex, BayesNeitherUnderflowsNorDividesZeroByZero) {
    const Domain many = make_domain({nominal("x"), nominal("y"), nominal("z")});
    NodeData d;
    d.class_counts = {20, 10, 10, 0};
    d.nr_attributes = 3;
    const DMatrix tiny = table({{0, 3e-299, 0, 1}, {0, 1e-299, 0, 1}, {0, 2e-299, 0, 1}, {0, 0, 0, 0}});
    d.stats = ClassStats{{std::nullopt, tiny, tiny, tiny}};
    // e^E underflows to 0 in both classes, yet their ratio is 2^3.
    const auto r = NorvexClassifyExample(many, example(1, {1, 1, 1}), d, 2);
    EXPECT_NEAR((*r)[1], 1.0 / 9, 1e-12);
    EXPECT_NEAR((*r)[2], 8.0 / 9, 1e-12);
    d.nr_attributes = 0;  // every class qualifies, and none can have "sunny"
    d.class_counts = {5, 0, 0, 0};
    const DMatrix none = table({{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}});
    d.stats = ClassStats{{std::nullopt, none, none, none}};
    EXPECT_EQ(*NorvexClassifyExample(many, example(1, {1, 1, 1}), d, 3), (Vector{0, 0, 0, 0}));
}

TEST_F(Norvex, DiscriminantAloneOrNoComponent) {
    const Domain temps = make_domain({continuous("temp")});
    NodeData d;
    d.class_counts = {20, 10, 10, 0};
    d.nr_attributes = 1;
    d.stats = ClassStats{{std::nullopt, TEMP}};
    Instance e = example(2, {2.0});
    EXPECT_FALSE(NorvexClassifyExample(temps, e, d, 2));
    EXPECT_EQ(Norvex_classify_teste_example(temps, e, d, 2), 0);
    EXPECT_EQ(e.nr_attributes, 1);
    EXPECT_EQ(Norvex_Leaf(temps, e, d, 2), (Vector{0, 0, 0, 0}));
    // Scores (2, 0).
    EXPECT_EQ(*NorvexClassifyExample(temps, e, with_temp_model(d, 0.3, 0.1), 2),
              (Vector{0, 1 / (1 + std::exp(-2.0)), std::exp(-2.0) / (1 + std::exp(-2.0))}));
}

TEST_F(Norvex, BothComponentsWeighedByTheirAccuracy) {
    const NodeData d = with_temp_model(weather_node(), 0.4, 0.2);
    Instance e = example(1, {1, 2.0});
    const double d1 = 1 / (1 + std::exp(-2.0)), d2 = std::exp(-2.0) / (1 + std::exp(-2.0));
    const double r1 = 0.8 * SUNNY_A + 0.6 * d1, r2 = 0.8 * SUNNY_B + 0.6 * d2;
    TRACE = 2;
    int best = 0;
    const Captured c = capture_output([&] { best = Norvex_classify_teste_example(domain, e, d, 2); });
    EXPECT_EQ(best, 2);
    ASSERT_EQ(e.nr_attributes, 4);
    EXPECT_NEAR(e.values[3].value, r1 / (r1 + r2), 1e-15);
    EXPECT_NEAR(e.values[4].value, r2 / (r1 + r2), 1e-15);
    EXPECT_EQ(c.out,
              "Observed 1 Bayes (0.800000)[1 0.006250 2 0.615385 ] Discrim (0.600000)[1 0.880797 2 0.119203 "
              "Final [1 0.379708 2 0.620292 ]\n");
    EXPECT_EQ(c.err, "");
}

TEST_F(Norvex, PositionsAndModelledClassesDisagree) {
    TRACE = 1;
    Instance more = example(1, {1, 15.0});
    Captured c = capture_output([&] { EXPECT_EQ(Norvex_classify_teste_example(domain, more, weather_node(), 3), 2); });
    EXPECT_EQ(c.out, "Final [1 0.003891 2 0.996109 ]\n");
    EXPECT_EQ(c.err, "Hummmmmm\nNV test exam Hummmmmm Hiddden 3.000000 k 2 \n");
    ASSERT_EQ(more.nr_attributes, 5);
    EXPECT_EQ(more.values[5].value, 0.0);
    // One position: the second modelled class takes no part.
    Instance fewer = example(1, {1, 15.0});
    c = capture_output([&] { EXPECT_EQ(Norvex_classify_teste_example(domain, fewer, weather_node(), 1), 1); });
    EXPECT_EQ(c.out, "Final [1 1.000000 ]\n");
    EXPECT_EQ(c.err, "Hummmmmm\nNV test exam Hummmmmm Hiddden 1.000000 k 2 \n");
    EXPECT_EQ(fewer.nr_attributes, 3);
}

TEST_F(Norvex, LeafAnswersOverAllClassesWithTheThresholdIncluded) {
    const Vector p = Norvex_Leaf(domain, example(1, {1, 15.0}), weather_node(), 2);
    EXPECT_NEAR(p[1], SUNNY_A, 1e-15);
    EXPECT_NEAR(p[2], SUNNY_B, 1e-15);
    EXPECT_EQ(p[3], 0.0);
    NodeData d = weather_node();
    d.class_counts = {40, 10, 25, 5};  // 5 = 2.5 * 2: modelled
    Vector q;
    Captured c = capture_output([&] { q = Norvex_Leaf(domain, example(1, {1, 15.0}), d, 3); });
    EXPECT_EQ(c.err, "");
    // Priors times 10/40/40, 16/25 and 5/40/40.
    const double a = 0.25 * 0.00625, b = 0.625 * 0.64, third = 0.125 * 0.003125;
    EXPECT_NEAR(q[1], a / (a + b + third), 1e-15);
    EXPECT_NEAR(q[3], third / (a + b + third), 1e-15);
    d.class_counts[3] = 4.999;
    c = capture_output([&] { q = Norvex_Leaf(domain, example(1, {1, 15.0}), d, 3); });
    EXPECT_EQ(q[3], 0.0);
    EXPECT_EQ(c.err, "Hummmmmm\nNV Leaf Hummmmmm Hidden 3.000000 k 2\n");
}

TEST_F(Norvex, DescentThroughAClassRoutedNodeToANorvexLeaf) {
    NodeData leaf = weather_node();
    leaf.norvex = 1;
    leaf.nr_norvex_classes = 0;  // positions from the linear functions: 1 + 1
    leaf.nr_linears = 1;
    NodeData other;
    other.class_dist = {0, 1, 0, 0};
    NodeData root = weather_node();
    root.norvex = 1;
    Tree tree{{TreeNode{LEAF, 1, other, 0, 2, {}}, TreeNode{LEAF, 2, leaf, 0, 2, {}},
               TreeNode{MULTIWAY, 3, root, 2, NO_NODE, {NO_NODE, 0, 1}}},
              2};
    Instance sunny = example(1, {1, 15.0});  // the model predicts b: branch 2
    const ClassProbs p = classify_example(domain, CiDataset{}, tree, tree.root, sunny);
    ASSERT_TRUE(p);
    EXPECT_NEAR((*p)[1], SUNNY_A, 1e-15);
    EXPECT_EQ((*p)[3], 0.0);
    EXPECT_EQ(sunny.nr_attributes, 4);
    EXPECT_EQ(tree.node(1).data->test_errors, 1);
    EXPECT_EQ(tree.node(0).data->test_cases, 0);
}

}  // namespace

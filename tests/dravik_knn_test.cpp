// Nearest-neighbour leaves: the sorted neighbour list, the distance over each kind of
// attribute, the vote and the gate that decides whether a leaf votes.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <vector>

#include "Dravik.h"
#include "classify.h"
#include "support/capture.h"

namespace {

using Vector = std::vector<double>;

Domain make_domain(std::vector<Attribute> attributes) {
    attributes.insert(attributes.begin(), Attribute{});
    const int count = static_cast<int>(attributes.size()) - 1;
    attributes.push_back(Attribute{"class", NOMINAL, {"", "yes", "no"}});
    return Domain{"points", count, std::move(attributes)};
}

Instance example(int cls, const std::vector<std::optional<double>>& values, double weight = 1.0) {
    Instance e{cls, static_cast<int>(values.size()), weight, {AttVal{}}};
    for (const std::optional<double>& v : values)
        e.values.push_back(v ? AttVal{STATUS_KNOWN, *v} : AttVal{STATUS_UNKNOWN, UNKNOWN_VALUE});
    return e;
}

DMatrix table(const std::vector<Vector>& rows) {
    DMatrix m(0, static_cast<int>(rows.size()) - 1, 0, static_cast<int>(rows[0].size()) - 1);
    for (size_t r = 0; r < rows.size(); ++r)
        for (size_t c = 0; c < rows[r].size(); ++c) m.at(static_cast<int>(r), static_cast<int>(c)) = rows[r][c];
    return m;
}

// colour (r, g), size over min..max with mean 5, count (labels 1, 2), and a derived
// position 4 with mean 0.5.
const Domain MIXED = make_domain({Attribute{"colour", NOMINAL, {"", "r", "g"}}, Attribute{"size", CONTINUOUS, {}},
                                  Attribute{"count", INTEGER, {"", "1", "2"}}});

ClassStats mixed_stats(double size_min = 0, double size_max = 10) {
    return ClassStats{{std::nullopt, table({{4, 4, 8, 1.6}, {1, 4, 2, 1.3}, {3, 0, 6, 2}}),
                       table({{0, 5, size_min, size_max, 0}, {0, 4, 0, 9, 0}, {0, 6, 1, 10, 0}}),
                       table({{0, 5, 5, 1.5}, {0, 5, 0, 1}, {0, 0, 5, 2}}),
                       table({{0, 0.5, 0, 1, 0}, {0, 0.4, 0, 1, 0}, {0, 0.6, 0, 1, 0}})}};
}

double mixed_distance(const Instance& exemplar, const Instance& e, double size_range_max = 10) {
    return distance(MIXED, mixed_stats(0, size_range_max), exemplar, e, 4, 4);
}

// One attribute x over 0..1; exemplars at 0 (yes), 1 (no) and 0.4 (no); the leaf's own
// distribution is (0.6, 0.4).
struct Line {
    Domain domain = make_domain({Attribute{"x", CONTINUOUS, {}}});
    ClassStats stats{{std::nullopt, table({{0, 0.5, 0, 1, 0}, {0, 0.2, 0, 1, 0}, {0, 0.7, 0, 1, 0}})}};
    CiDataset exemplars{domain, 3, {Instance{}, example(1, {0.0}), example(2, {1.0}), example(2, {0.4})}};
    Vector class_dist{0, 0.6, 0.4};

    Vector vote(const Vector& numbers) const {
        return classify_exampleKnn(domain, exemplars, numbers, stats, static_cast<int32_t>(numbers.size()) - 1, 1,
                                   example(1, {0.5}), class_dist);
    }
};

// For an example at 0.5 the nearest two are the third exemplar (no, 0.1 away) and the
// first (yes, 0.5 away), weighted e^-d, then averaged with the distribution.
const double YES = std::exp(-0.5), NO = std::exp(-(0.5 - 0.4));
const Vector TWO_NEAREST{0, (YES / (YES + NO) + 0.6) * 0.5, (NO / (YES + NO) + 0.4) * 0.5};

void expect_near(const Vector& actual, const Vector& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t c = 1; c < actual.size(); ++c) EXPECT_NEAR(actual[c], expected[c], 1e-15) << "class " << c;
}

class Neighbours : public ::testing::Test {
   protected:
    void TearDown() override {
        TRACE = 0;
        KNN = 0;
    }
};

TEST_F(Neighbours, ListStaysSortedAndEqualDistancesKeepTheirOrder) {
    std::vector<Neighbour> list(4);
    int count = 0;
    for (const auto& [d, c] : std::vector<std::pair<double, double>>{{5, 1}, {3, 2}, {5, 3}})
        count = insert_knn(list, count, d, c);
    EXPECT_EQ(count, 3);
    EXPECT_EQ((Vector{list[1].class_number, list[2].class_number, list[3].class_number}), (Vector{2, 1, 3}));
    for (const auto& [d, c] : std::vector<std::pair<double, double>>{{4, 4}, {1, 5}, {4, 6}})
        count = insert_knn(list, count, d, c);
    EXPECT_EQ(count, 3);
    EXPECT_EQ((Vector{list[1].class_number, list[2].class_number, list[3].class_number}), (Vector{5, 2, 4}));
    EXPECT_EQ((Vector{list[1].distance, list[2].distance, list[3].distance}), (Vector{1, 3, 4}));
}

TEST_F(Neighbours, DistanceOverEveryKindOfAttribute) {
    const Instance exemplar = example(1, {1, 3.0, 1, 0.75}), e = example(2, {2, 8.0, 1, 0.25});
    // colour ((4-2)/4)^2 + ((0-6)/4)^2 = 2.5, size ((3-8)/10)^2, derived (0.75-0.25)^2.
    EXPECT_EQ(mixed_distance(exemplar, e), std::sqrt(3.0));
    EXPECT_EQ(mixed_distance(example(1, {1, 3.0, 1, 0.75}, 2.0), e), std::sqrt(1.5));  // over the weight
    EXPECT_EQ(mixed_distance(e, e), 0.0);
    // Labels 1 and 2 of count: ((5-0)/4)^2 + ((0-5)/4)^2; 7 is no label: the unknown column.
    EXPECT_EQ(mixed_distance(example(1, {1, 3.0, 1, 0.5}), example(1, {1, 3.0, 2, 0.5})), std::sqrt(3.125));
    EXPECT_EQ(mixed_distance(example(1, {1, 3.0, 1, 0.5}), example(1, {1, 3.0, 7, 0.5})), std::sqrt(1.5625));
}

TEST_F(Neighbours, UnknownValuesUseTheUnknownColumnAndTheMean) {
    // The exemplar holds no value at the derived position 4.
    const Instance exemplar = example(1, {std::nullopt, std::nullopt, 1}), e = example(2, {1, 7.5, 1, 0.75});
    // colour ((1-4)/4)^2 + ((3-0)/4)^2 = 1.125, size ((5-7.5)/10)^2, derived (0.5-0.75)^2.
    EXPECT_EQ(mixed_distance(exemplar, e), std::sqrt(1.25));
}

TEST_F(Neighbours, DistanceTraceAndFlatRange) {
    const Instance exemplar = example(1, {1, 3.0, 1, 0.75}), e = example(2, {2, 8.0, 1, 0.25});
    TRACE = 2;
    EXPECT_EQ(capture_output([&] { mixed_distance(exemplar, e); }).out, "");
    TRACE = 3;
    EXPECT_EQ(capture_output([&] { mixed_distance(exemplar, e); }).out,
              "Val1 3.000000 Val2 8.000000 Max 10.000000 Min 0.000000 Dif -5.000000 Dist 0.500000 \n"
              "Val1 0.750000 Val2 0.250000 Max 1.000000 Min 0.000000 Dif 0.500000 Dist 0.500000 \n");
    // A size range of 5..5 adds nothing, but is traced.
    const ClassStats flat = mixed_stats(5, 5);
    double d = -1;
    const Captured c = capture_output([&] {
        d = distance(MIXED, flat, exemplar, example(2, {1, 8.0, 1, 0.75}), 4, 4);
    });
    EXPECT_EQ(d, 0.0);
    EXPECT_EQ(c.out,
              "Val1 3.000000 Val2 8.000000 Max 5.000000 Min 5.000000 Dif -5.000000 Dist inf \n"
              "Val1 0.750000 Val2 0.750000 Max 1.000000 Min 0.000000 Dif 0.000000 Dist 0.000000 \n");
}

TEST_F(Neighbours, VotePassesOverNumbersOutsideTheExemplars) {
    const Line line;
    KNN = 2;
    TRACE = 2;
    // 7, NaN and 0.5 (truncated to 0) name no exemplar; 3.9 names the third.
    Vector v;
    const Captured c = capture_output([&] {
        v = line.vote({0, 1, 7, 2, std::numeric_limits<double>::quiet_NaN(), 3.9, 0.5});
    });
    expect_near(v, TWO_NEAREST);
    EXPECT_EQ(c.out,
              "\tExemplo 1 Distancia 0.500000\n"
              "\tExemplo 3 Distancia 0.500000\n"
              "\tExemplo 5 Distancia 0.100000\n"
              "[1 2 0.100 0.990050]\t[2 1 0.500 0.951229]\t");
    // No usable number at all: half the leaf's distribution.
    EXPECT_EQ(line.vote({0, -1, 4, 0.2}), (Vector{0, 0.3, 0.2}));
}

TEST_F(Neighbours, EarlierExemplarKeepsTheLastPlace) {
    KNN = 1;
    // The first two exemplars are both 0.5 away: the first one takes the only place.
    EXPECT_EQ(Line{}.vote({0, 1, 2}), (Vector{0, (1 + 0.6) * 0.5, (0 + 0.4) * 0.5}));
}

TEST_F(Neighbours, GateNeedsNeighboursExemplarsStatisticsAndImpurity) {
    Line line;
    NodeData d;
    d.class_counts = {10, 6, 4};
    d.class_dist = line.class_dist;
    d.nr_attributes = 1;
    d.stats = line.stats;
    d.nr_exemplars = 3;
    d.exemplars = {0, 1, 2, 3};
    Tree tree{{TreeNode{LEAF, 1, d, 0, NO_NODE, {}}}, 0};
    NodeData& leaf = *tree.node(0).data;
    auto answer = [&] {
        Instance e = example(1, {0.5});
        return *classify_example(line.domain, line.exemplars, tree, 0, e);
    };
    EXPECT_EQ(answer(), line.class_dist);  // KNN 0
    KNN = 2;
    expect_near(answer(), TWO_NEAREST);
    KNN = 3;  // needs more than 3 exemplars
    EXPECT_EQ(answer(), line.class_dist);
    KNN = 2;
    leaf.class_counts = {10, 2, 8};  // outside the majority class only 2: not above 2
    EXPECT_EQ(answer(), line.class_dist);
    leaf.class_counts = {10, 2, 7};
    expect_near(answer(), TWO_NEAREST);
    leaf.stats.reset();
    EXPECT_EQ(answer(), line.class_dist);
    EXPECT_EQ(leaf.test_cases, 6);
    EXPECT_EQ(leaf.test_errors, 0);
}

}  // namespace

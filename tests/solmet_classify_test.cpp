// Scoring with the discriminant functions and classifying a test set.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "coeficients.h"
#include "support/capture.h"
#include "support/run_program.h"

namespace {

Attribute attribute(const std::string& name, int type, std::vector<std::string> labels = {}) {
    Attribute a;
    a.name = name;
    a.type = type;
    if (!labels.empty()) {
        a.values = {""};
        a.values.insert(a.values.end(), labels.begin(), labels.end());
    }
    return a;
}

Domain domain_of(std::vector<Attribute> attributes, std::vector<std::string> classes) {
    Domain d;
    d.name = "d";
    d.nr_attributes = static_cast<int>(attributes.size());
    d.attributes = {Attribute{}};
    d.attributes.insert(d.attributes.end(), attributes.begin(), attributes.end());
    d.attributes.push_back(attribute("class", NOMINAL, std::move(classes)));
    return d;
}

AttVal known(double v) { return AttVal{STATUS_KNOWN, v}; }
AttVal unknown() { return AttVal{STATUS_UNKNOWN, UNKNOWN_VALUE}; }
AttVal dontcare() { return AttVal{STATUS_DONTCARE, UNKNOWN_VALUE}; }

Instance example(int class_value, std::vector<AttVal> values) {
    Instance e;
    e.class_value = class_value;
    e.nr_attributes = static_cast<int>(values.size());
    e.values = {AttVal{}};
    e.values.insert(e.values.end(), values.begin(), values.end());
    return e;
}

DMatrix matrix_of(const std::vector<std::vector<double>>& rows) {
    DMatrix m(1, static_cast<int>(rows.size()), 1, static_cast<int>(rows[0].size()));
    for (size_t r = 0; r < rows.size(); ++r)
        for (size_t k = 0; k < rows[r].size(); ++k) m.at(static_cast<int>(r) + 1, static_cast<int>(k) + 1) = rows[r][k];
    return m;
}

// colour (r, g, b) and h (continuous); classes x, y and the reference z.
struct ThreeClassModel {
    Domain domain = domain_of({attribute("colour", NOMINAL, {"r", "g", "b"}), attribute("h", CONTINUOUS)},
                              {"x", "y", "z"});
    DMatrix coefficients = matrix_of({{1.0, 0.5, -2.0}, {-1.0, 1.0, 0.25}});
    ClassStats stats = make_stats();

    // Class means that stand in for unknown values: colour 3 (x) and 1 (y), h 4 (x) and -2 (y).
    static ClassStats make_stats() {
        ClassStats s;
        s.tables.resize(3);
        s.tables[1] = DMatrix(0, 3, 0, 4);
        s.tables[1]->at(0, 4) = 2.0;
        s.tables[1]->at(1, 4) = 3.0;
        s.tables[1]->at(2, 4) = 1.0;
        s.tables[1]->at(3, 4) = 50.0;
        s.tables[2] = DMatrix(0, 3, 0, 3);
        s.tables[2]->at(0, MEAN) = 7.0;
        s.tables[2]->at(1, MEAN) = 4.0;
        s.tables[2]->at(2, MEAN) = -2.0;
        s.tables[2]->at(3, MEAN) = 60.0;
        return s;
    }
    std::vector<double> scores(const Instance& e) const { return discriminant_scores(e, domain, coefficients, stats, 2); }
};

TEST(DiscriminantScores, ConstantPlusCoefficientTimesValue) {
    const ThreeClassModel m;
    // x: 1 + 0.5*2 - 2*0.5 = 1; y: -1 + 2 + 0.25*0.5 = 1.125; z: 0
    EXPECT_EQ(m.scores(example(2, {known(2), known(0.5)})), (std::vector<double>{0, 1.0, 1.125, 0.0}));
}

TEST(DiscriminantScores, UnknownValueTakesTheMeanOfTheScoredClass) {
    const ThreeClassModel m;
    // h stands in as 4 for x and -2 for y: x: 1 + 0.5 - 8 = -6.5; y: -1 + 1 - 0.5 = -0.5
    EXPECT_EQ(m.scores(example(3, {known(1), unknown()})), (std::vector<double>{0, -6.5, -0.5, 0.0}));
    // colour stands in as 3 for x and 1 for y (the value_mean column): x: 1 + 1.5 = 2.5; y: -1 + 1 = 0
    EXPECT_EQ(m.scores(example(1, {dontcare(), known(0)})), (std::vector<double>{0, 2.5, 0.0, 0.0}));
    EXPECT_EQ(m.scores(example(1, {unknown(), known(0)})), (std::vector<double>{0, 2.5, 0.0, 0.0}));
}

TEST(DiscriminantScores, IntegerAttributeBringsItsOwnValue) {
    const Domain domain = domain_of({attribute("n", INTEGER, {"10", "20", "30"})}, {"x", "y"});
    ClassStats stats;
    stats.tables.resize(2);
    stats.tables[1] = DMatrix(0, 2, 0, 4);
    stats.tables[1]->at(1, 4) = 15.0;
    const DMatrix coefficients = matrix_of({{1.0, 0.5}});
    EXPECT_EQ(discriminant_scores(example(1, {known(20)}), domain, coefficients, stats, 1)[1], 11.0);
    EXPECT_EQ(discriminant_scores(example(1, {known(7)}), domain, coefficients, stats, 1)[1], 4.5);
    EXPECT_EQ(discriminant_scores(example(1, {unknown()}), domain, coefficients, stats, 1)[1], 8.5);
}

// Only attributes that take part use up a coefficient column.
TEST(DiscriminantScores, DateAttributeUsesNoColumn) {
    const Domain domain = domain_of({attribute("a", CONTINUOUS), attribute("when", DATE), attribute("b", CONTINUOUS)},
                                    {"x", "y"});
    ClassStats stats;
    stats.tables.resize(4);
    stats.tables[1] = DMatrix(0, 2, 0, 3);
    stats.tables[3] = DMatrix(0, 2, 0, 3);
    const DMatrix coefficients = matrix_of({{1.0, 2.0, 3.0}});
    // 1 + 2*1 + 3*10
    EXPECT_EQ(discriminant_scores(example(1, {known(1), known(5), known(10)}), domain, coefficients, stats, 3)[1],
              33.0);
}

TEST(ClassWeights, DifferenceFromTheBestScore) {
    const std::vector<double> w = class_weights({0, 1.0, 1.125, 0.0});
    EXPECT_EQ(w[1], std::exp(-0.125));
    EXPECT_EQ(w[2], 1.0);
    EXPECT_EQ(w[3], std::exp(-1.125));
}

TEST(ClassWeights, FloorAtMinus25) {
    const std::vector<double> w = class_weights({0, 100.0, 75.0, 74.0, 0.0});
    EXPECT_EQ(w[1], 1.0);
    EXPECT_EQ(w[2], std::exp(-25.0));
    EXPECT_EQ(w[3], std::exp(-25.0));
    EXPECT_EQ(w[4], std::exp(-25.0));
    EXPECT_GT(w[4], 0.0);
}

TEST(ClassWeights, FirstLargestEntryIsTheBest) {
    EXPECT_EQ(class_weights({0, -3.0, -3.0, -30.0}), (std::vector<double>{0, 1.0, 1.0, std::exp(-25.0)}));
}

TEST(PredictedClass, TiesGoToTheLowestClass) {
    EXPECT_EQ(predicted_class({0, 1.0, 1.0}), 1);  // two classes, score exactly 0
    EXPECT_EQ(predicted_class({0, 0.5, 1.0, 1.0}), 2);
    EXPECT_EQ(predicted_class({0, 0.5, 0.7, 1.0}), 3);
    EXPECT_EQ(predicted_class({0, 1.0, 1.0, 1.0, 1.0}), 1);  // all coefficients 0
}

class ClassifyTestset : public ::testing::Test {
protected:
    void SetUp() override {
        data.domain = model.domain;
        data.domain.name = dir.file("d").string();
        // Predicted: y, z, x, y (see the score tests above).
        add(example(2, {known(2), known(0.5)}));
        add(example(3, {known(1), unknown()}));
        add(example(2, {dontcare(), known(0)}));
        add(example(1, {known(2), known(0.5)}));
    }
    void TearDown() override {
        VERBOSITY = 0;
        PREDICT_PATH.reset();
    }
    void add(Instance e) {
        e.values[0].value = static_cast<double>(data.instances.size());
        data.instances.push_back(std::move(e));
        data.nr_instances = static_cast<int>(data.instances.size()) - 1;
    }
    IMatrix classify(int first, int last) {
        IMatrix confusion;
        const Captured captured = capture_output(
            [&] { confusion = classify_testset(data, model.coefficients, model.stats, first, last, 2, errors); });
        out = captured.out;
        err = captured.err;
        return confusion;
    }

    TempDir dir;
    ThreeClassModel model;
    CiDataset data{Domain{}, 0, {Instance{}}};
    long errors = -1;
    std::string out, err;
};

TEST_F(ClassifyTestset, ConfusionRowsAreObservedClasses) {
    const IMatrix confusion = classify(1, 4);
    EXPECT_EQ(errors, 2);
    const int expected[4][4] = {{}, {0, 0, 1, 0}, {0, 1, 1, 0}, {0, 0, 0, 1}};
    for (int o = 1; o <= 3; ++o)
        for (int p = 1; p <= 3; ++p) EXPECT_EQ(confusion.at(o, p), expected[o][p]) << o << "," << p;
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "");
    EXPECT_EQ(dir.read("d.pred"), "y\nz\nx\ny\n");
}

TEST_F(ClassifyTestset, OnlyTheGivenRange) {
    const IMatrix confusion = classify(2, 3);
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(confusion.at(3, 3), 1);
    EXPECT_EQ(confusion.at(2, 1), 1);
    EXPECT_EQ(confusion.at(2, 2), 0);
    EXPECT_EQ(dir.read("d.pred"), "z\nx\n");
}

TEST_F(ClassifyTestset, VerboseLines) {
    VERBOSITY = 2;
    classify(1, 2);
    EXPECT_EQ(out, "Example 1  Classified y Predict y \nExample 2  Classified z Predict z \n");
    VERBOSITY = 3;
    classify(1, 4);
    EXPECT_EQ(out,
              "Example 1  Classified y Predict y [0.399836 0.453073 0.147091 ]\n"
              "Example 2  Classified z Predict z [0.000935 0.377188 0.621877 ]\n"
              "Example 3  Classified y Predict x [0.858981 0.070509 0.070509 ]\n"
              "Example 4  Classified x Predict y [0.399836 0.453073 0.147091 ]\n");
}

TEST_F(ClassifyTestset, TwoClassVerboseLine) {
    data.domain = domain_of({attribute("h", CONTINUOUS)}, {"yes", "no"});
    data.domain.name = dir.file("d").string();
    data.instances = {Instance{}};
    add(example(1, {known(1)}));
    add(example(1, {known(2)}));
    add(example(1, {known(3)}));
    model.coefficients = matrix_of({{1.0, -1.0}});  // scores 0, -1, -2 for class yes
    VERBOSITY = 3;
    classify(1, 3);
    EXPECT_EQ(out,
              "Example 1  Classified yes Predict yes [0.500000 0.500000 ]\n"
              "Example 2  Classified yes Predict no [0.268941 0.731059 ]\n"
              "Example 3  Classified yes Predict no [0.119203 0.880797 ]\n");
    EXPECT_EQ(errors, 2);
}

TEST_F(ClassifyTestset, PredictionsGoToTheGivenPath) {
    PREDICT_PATH = dir.file("out.txt").string();
    classify(1, 4);
    EXPECT_EQ(dir.read("out.txt"), "y\nz\nx\ny\n");
    EXPECT_FALSE(dir.exists("d.pred"));
    EXPECT_FALSE(dir.exists("out.txt.pred"));
}

TEST_F(ClassifyTestset, NoExamplesLeaveAnEmptyFile) {
    dir.write("d.pred", "old content\n");
    const IMatrix confusion = classify(1, 0);
    EXPECT_EQ(errors, 0);
    for (int o = 1; o <= 3; ++o)
        for (int p = 1; p <= 3; ++p) EXPECT_EQ(confusion.at(o, p), 0);
    EXPECT_TRUE(dir.exists("d.pred"));
    EXPECT_EQ(dir.read("d.pred"), "");
}

TEST_F(ClassifyTestset, UnopenablePredictionsFileIsReportedAndClassificationGoesOn) {
    PREDICT_PATH = dir.file("no-such-folder/out.txt").string();
    VERBOSITY = 2;
    const IMatrix confusion = classify(1, 4);
    EXPECT_EQ(err, "Can not open file " + *PREDICT_PATH + "\n");
    EXPECT_EQ(errors, 2);
    EXPECT_EQ(confusion.at(3, 3), 1);
    EXPECT_NE(out.find("Example 4  Classified x Predict y"), std::string::npos);
}

}  // namespace

// The discriminant model: its file reader, its display, scoring and test-set classification.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "Solmet.h"
#include "coeficients.h"
#include "support/binary_writer.h"
#include "support/capture.h"
#include "support/run_program.h"

namespace {

Attribute attribute(const std::string& name, int type, std::vector<std::string> labels = {}) {
    Attribute a{name, type, {}};
    if (!labels.empty()) a.values.push_back("");
    a.values.insert(a.values.end(), labels.begin(), labels.end());
    return a;
}

// A domain as the driver holds it: the attributes, then the class.
Domain domain_of(std::vector<Attribute> attributes, std::vector<std::string> classes) {
    Domain d{"d", static_cast<int>(attributes.size()), {Attribute{}}};
    d.attributes.insert(d.attributes.end(), attributes.begin(), attributes.end());
    d.attributes.push_back(attribute("class", NOMINAL, std::move(classes)));
    return d;
}

DMatrix matrix_of(const std::vector<std::vector<double>>& rows) {
    DMatrix m(1, static_cast<int>(rows.size()), 1, rows.empty() ? 0 : static_cast<int>(rows[0].size()));
    for (size_t r = 0; r < rows.size(); ++r)
        for (size_t k = 0; k < rows[r].size(); ++k) m.at(static_cast<int>(r) + 1, static_cast<int>(k) + 1) = rows[r][k];
    return m;
}

// ---- Coefficient file ---------------------------------------------------------------------

// Two classes, a nominal attribute of three labels and a continuous one: one function of
// three coefficients, then statistics of 3 rows x 5 and 3 rows x 4 doubles.
const Domain kMixed =
    domain_of({attribute("colour", NOMINAL, {"r", "g", "b"}), attribute("h", CONTINUOUS)}, {"yes", "no"});

std::string mixed_file() {
    const StatsTable colour(3, std::vector<double>{0, 1, 2, 3, 1.75});
    return coef_file({{0.5, -2.0, 3.25}}, 3, {colour, continuous_table(3, 1, 42, -1, 50)});
}

class CoefReader : public ::testing::Test {
   protected:
    std::optional<ClassStats> read(const std::string& bytes, const Domain& domain = kMixed) {
        dir.write("d.coef", bytes);
        std::optional<ClassStats> stats;
        err = capture_output([&] { stats = read_coeficientes(base(), domain, coefficients); }).err;
        return stats;
    }
    std::string base() const { return dir.file("d").string(); }
    std::string refusal() const { return "Can not read in file " + base() + ".coef\n"; }

    TempDir dir;
    Coefficients coefficients;
    std::string err;
};

TEST_F(CoefReader, ReadsMatrixAndStatistics) {
    const std::string bytes = mixed_file();
    ASSERT_EQ(bytes.size(), 8u + 24 + 120 + 96);
    const std::optional<ClassStats> stats = read(bytes + "trailing bytes are ignored");
    ASSERT_TRUE(stats);
    EXPECT_EQ(err, "");
    EXPECT_EQ(coefficients.nr_rows, 1);
    EXPECT_EQ(coefficients.nr_cols, 3);
    EXPECT_EQ(coefficients.matrix.at(1, 1), 0.5);
    EXPECT_EQ(coefficients.matrix.at(1, 3), 3.25);
    EXPECT_EQ(stats->tables[1]->at(2, 4), 1.75);
    EXPECT_EQ(stats->tables[2]->at(2, MEAN), 42.0);
    EXPECT_EQ(stats->tables[2]->at(0, MIN), -1.0);
}

TEST_F(CoefReader, RowsFollowEachOtherAndSurplusIsAccepted) {
    // Three classes need two functions of two coefficients; a third column is harmless.
    const Domain domain = domain_of({attribute("a", CONTINUOUS)}, {"x", "y", "z"});
    ASSERT_TRUE(read(coef_file({{1, 2, 3}, {4, 5, 6}}, 3, {continuous_table(4, 0, 0, 0, 0)}), domain));
    EXPECT_EQ(coefficients.matrix.at(1, 3), 3.0);
    EXPECT_EQ(coefficients.matrix.at(2, 1), 4.0);
}

TEST_F(CoefReader, MissingFile) {
    std::optional<ClassStats> stats;
    err = capture_output([&] { stats = read_coeficientes(base(), kMixed, coefficients); }).err;
    EXPECT_FALSE(stats);
    EXPECT_EQ(err, "Can not open file " + base() + ".coef\n");
}

TEST_F(CoefReader, RefusesCountsThatCannotServeTheDomainOrFitTheFile) {
    const std::string stats_bytes = mixed_file().substr(8 + 24);
    const auto file = [&](int32_t rows, int32_t cols, size_t doubles) {
        BinaryWriter out;
        out.i32(rows).i32(cols).f64s(std::vector<double>(doubles, 1.0)).raw(stats_bytes);
        return out.bytes;
    };
    const int32_t huge = 2147483647;
    const struct {
        int32_t rows, cols;
        const char* why;
    } cases[] = {{-1, 3, "negative rows"},
                 {1, -3, "negative columns"},
                 {0, 3, "fewer functions than classes - 1"},
                 {1, 2, "too few columns"},
                 {huge, huge, "largest counts"},
                 {1, huge, "huge row"},
                 {huge, 3, "huge row count"},
                 {-huge - 1, -huge - 1, "smallest counts"},
                 {30, 3, "past the end"}};
    for (const auto& c : cases) {
        EXPECT_FALSE(read(file(c.rows, c.cols, 3))) << c.why;
        EXPECT_EQ(err, refusal()) << c.why;
    }
}

// Cut short before the statistics, the file is refused with a message; inside them
// silently (the driver reports both).
TEST_F(CoefReader, TruncatedAnywhereIsRefused) {
    const std::string bytes = mixed_file();
    for (size_t length = 0; length < bytes.size(); ++length) {
        EXPECT_FALSE(read(bytes.substr(0, length))) << "cut at " << length;
        EXPECT_EQ(err, length < 8 + 24 ? refusal() : "") << "cut at " << length;
    }
}

// ---- Display ----------------------------------------------------------------------------

std::string shown(const std::vector<std::vector<double>>& rows, int nr_cols) {
    return capture_output([&] { Show_coeficientes(matrix_of(rows), static_cast<int>(rows.size()), nr_cols); }).out;
}

TEST(ShowCoeficientes, SkipsZeroCoefficientsAndRows) {
    EXPECT_EQ(shown({{0.5, 0, -1.25, 3}}, 4),
              "\nCoefficients: \n+0.5-1.25*[2]+3*[3]\nNumber of equations 1 Number of Coefficients 3\n");
    EXPECT_EQ(shown({{0, 0, -0.0}, {0, 2, 0}, {-7, 0, 0}}, 3),
              "\nCoefficients: \n+2*[1]\n-7\nNumber of equations 2 Number of Coefficients 2\n");
    EXPECT_EQ(shown({}, 5), "\nCoefficients: \nNumber of equations 0 Number of Coefficients 0\n");
}

TEST(ShowCoeficientes, FourSignificantDigits) {
    EXPECT_EQ(shown({{17.9412, 0.000123456, 123456, -1e-20}}, 4),
              "\nCoefficients: \n+17.94+0.0001235*[1]+1.235e+05*[2]-1e-20*[3]\n"
              "Number of equations 1 Number of Coefficients 4\n");
}

// ---- Scoring ------------------------------------------------------------------------------

AttVal known(double v) { return AttVal{STATUS_KNOWN, v}; }
AttVal unknown() { return AttVal{STATUS_UNKNOWN, UNKNOWN_VALUE}; }
AttVal dontcare() { return AttVal{STATUS_DONTCARE, UNKNOWN_VALUE}; }

Instance example(int class_value, std::vector<AttVal> values) {
    Instance e{class_value, static_cast<int>(values.size()), 1.0, {AttVal{}}};
    e.values.insert(e.values.end(), values.begin(), values.end());
    return e;
}

// colour (r, g, b) and h (continuous); classes x, y and the reference z. Class means stand
// in for unknown values: colour 3 (x) and 1 (y), h 4 (x) and -2 (y).
struct ThreeClassModel {
    Domain domain =
        domain_of({attribute("colour", NOMINAL, {"r", "g", "b"}), attribute("h", CONTINUOUS)}, {"x", "y", "z"});
    DMatrix coefficients = matrix_of({{1.0, 0.5, -2.0}, {-1.0, 1.0, 0.25}});
    ClassStats stats = make_stats();

    static ClassStats make_stats() {
        ClassStats s{{std::nullopt, DMatrix(0, 3, 0, 4), DMatrix(0, 3, 0, 3)}};
        const double colour_means[] = {2, 3, 1, 50}, h_means[] = {7, 4, -2, 60};
        for (int r = 0; r <= 3; ++r) {
            s.tables[1]->at(r, 4) = colour_means[r];
            s.tables[2]->at(r, MEAN) = h_means[r];
        }
        return s;
    }
    std::vector<double> scores(const Instance& e) const {
        return discriminant_scores(e, domain, coefficients, stats, 2);
    }
};

TEST(DiscriminantScores, ConstantPlusCoefficientTimesValue) {
    // x: 1 + 0.5*2 - 2*0.5 = 1; y: -1 + 2 + 0.25*0.5 = 1.125; z: 0
    EXPECT_EQ(ThreeClassModel().scores(example(2, {known(2), known(0.5)})), (std::vector<double>{0, 1.0, 1.125, 0}));
}

TEST(DiscriminantScores, UnknownValueTakesTheMeanOfTheScoredClass) {
    const ThreeClassModel m;
    // h is 4 for x and -2 for y: x: 1 + 0.5 - 8 = -6.5; y: -1 + 1 - 0.5 = -0.5
    EXPECT_EQ(m.scores(example(3, {known(1), unknown()})), (std::vector<double>{0, -6.5, -0.5, 0}));
    // colour is 3 for x and 1 for y (the value_mean column): x: 1 + 1.5 = 2.5; y: -1 + 1 = 0
    EXPECT_EQ(m.scores(example(1, {dontcare(), known(0)})), (std::vector<double>{0, 2.5, 0, 0}));
    EXPECT_EQ(m.scores(example(1, {unknown(), known(0)})), (std::vector<double>{0, 2.5, 0, 0}));
}

TEST(DiscriminantScores, IntegerAttributeBringsItsOwnValue) {
    const Domain domain = domain_of({attribute("n", INTEGER, {"10", "20", "30"})}, {"x", "y"});
    ClassStats stats{{std::nullopt, DMatrix(0, 2, 0, 4)}};
    stats.tables[1]->at(1, 4) = 15.0;
    const DMatrix coefficients = matrix_of({{1.0, 0.5}});
    const auto score = [&](AttVal v) {
        return discriminant_scores(example(1, {v}), domain, coefficients, stats, 1)[1];
    };
    EXPECT_EQ(score(known(20)), 11.0);  // the integer, not its label number
    EXPECT_EQ(score(unknown()), 8.5);
}

TEST(ClassWeights, DifferenceFromTheBestScoreWithAFloor) {
    EXPECT_EQ(class_weights({0, 1.0, 1.125, 0}), (std::vector<double>{0, std::exp(-0.125), 1.0, std::exp(-1.125)}));
    const double floor = std::exp(-25.0);
    EXPECT_EQ(class_weights({0, 100.0, 75.0, 74.0, 0}), (std::vector<double>{0, 1.0, floor, floor, floor}));
    EXPECT_EQ(class_weights({0, -3.0, -3.0, -30.0}), (std::vector<double>{0, 1.0, 1.0, floor}));
}

TEST(PredictedClass, TiesGoToTheLowestClass) {
    EXPECT_EQ(predicted_class({0, 1.0, 1.0}), 1);  // two classes, score exactly 0
    EXPECT_EQ(predicted_class({0, 0.5, 1.0, 1.0}), 2);
    EXPECT_EQ(predicted_class({0, 0.5, 0.7, 1.0}), 3);
    EXPECT_EQ(predicted_class({0, 1.0, 1.0, 1.0, 1.0}), 1);  // all coefficients 0
}

// ---- Test-set classification -----------------------------------------------------------

class ClassifyTestset : public ::testing::Test {
   protected:
    void SetUp() override {
        data.domain = model.domain;
        data.domain.name = dir.file("d").string();
        // Predicted y, z, x, y (see the scores above).
        for (Instance e : {example(2, {known(2), known(0.5)}), example(3, {known(1), unknown()}),
                           example(2, {dontcare(), known(0)}), example(1, {known(2), known(0.5)})}) {
            e.values[0].value = static_cast<double>(data.instances.size());
            data.instances.push_back(std::move(e));
        }
        data.nr_instances = 4;
    }
    void TearDown() override { VERBOSITY = 0; }
    IMatrix classify(int first, int last) {
        IMatrix confusion;
        out = capture_output([&] {
                  confusion = classify_testset(data, model.coefficients, model.stats, first, last, 2, errors);
              }).out;
        return confusion;
    }

    TempDir dir;
    ThreeClassModel model;
    CiDataset data{Domain{}, 0, {Instance{}}};
    long errors = -1;
    std::string out;
};

TEST_F(ClassifyTestset, ConfusionRowsAreObservedClasses) {
    const IMatrix confusion = classify(1, 4);
    EXPECT_EQ(errors, 2);
    const int expected[4][4] = {{}, {0, 0, 1, 0}, {0, 1, 1, 0}, {0, 0, 0, 1}};
    for (int o = 1; o <= 3; ++o)
        for (int p = 1; p <= 3; ++p) EXPECT_EQ(confusion.at(o, p), expected[o][p]) << o << "," << p;
    EXPECT_EQ(out, "");
    EXPECT_EQ(dir.read("d.pred"), "y\nz\nx\ny\n");
}

TEST_F(ClassifyTestset, OnlyTheGivenRange) {
    const IMatrix confusion = classify(2, 3);
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(confusion.at(3, 3) + confusion.at(2, 1), 2);
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

}  // namespace

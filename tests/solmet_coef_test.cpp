// The coefficient file reader and the display of the model.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Solmet.h"
#include "coeficients.h"
#include "support/binary_writer.h"
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

// A domain after the driver's adjustment: the attributes, then the class.
Domain domain_of(std::vector<Attribute> attributes, std::vector<std::string> classes) {
    Domain d;
    d.name = "d";
    d.nr_attributes = static_cast<int>(attributes.size());
    d.attributes = {Attribute{}};
    d.attributes.insert(d.attributes.end(), attributes.begin(), attributes.end());
    d.attributes.push_back(attribute("class", NOMINAL, std::move(classes)));
    return d;
}

// Two classes and three CONTINUOUS attributes.
Domain three_continuous() {
    return domain_of({attribute("a", CONTINUOUS), attribute("b", CONTINUOUS), attribute("c", CONTINUOUS)},
                     {"yes", "no"});
}

// The matching model: one function of four coefficients, statistics with distinct means.
std::string three_continuous_file() {
    return coef_file({{0.5, 1.0, -2.0, 3.25}}, 4,
                     {continuous_table(3, 0, 1.5, 0, 9), continuous_table(3, 0, 2.5, 0, 9),
                      continuous_table(3, 1, 3.5, -1, 7)});
}

struct CoefRead {
    std::optional<ClassStats> stats;
    Coefficients coefficients;
    std::string err;
};

class CoefReader : public ::testing::Test {
protected:
    CoefRead read(const std::string& bytes, const Domain& domain) {
        dir.write("d.coef", bytes);
        return read_existing(domain);
    }
    CoefRead read_existing(const Domain& domain) {
        CoefRead result;
        result.err = capture_output([&] { result.stats = read_coeficientes(base(), domain, result.coefficients); }).err;
        return result;
    }
    std::string base() const { return dir.file("d").string(); }
    std::string refusal() const { return "Can not read in file " + base() + ".coef\n"; }

    TempDir dir;
};

TEST_F(CoefReader, ReadsMatrixAndStatistics) {
    const std::string bytes = three_continuous_file();
    ASSERT_EQ(bytes.size(), 328u);  // 8 + 32 + 3 attributes x 3 rows x 32
    const CoefRead r = read(bytes + "trailing bytes are ignored", three_continuous());
    ASSERT_TRUE(r.stats);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.coefficients.nr_rows, 1);
    EXPECT_EQ(r.coefficients.nr_cols, 4);
    EXPECT_EQ(r.coefficients.matrix.at(1, 1), 0.5);
    EXPECT_EQ(r.coefficients.matrix.at(1, 2), 1.0);
    EXPECT_EQ(r.coefficients.matrix.at(1, 3), -2.0);
    EXPECT_EQ(r.coefficients.matrix.at(1, 4), 3.25);
    ASSERT_EQ(r.stats->nr_attributes(), 3);
    EXPECT_EQ(r.stats->tables[2]->at(1, MEAN), 2.5);
    EXPECT_EQ(r.stats->tables[3]->at(2, UNKNOWN_WEIGHT), 1.0);
    EXPECT_EQ(r.stats->tables[3]->at(0, MIN), -1.0);
}

TEST_F(CoefReader, RowsAreStoredOneAfterAnother) {
    const Domain domain = domain_of({attribute("a", CONTINUOUS)}, {"x", "y", "z"});
    const CoefRead r = read(coef_file({{1, 2}, {3, 4}}, 2, {continuous_table(4, 0, 0, 0, 0)}), domain);
    ASSERT_TRUE(r.stats);
    EXPECT_EQ(r.coefficients.matrix.at(1, 2), 2.0);
    EXPECT_EQ(r.coefficients.matrix.at(2, 1), 3.0);
    EXPECT_EQ(r.coefficients.matrix.at(2, 2), 4.0);
}

TEST_F(CoefReader, AcceptsMoreFunctionsAndCoefficientsThanNeeded) {
    const Domain domain = domain_of({attribute("a", CONTINUOUS)}, {"x", "y"});
    const CoefRead r = read(coef_file({{1, 2, 3}, {4, 5, 6}}, 3, {continuous_table(3, 0, 0, 0, 0)}), domain);
    ASSERT_TRUE(r.stats);
    EXPECT_EQ(r.coefficients.nr_rows, 2);
    EXPECT_EQ(r.coefficients.nr_cols, 3);
    EXPECT_EQ(r.coefficients.matrix.at(2, 3), 6.0);
}

// A discrete position stores V + 2 doubles per row, a continuous one 4: the sizes must be
// exact, or the table after a discrete one would be read out of step.
TEST_F(CoefReader, StatisticsFollowTheAttributeTypes) {
    const Domain domain =
        domain_of({attribute("colour", NOMINAL, {"r", "g", "b"}), attribute("h", CONTINUOUS)}, {"x", "y"});
    const StatsTable colour(3, std::vector<double>{0, 1, 2, 3, 1.75});
    const std::string bytes = coef_file({{1, 2, 3}}, 3, {colour, continuous_table(3, 0, 42, 0, 50)});
    ASSERT_EQ(bytes.size(), 8u + 24 + 120 + 96);
    const CoefRead r = read(bytes, domain);
    ASSERT_TRUE(r.stats);
    EXPECT_EQ(r.stats->tables[1]->at(2, 4), 1.75);
    EXPECT_EQ(r.stats->tables[2]->at(2, MEAN), 42.0);
}

TEST_F(CoefReader, MissingFileIsReported) {
    const CoefRead r = read_existing(three_continuous());
    EXPECT_FALSE(r.stats);
    EXPECT_EQ(r.err, "Can not open file " + base() + ".coef\n");
}

TEST_F(CoefReader, RefusesCountsThatCannotServeTheDomain) {
    const Domain domain = three_continuous();  // needs at least 1 function of 4 coefficients
    const StatsTable table = continuous_table(3, 0, 0, 0, 0);
    const std::string stats_bytes = coef_file({}, 0, {table, table, table}).substr(8);
    const auto file = [&](int32_t rows, int32_t cols, size_t doubles) {
        BinaryWriter out;
        out.i32(rows).i32(cols).f64s(std::vector<double>(doubles, 1.0)).raw(stats_bytes);
        return out.bytes;
    };
    EXPECT_EQ(read(file(-1, 4, 0), domain).err, refusal()) << "negative row count";
    EXPECT_EQ(read(file(1, -4, 0), domain).err, refusal()) << "negative column count";
    EXPECT_EQ(read(file(0, 4, 0), domain).err, refusal()) << "fewer functions than classes - 1";
    EXPECT_EQ(read(file(1, 3, 3), domain).err, refusal()) << "fewer coefficients than attributes + 1";
    EXPECT_EQ(read(file(2147483647, 2147483647, 4), domain).err, refusal()) << "largest counts";
    EXPECT_EQ(read(file(1, 2147483647, 4), domain).err, refusal()) << "huge row";
    EXPECT_EQ(read(file(2147483647, 4, 4), domain).err, refusal()) << "huge row count";
    EXPECT_EQ(read(file(20, 4, 4), domain).err, refusal()) << "more rows than the file holds";
    EXPECT_FALSE(read(file(-2147483647 - 1, -2147483647 - 1, 4), domain).stats);
}

// Cut short anywhere before the statistics the file is refused with a message; inside the
// statistics silently (the driver reports both).
TEST_F(CoefReader, TruncatedAnywhereIsRefused) {
    const std::string bytes = three_continuous_file();
    for (size_t length = 0; length < bytes.size(); ++length) {
        const CoefRead r = read(bytes.substr(0, length), three_continuous());
        EXPECT_FALSE(r.stats) << "cut at " << length;
        EXPECT_EQ(r.err, length < 40 ? refusal() : "") << "cut at " << length;
    }
}

// A folder where the file should be opens but cannot be read.
TEST_F(CoefReader, FolderIsRefused) {
    std::filesystem::create_directory(dir.file("d.coef"));
    const CoefRead r = read_existing(three_continuous());
    EXPECT_FALSE(r.stats);
}

std::string shown(const DMatrix& m, int rows, int cols) {
    return capture_output([&] { Show_coeficientes(m, rows, cols); }).out;
}

DMatrix matrix_of(const std::vector<std::vector<double>>& rows) {
    const int nr_cols = rows.empty() ? 0 : static_cast<int>(rows[0].size());
    DMatrix m(1, static_cast<int>(rows.size()), 1, nr_cols);
    for (size_t r = 0; r < rows.size(); ++r)
        for (size_t k = 0; k < rows[r].size(); ++k) m.at(static_cast<int>(r) + 1, static_cast<int>(k) + 1) = rows[r][k];
    return m;
}

TEST(ShowCoeficientes, SkipsZeroCoefficients) {
    EXPECT_EQ(shown(matrix_of({{0.5, 0, -1.25, 3}}), 1, 4),
              "\nCoefficients: \n+0.5-1.25*[2]+3*[3]\nNumber of equations 1 Number of Coefficients 3\n");
}

TEST(ShowCoeficientes, RowOfZerosPrintsNothing) {
    EXPECT_EQ(shown(matrix_of({{0, 0, -0.0}, {0, 2, 0}, {-7, 0, 0}}), 3, 3),
              "\nCoefficients: \n+2*[1]\n-7\nNumber of equations 2 Number of Coefficients 2\n");
}

TEST(ShowCoeficientes, NoRows) {
    EXPECT_EQ(shown(DMatrix(1, 0, 1, 5), 0, 5), "\nCoefficients: \nNumber of equations 0 Number of Coefficients 0\n");
}

TEST(ShowCoeficientes, FourSignificantDigits) {
    EXPECT_EQ(shown(matrix_of({{17.9412, 0.000123456, 123456, -1e-20}}), 1, 4),
              "\nCoefficients: \n+17.94+0.0001235*[1]+1.235e+05*[2]-1e-20*[3]\n"
              "Number of equations 1 Number of Coefficients 4\n");
}

}  // namespace

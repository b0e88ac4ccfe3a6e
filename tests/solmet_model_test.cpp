// The discriminant model's file reader, its display and the choice of the predicted class.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "Solmet.h"
#include "coeficients.h"
#include "support/binary_writer.h"
#include "support/capture.h"
#include "support/matrices.h"
#include "support/run_program.h"

namespace {

// Two classes, a nominal attribute of three labels and a continuous one: one function of
// three coefficients, then statistics of 3 rows x 5 and 3 rows x 4 doubles.
const Domain kMixed{
    "d",
    2,
    {{}, {"colour", NOMINAL, {"", "r", "g", "b"}}, {"h", CONTINUOUS, {}}, {"class", NOMINAL, {"", "yes", "no"}}}};

// The whole file (trailing bytes ignored) is read. Cut short anywhere it is refused, with a
// message before the statistics and silently inside them (the driver reports both); so are
// counts that cannot serve the domain or fit the file.
TEST(CoefReader, ReadsTheWholeFileAndRefusesCutsAndHostileCounts) {
    TempDir dir;
    const std::string base = dir.file("d").string(), refusal = "Can not read in file " + base + ".coef\n";
    Coefficients coefficients;
    // Whether the reader accepts `bytes`, and what it says.
    const auto read = [&](const std::string& bytes) {
        dir.write("d.coef", bytes);
        bool accepted = false;
        const Captured captured =
            capture_output([&] { accepted = read_coeficientes(base, kMixed, coefficients).has_value(); });
        return std::pair(accepted, captured.err);
    };
    // Each row of a table alike; the continuous one holds unknowns, mean, min and max.
    const std::string bytes =
        coef_file({{0.5, -2.0, 3.25}}, 3, {StatsTable(3, {0, 1, 2, 3, 1.75}), StatsTable(3, {1, 42, -1, 50})});
    EXPECT_EQ(read(bytes + "trailing bytes are ignored"), std::pair(true, std::string()));
    for (size_t length = 0; length < bytes.size(); ++length)
        EXPECT_EQ(read(bytes.substr(0, length)), std::pair(false, length < 8 + 24 ? refusal : ""))
            << "cut at " << length;
    // Negative counts, fewer functions than classes - 1, too few columns, counts past the end.
    const int32_t huge = 2147483647;
    const int32_t counts[][2] = {{-1, 3}, {1, -3},      {0, 3},    {1, 2},   {-huge - 1, -huge - 1},
                                 {30, 3}, {huge, huge}, {1, huge}, {huge, 3}};
    for (const auto [rows, cols] : counts) {
        const std::string file = BinaryWriter{}.i32(rows).i32(cols).f64s({1.0, 1.0, 1.0}).bytes + bytes.substr(8 + 24);
        EXPECT_EQ(read(file), std::pair(false, refusal)) << rows << " x " << cols;
    }
}

std::string shown(const std::vector<std::vector<double>>& rows) {
    const DMatrix m = matrix(1, rows);
    return capture_output([&] { Show_coeficientes(m, m.row_hi(), m.col_hi()); }).out;
}

// Zero coefficients and all-zero rows print nothing and are not counted.
TEST(ShowCoeficientes, FourSignificantDigitsWithoutZeroTerms) {
    const std::string out = shown(
        {{0.5, 0, -1.25, 3}, {0, 0, -0.0, 0}, {0, 2, 0, 0}, {-7, 0, 0, 0}, {17.9412, 0.000123456, 123456, -1e-20}});
    EXPECT_EQ(out,
              "\nCoefficients: \n+0.5-1.25*[2]+3*[3]\n+2*[1]\n-7\n+17.94+0.0001235*[1]+1.235e+05*[2]-1e-20*[3]\n"
              "Number of equations 4 Number of Coefficients 9\n");
    EXPECT_EQ(shown({}), "\nCoefficients: \nNumber of equations 0 Number of Coefficients 0\n");
}

// Equal weights (a score of exactly 0 against the reference class) are a tie; the lowest
// class wins it, also behind a lower class that scores less. Choosing the highest class is
// left to the whole runs, whose last class wins there.
TEST(PredictedClass, TiesGoToTheLowestClass) {
    EXPECT_EQ(predicted_class({0, 1.0, 1.0}), 1);
    EXPECT_EQ(predicted_class({0, 0.5, 1.0, 1.0}), 2);
}

}  // namespace

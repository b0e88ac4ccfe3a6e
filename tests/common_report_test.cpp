// The run report: per-class, overall and probability figures, JSON strings, and the
// file's writing.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "report.h"
#include "support/matrices.h"
#include "support/run_program.h"

namespace {

using Ratio = std::optional<double>;
const Ratio null = std::nullopt;

using Figures = std::tuple<int64_t, int64_t, Ratio, Ratio, Ratio>;  // support, predicted, precision, recall, F1

// The iris figures and those of an empty test set are checked in the programs' whole runs;
// here, classes whose ratios are partly or wholly 0/0.
TEST(ReportFigures, PerClassAndOverall) {
    // Kept as predicted x observed: class 1 observed twice, once predicted right and once
    // as class 2, which is never observed; class 3 never appears. One of the 3 examples
    // was not classified.
    const IMatrix sparse = matrix_of<int32_t>(1, {{1, 0, 0}, {1, 0, 0}, {0, 0, 0}});
    const std::vector<ClassFigures> figures = class_figures({&sparse, true}, 3);
    std::vector<Figures> got;
    for (const ClassFigures& f : figures) got.emplace_back(f.support, f.predicted, f.precision, f.recall, f.f1);
    // F1 2*1/3 and 0; the macro F1 leaves class 3 out, the weighted F1 weighs by support.
    EXPECT_EQ(got, (std::vector<Figures>{{2, 1, 1.0, 0.5, 2.0 / 3}, {0, 1, 0.0, null, 0.0}, {0, 0, null, null, null}}));
    // Error rate and accuracy 1/3 each; macro F1 (2/3 + 0) / 2; weighted F1 2 * 2/3 / 2.
    const OverallFigures o = overall_figures(figures, 3, 1);
    EXPECT_EQ((std::vector<Ratio>{o.error_rate, o.accuracy, o.macro_f1, o.weighted_f1}),
              (std::vector<Ratio>{1.0 / 3, 1.0 / 3, (2.0 / 3 + 0.0) / 2, 2 * (2.0 / 3) / 2}));
}

// Kept as observed x predicted, 10 examples of 4 classes: c, never observed, is predicted
// twice; d, observed twice, is never predicted.
//   observed a: 3 1 0 0    support 4, predicted 5, correct 3
//            b: 1 2 1 0    support 4, predicted 3, correct 2
//            c: 0 0 0 0    support 0, predicted 2, correct 0
//            d: 1 0 1 0    support 2, predicted 0, correct 0
// A class's negatives are the 10 examples less its support: 6, 6, 10, 8. False positives
// (predicted less correct) 2, 1, 2, 0; true negatives the rest: 4, 5, 8, 8.
TEST(ReportFigures, FalsePositivesAndAgreement) {
    const IMatrix counts = matrix_of<int32_t>(1, {{3, 1, 0, 0}, {1, 2, 1, 0}, {0, 0, 0, 0}, {1, 0, 1, 0}});
    const std::vector<ClassFigures> figures = class_figures({&counts, false}, 4);
    std::vector<std::tuple<Ratio, Ratio, Ratio>> got;  // recall, false-positive rate, specificity
    for (const ClassFigures& f : figures) got.emplace_back(f.recall, f.fp_rate, f.specificity);
    EXPECT_EQ(got, (std::vector<std::tuple<Ratio, Ratio, Ratio>>{
                       {0.75, 2.0 / 6, 4.0 / 6}, {0.5, 1.0 / 6, 5.0 / 6}, {null, 0.2, 0.8}, {0.0, 0.0, 1.0}}));
    // 12 labelled examples, 2 of them not classified, 5 errors. Balanced accuracy: the
    // recalls of a, b and d, (0.75 + 0.5 + 0) / 3. With s = 10 classified, c = 5 right,
    // sum p_k t_k = 5*4 + 3*4 + 2*0 + 0*2 = 32, sum p_k^2 = 38, sum t_k^2 = 36:
    // kappa (10*5 - 32) / (100 - 32) = 18 / 68, MCC 18 / sqrt((100 - 38) (100 - 36)).
    const OverallFigures o = overall_figures(figures, 12, 5);
    EXPECT_EQ((std::vector<Ratio>{o.error_rate, o.accuracy, o.balanced_accuracy, o.cohen_kappa, o.mcc}),
              (std::vector<Ratio>{5.0 / 12, 5.0 / 12, 1.25 / 3, 18.0 / 68, 18.0 / std::sqrt(62.0 * 64.0)}));

    // Every example in one class, observed and predicted: no negatives, and kappa and
    // MCC are 0/0. All observed in one class but predicted in two: MCC's second factor
    // is 0, kappa (4*3 - 12) / (16 - 12) = 0.
    const IMatrix one = matrix_of<int32_t>(1, {{4, 0}, {0, 0}});
    const std::vector<ClassFigures> alike = class_figures({&one, false}, 2);
    EXPECT_EQ((std::vector<Ratio>{alike[0].fp_rate, alike[0].specificity, alike[1].fp_rate, alike[1].specificity}),
              (std::vector<Ratio>{null, null, 0.0, 1.0}));
    const OverallFigures a = overall_figures(alike, 4, 0);
    EXPECT_EQ((std::vector<Ratio>{a.cohen_kappa, a.mcc}), (std::vector<Ratio>{null, null}));
    const IMatrix split = matrix_of<int32_t>(1, {{3, 1}, {0, 0}});
    const OverallFigures b = overall_figures(class_figures({&split, false}, 2), 4, 1);
    EXPECT_EQ((std::vector<Ratio>{b.balanced_accuracy, b.cohen_kappa, b.mcc}), (std::vector<Ratio>{0.75, 0.0, null}));
}

// Each scored example adds -ln of its observed class's probability, floored at 1e-15,
// and per class (p - [class observed])^2 and |p - [class observed]|. Entry 0 is not a
// class. The terms here are exact but for the logarithms.
TEST(ReportFigures, ProbabilityTerms) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        std::vector<double> probabilities;
        int observed;
    } examples[] = {
        {{nan, 0.5, 0.25, 0.25}, 1},  // ln 2; 0.25 + 0.0625 + 0.0625; 0.5 + 0.25 + 0.25
        {{nan, 0.25, 0.25, 0.5}, 3},  // ln 2; 0.375; 1
        {{nan, 0.0, 1.0, 0.0}, 1},    // -ln 1e-15; 1 + 1; 1 + 1
        {{nan, 1.0, 0.0, 0.0}, 1},    // 0; 0; 0
    };
    ProbabilityFigures first, second;
    for (size_t i = 0; i < 4; ++i) (i < 2 ? first : second).add(examples[i].probabilities, examples[i].observed);
    first.add(second);
    EXPECT_EQ(first.scored, 4);
    EXPECT_EQ(first.log_loss.value(), 2 * -std::log(0.5) + -std::log(1e-15));
    EXPECT_EQ(first.squared_error.value(), 2.75);
    EXPECT_EQ(first.absolute_error.value(), 4.0);
    // Means over the 4 examples, and over their 12 classes.
    const ProbabilityRatios r = probability_ratios(first, 3);
    EXPECT_EQ((std::vector<Ratio>{r.log_loss, r.brier, r.mean_absolute_error, r.root_mean_squared_error}),
              (std::vector<Ratio>{first.log_loss.value() / 4, 0.6875, 4.0 / 12, std::sqrt(2.75 / 12)}));
    const ProbabilityRatios none = probability_ratios(ProbabilityFigures{}, 3);
    EXPECT_EQ((std::vector<Ratio>{none.log_loss, none.brier, none.mean_absolute_error, none.root_mean_squared_error}),
              (std::vector<Ratio>(4, null)));
}

TEST(ReportFigures, JsonStrings) {
    const struct {
        std::string text, json;
    } cases[] = {
        {std::string("\b\f\n\r\x01\x1f\x7f", 7) + '\0', R"("\b\f\n\r\u0001\u001f\u007f\u0000")"},
        {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8c\xb3",
         "\"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8c\xb3\""},   // valid UTF-8 kept
        {"\xc2\x85|\x85", R"("\u0085|\u0085")"},             // C1 controls, in UTF-8 or as a byte
        {"\xc0\xaf|\xed\xa0\x80|\xf4\x90\x80\x80|\xe2\x82",  // overlong, surrogate, too high, cut short
         "\"\xc3\x80\xc2\xaf|\xc3\xad\xc2\xa0\\u0080|\xc3\xb4\\u0090\\u0080\\u0080|\xc3\xa2\\u0082\""},
    };
    for (const auto& c : cases) EXPECT_EQ(json_string(c.text), c.json) << c.json;
}

// A report is renamed into place; when it cannot be, nothing is left behind. A pipe or a
// device is written in place, never replaced by a file renamed over it; a device that
// takes nothing (like /dev/full) is a failed write.
TEST(ReportFile, AtomicWriteAndSpecialFiles) {
    const TempDir dir;
    RunReport report;
    report.program = "Solmet";
    report.classes = {"yes", "no"};
    ASSERT_TRUE(write_report(dir.file("r.json").string(), report));
    std::filesystem::create_directory(dir.file("taken"));
    EXPECT_FALSE(write_report(dir.file("taken").string(), report));
    std::set<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        left.insert(entry.path().filename().string());
    EXPECT_EQ(left, (std::set<std::string>{"r.json", "taken"}));

    const std::string pipe = dir.file("pipe").string();
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const int reader = open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_TRUE(write_report(pipe, report));
    char head[32] = {};
    EXPECT_GT(read(reader, head, sizeof head - 1), 0);
    close(reader);
    EXPECT_TRUE(std::string(head).starts_with("{\n  \"program\": \"Solmet\""));
    EXPECT_TRUE(std::filesystem::is_fifo(pipe));

    const std::string full = dir.file("full").string();
    if (mknod(full.c_str(), S_IFCHR | 0600, makedev(1, 7)) != 0) GTEST_SKIP() << "no device nodes here";
    EXPECT_FALSE(write_report(full, report));
    EXPECT_TRUE(std::filesystem::is_character_file(full));
}

// The error rate is over the labelled examples; the probability figures are the exact
// sums, each rounded once, over the scored examples (and their classes), and each sum is
// written as its canonical partials. The terms: 0.1 + 0.2 + 0.3 is 0.6 + 2^-55, ten 0.1 are
// 1 + 2^-54, and 0.5 + 0.25 + 2^-60 is itself. So the log loss is 0.6 / 3, which rounds
// to 7205759403792793 / 2^55 (0.2 is ...794), the Brier score 1/3, the MAE 0.75 / 9 and
// the RMSE sqrt(1/9): 1/9 rounds down, and its root stays nearest to 1/3.
TEST(ReportFile, ProbabilityFiguresAndSums) {
    const TempDir dir;
    RunReport report;
    report.program = "Dravik";
    report.classes = {"a", "b", "c"};
    report.examples = 5;
    report.labelled = 4;
    report.unlabelled = 1;
    report.errors = 1;
    report.probabilities.scored = 3;
    for (const double t : {0.1, 0.2, 0.3}) report.probabilities.log_loss.add(t);
    for (int i = 0; i < 10; ++i) report.probabilities.squared_error.add(0.1);
    for (const double t : {0.5, 0.25, 0x1p-60}) report.probabilities.absolute_error.add(t);
    ASSERT_TRUE(write_report(dir.file("r.json").string(), report));
    const std::string text = read_file(dir.file("r.json").string());
    for (const std::string_view part :
         {"\"examples\": 5,\n  \"labelled\": 4,\n  \"unlabelled\": 1,\n", "\"errors\": 1,\n  \"error_rate\": 0.25,\n",
          R"("cohen_kappa": null,
  "mcc": null,
  "scored": 3,
  "log_loss": 0.19999999999999998,
  "brier": 0.3333333333333333,
  "mean_absolute_error": 0.08333333333333333,
  "root_mean_squared_error": 0.3333333333333333,
  "sums": {"log_loss": [2.7755575615628914e-17, 0.6], "squared_error": [5.551115123125783e-17, 1], "absolute_error": [8.673617379884035e-19, 0.75]},
  "cpu_seconds": 0
)"})
        EXPECT_NE(text.find(part), std::string::npos) << part << "\nin\n" << text;

    // A sum that is not a number, which JSON cannot hold: null, as is its mean.
    report.probabilities.absolute_error.add(std::numeric_limits<double>::infinity());
    report.probabilities.absolute_error.add(-std::numeric_limits<double>::infinity());
    ASSERT_TRUE(write_report(dir.file("r.json").string(), report));
    const std::string nan_text = read_file(dir.file("r.json").string());
    for (const std::string_view part : {"\"mean_absolute_error\": null,", "\"absolute_error\": [null]}"})
        EXPECT_NE(nan_text.find(part), std::string::npos) << part << "\nin\n" << nan_text;
}

}  // namespace

// Solmet's -r report on the bundled iris data set, worked out from its model
// (+17.94+9.809*[1]+21.63*[2]-28.49*[3]-39.28*[4] for setosa and
// +30.66+2.837*[1]+4.494*[2]-7.326*[3]-15.28*[4] for versicolor, against virginica's 0): each
// example is predicted as observed but the 32nd, a virginica (6.3, 2.8, 5.1, 1.5) that
// versicolor scores 30.66 + 2.837 * 6.3 + 4.494 * 2.8 - 7.326 * 5.1 - 15.28 * 1.5 = 0.83.
#include <gtest/gtest.h>

#include <string>

#include "support/iris_reports.h"

namespace {

const std::string kProgram = SOLMET_PROGRAM;

// Observed x predicted; versicolor: precision 15/16, F1 2*15/31; virginica: recall
// 14/15, F1 2*14/29; macro and weighted F1 (1 + 30/31 + 28/29) / 3. Each class has 30
// negatives, of which versicolor took 1: false-positive rate 1/30, specificity 29/30.
// Balanced accuracy (1 + 1 + 14/15) / 3: 14/15 rounds to 8406719304424926 / 2^53, and
// 2 + it, a tie in units of 2^-51, to the even 6605279453476728 / 2^51, whose third
// 2201759817825576 / 2^51 is exact and above 44/45. With s = 45 examples, c = 44 right,
// predicted 15, 16, 14 and observed 15 each: sum p_k t_k = 675, kappa
// (45 * 44 - 675) / (45^2 - 675) = 1305 / 1350; sum p_k^2 = 677, so the MCC is
// 1305 / sqrt((2025 - 677) * (2025 - 675)) = 1305 / sqrt(1819800). No probabilities.
const std::string kIrisReport = R"({
  "program": "Solmet",
  "version": "3.1",
  "dataset": "iris",
  "files": {"domain": "iris.domain", "test": "iris.test", "model": "iris.coef"},
  "classes": ["setosa", "versicolor", "virginica"],
  "examples": 45,
  "labelled": 45,
  "unlabelled": 0,
  "rejected_lines": 0,
  "errors": 1,
  "error_rate": 0.022222222222222223,
  "confusion": {
    "rows": "observed",
    "columns": "predicted",
    "matrix": [
      [15, 0, 0],
      [0, 15, 0],
      [0, 1, 14]
    ]
  },
  "per_class": [
    {"class": "setosa", "support": 15, "predicted": 15, "precision": 1, "recall": 1, "f1": 1, "fp_rate": 0, "specificity": 1},
    {"class": "versicolor", "support": 15, "predicted": 16, "precision": 0.9375, "recall": 1, "f1": 0.967741935483871, "fp_rate": 0.03333333333333333, "specificity": 0.9666666666666667},
    {"class": "virginica", "support": 15, "predicted": 14, "precision": 1, "recall": 0.9333333333333333, "f1": 0.9655172413793104, "fp_rate": 0, "specificity": 1}
  ],
  "accuracy": 0.9777777777777777,
  "balanced_accuracy": 0.9777777777777779,
  "macro_f1": 0.9777530589543938,
  "weighted_f1": 0.9777530589543938,
  "cohen_kappa": 0.9666666666666667,
  "mcc": 0.967383512643318,
)" + kIrisProbabilityFigures + R"(  "cpu_seconds": <TIME>
}
)";

// Each run is made with and without -r, which must change nothing else; a run that stops
// before classifying writes no report.
TEST(SolmetReport, IrisRunsAndChangesNothingElse) {
    check_iris_runs(kProgram, ".coef",
                    {
                        {.options = {"-v", "3"}, .expected = kIrisReport},
                        // An unknown class drops the added line.
                        {.options = {"-v", "3"},
                         .name = "ir\tis",
                         .test = example(".test") + "5.0,3.0,1.0,0.2,rose\n",
                         .labels = kOddLabels,
                         .expected = replaced(kIrisReport, kOddReport)},
                        // Too few fields: the added line is rejected too.
                        {.test = example(".test") + "5.0,3.0,1.0\n", .expected = "\"rejected_lines\": 1,"},
                        {.unwritable = true},
                        {.model = "", .status = 1},
                    });
}

}  // namespace

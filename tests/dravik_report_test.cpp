// Dravik's -r report on the bundled iris data set, worked out from its known result: one
// virginica example taken for versicolor and two versicolor for virginica. Dravik keeps
// its confusion matrix as predicted x observed; the report turns it round.
#include <gtest/gtest.h>

#include <string>

#include "support/iris_reports.h"
#include "support/run_program.h"
#include "support/tree_writer.h"

namespace {

const std::string kProgram = DRAVIK_PROGRAM;

// Observed x predicted; versicolor: precision 13/14, recall 13/15, F1 2*13/29;
// virginica: precision 14/16, recall 14/15, F1 2*14/31; macro and weighted F1
// (1 + 26/29 + 28/31) / 3. Of the 30 negatives of each class versicolor took 1 and
// virginica 2: false-positive rates 1/30 and 2/30, specificities 29/30 and 28/30.
// Balanced accuracy (1 + 13/15 + 14/15) / 3: 1 + 7806239354108860 / 2^53 is exact, adding
// 8406719304424926 / 2^53 gives 6305039478318694.5 units of 2^-51, a tie kept even, and
// its third rounds to 8406719304424925 / 2^53, one unit below 14/15. With s = 45, c = 42,
// predicted 15, 14, 16 and observed 15 each: kappa (45 * 42 - 675) / (2025 - 675) =
// 1215 / 1350, MCC 1215 / sqrt((2025 - 677) * 1350). No probabilities.
const std::string kIrisReport = R"({
  "program": "Dravik",
  "version": "5.3",
  "dataset": "iris",
  "files": {"domain": "iris.domain", "test": "iris.test", "model": "iris.tree"},
  "classes": ["setosa", "versicolor", "virginica"],
  "examples": 45,
  "labelled": 45,
  "unlabelled": 0,
  "rejected_lines": 0,
  "not_classified": 0,
  "errors": 3,
  "error_rate": 0.06666666666666667,
  "confusion": {
    "rows": "observed",
    "columns": "predicted",
    "matrix": [
      [15, 0, 0],
      [0, 13, 2],
      [0, 1, 14]
    ]
  },
  "per_class": [
    {"class": "setosa", "support": 15, "predicted": 15, "precision": 1, "recall": 1, "f1": 1, "fp_rate": 0, "specificity": 1},
    {"class": "versicolor", "support": 15, "predicted": 14, "precision": 0.9285714285714286, "recall": 0.8666666666666667, "f1": 0.896551724137931, "fp_rate": 0.03333333333333333, "specificity": 0.9666666666666667},
    {"class": "virginica", "support": 15, "predicted": 16, "precision": 0.875, "recall": 0.9333333333333333, "f1": 0.9032258064516129, "fp_rate": 0.06666666666666667, "specificity": 0.9333333333333333}
  ],
  "accuracy": 0.9333333333333333,
  "balanced_accuracy": 0.9333333333333332,
  "macro_f1": 0.9332591768631814,
  "weighted_f1": 0.9332591768631814,
  "cohen_kappa": 0.9,
  "mcc": 0.9006674083230892,
)" + kIrisProbabilityFigures + R"(  "tree": {"nodes": 11, "leaves": 6, "depth": 6},
  "neighbours": 0,
  "cpu_seconds": <TIME>
}
)";

// Each run is made with and without -r, which must change nothing else; a run that stops
// before classifying writes no report.
TEST(DravikReport, IrisRunsAndChangesNothingElse) {
    // A root of no known kind answers for no example: no error, and no example right.
    const std::string unanswered = "\"not_classified\": 45,\n  \"errors\": 0,\n  " +
                                   replaced(kEmptyFigures, {{"\"error_rate\": null", "\"error_rate\": 0"},
                                                            {"\"accuracy\": null", "\"accuracy\": 0"}}) +
                                   "\n  \"tree\": {\"nodes\": 1, \"leaves\": 0, \"depth\": 0},\n  \"neighbours\": 0,";
    check_iris_runs(kProgram, ".tree",
                    {
                        {.options = {"-v", "2"}, .expected = kIrisReport},
                        // An unknown class drops the added line.
                        {.name = "ir\tis",
                         .test = example(".test") + "5.0,3.0,1.0,0.2,rose\n",
                         .labels = kOddLabels,
                         .expected = replaced(kIrisReport, kOddReport)},
                        // Too few fields: the added line is rejected too.
                        {.test = example(".test") + "5.0,3.0,1.0\n", .expected = "\"rejected_lines\": 1,"},
                        {.test = "", .expected = "\"errors\": 0,\n  " + kEmptyFigures},
                        {.model = TreeFile{}.node(7, 1, 0, leaf_data({1, 0, 0})).bytes, .expected = unanswered},
                        {.options = {"-K", "3"}, .expected = "\"neighbours\": 3,"},
                        {.options = {"-K", "-3", "-g", "tree.dot"}, .expected = "\"neighbours\": 0,"},
                        {.options = {"-t", "1"}, .unwritable = true},
                        {.model = "", .status = 1},
                    });
}

}  // namespace

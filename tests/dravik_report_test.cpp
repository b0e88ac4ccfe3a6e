// Dravik's -r report on the bundled iris data set, worked out from its known result: one
// virginica example taken for versicolor and two versicolor for virginica. Dravik keeps
// its confusion matrix as predicted x observed; the report turns it round.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "support/iris_reports.h"
#include "support/run_program.h"
#include "support/tree_writer.h"

namespace {

const std::string kProgram = DRAVIK_PROGRAM;

// Observed x predicted; versicolor: precision 13/14, recall 13/15, F1 2*13/29;
// virginica: precision 14/16, recall 14/15, F1 2*14/31; macro and weighted F1
// (1 + 26/29 + 28/31) / 3.
const std::string kIrisReport = R"({
  "program": "Dravik",
  "version": "5.3",
  "dataset": "iris",
  "files": {"domain": "iris.domain", "test": "iris.test", "model": "iris.tree"},
  "classes": ["setosa", "versicolor", "virginica"],
  "examples": 45,
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
    {"class": "setosa", "support": 15, "predicted": 15, "precision": 1, "recall": 1, "f1": 1},
    {"class": "versicolor", "support": 15, "predicted": 14, "precision": 0.9285714285714286, "recall": 0.8666666666666667, "f1": 0.896551724137931},
    {"class": "virginica", "support": 15, "predicted": 16, "precision": 0.875, "recall": 0.9333333333333333, "f1": 0.9032258064516129}
  ],
  "accuracy": 0.9333333333333333,
  "macro_f1": 0.9332591768631814,
  "weighted_f1": 0.9332591768631814,
  "tree": {"nodes": 11, "leaves": 6, "depth": 6},
  "neighbours": 0,
  "cpu_seconds": <TIME>
}
)";

// Each run is made with and without -r, which must change nothing else.
TEST(DravikReport, IrisRunsAndChangesNothingElse) {
    // A root of no known kind answers for no example: no error, and no example right.
    const std::string unanswered = "\"not_classified\": 45,\n  \"errors\": 0,\n  " +
                                   replaced(kEmptyFigures, {{"\"error_rate\": null", "\"error_rate\": 0"},
                                                            {"\"accuracy\": null", "\"accuracy\": 0"}}) +
                                   "\n  \"tree\": {\"nodes\": 1, \"leaves\": 0, \"depth\": 0},\n  \"neighbours\": 0,";
    const struct {
        std::vector<std::string> options;
        std::string name, test, tree;
        Replacements labels;
        std::string expected;  // the report, or a part of it
    } runs[] = {
        {{"-v", "2"}, "iris", example(".test"), example(".tree"), {}, kIrisReport},
        // An unknown class drops the added line.
        {{},
         "ir\tis",
         example(".test") + "5.0,3.0,1.0,0.2,rose\n",
         example(".tree"),
         kOddLabels,
         replaced(kIrisReport, kOddReport)},
        {{}, "iris", "", example(".tree"), {}, "\"errors\": 0,\n  " + kEmptyFigures},
        {{}, "iris", example(".test"), TreeFile{}.node(7, 1, 0, leaf_data({1, 0, 0})).bytes, {}, unanswered},
        {{"-K", "3"}, "iris", example(".test"), example(".tree"), {}, "\"neighbours\": 3,"},
        {{"-K", "-3", "-g", "tree.dot"}, "iris", example(".test"), example(".tree"), {}, "\"neighbours\": 0,"},
    };
    for (const auto& run : runs) {
        const TempDir dir;
        dir.write(run.name + ".domain", replaced(example(".domain"), run.labels));
        dir.write(run.name + ".test", replaced(run.test, run.labels));
        dir.write(run.name + ".tree", run.tree);
        std::vector<std::string> args{"-f", run.name};
        args.insert(args.end(), run.options.begin(), run.options.end());
        const std::optional<std::string> report = run_with_report(kProgram, args, dir, run.name + ".pred", "r.json");
        EXPECT_NE(report.value_or("").find(run.expected), std::string::npos) << report.value_or("no report");
    }
}

// A report that cannot be written ends the run with a message and status 1; a run that
// stops before classifying writes none. Everything else stays as it was.
TEST(DravikReport, NoReport) {
    const TempDir dir;
    for (const std::string ext : {".domain", ".test", ".tree"}) dir.write("iris" + ext, example(ext));
    EXPECT_FALSE(run_with_report(kProgram, {"-f", "iris", "-t", "1"}, dir, "iris.pred", "missing/r.json", 1,
                                 "Can not write file missing/r.json\n"));
    std::filesystem::remove(dir.file("iris.tree"));
    EXPECT_FALSE(run_with_report(kProgram, {"-f", "iris"}, dir, "iris.pred", "r.json"));
}

}  // namespace

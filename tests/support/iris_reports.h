// What the -r reports of both programs on the bundled iris data set share in the tests.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "run_program.h"

// The figures of a report on no classified example and no probabilities, from the
// error rate to the probability sums.
const std::string kEmptyFigures = R"("error_rate": null,
  "confusion": {
    "rows": "observed",
    "columns": "predicted",
    "matrix": [
      [0, 0, 0],
      [0, 0, 0],
      [0, 0, 0]
    ]
  },
  "per_class": [
    {"class": "setosa", "support": 0, "predicted": 0, "precision": null, "recall": null, "f1": null, "fp_rate": null, "specificity": null},
    {"class": "versicolor", "support": 0, "predicted": 0, "precision": null, "recall": null, "f1": null, "fp_rate": null, "specificity": null},
    {"class": "virginica", "support": 0, "predicted": 0, "precision": null, "recall": null, "f1": null, "fp_rate": null, "specificity": null}
  ],
  "accuracy": null,
  "balanced_accuracy": null,
  "macro_f1": null,
  "weighted_f1": null,
  "cohen_kappa": null,
  "mcc": null,
  "scored": 0,
  "log_loss": null,
  "brier": null,
  "mean_absolute_error": null,
  "root_mean_squared_error": null,
  "sums": {"log_loss": [], "squared_error": [], "absolute_error": []},)";

// The figures of the class probabilities of a report on the 45 iris examples, as
// masked_probability_figures() leaves them.
const std::string kIrisProbabilityFigures = R"(  "scored": 45,
  "log_loss": <ROWS>,
  "brier": <ROWS>,
  "mean_absolute_error": <ROWS>,
  "root_mean_squared_error": <ROWS>,
  "sums": <ROWS>,
)";

// The bundled iris file with the extension `ext`.
inline std::string example(const std::string& ext) { return read_file(std::string(EXAMPLES_DIR) + "/iris" + ext); }

using Replacements = std::vector<std::pair<std::string, std::string>>;

// `text` with each replacement made in turn, at every place.
inline std::string replaced(std::string text, const Replacements& replacements) {
    for (const auto& [from, to] : replacements)
        for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
            text.replace(at, from.size(), to);
    return text;
}

// Class labels with a quote, a backslash and a Latin-1 byte, in the data set's files and
// in the report, where the data set's name holds a tab.
const Replacements kOddLabels{{"setosa", "se\"tosa"}, {"versicolor", "versi\\color"}, {"virginica", "virgin\xe9"}};
const Replacements kOddReport{{"\"iris", "\"ir\\tis"},
                              {"\"setosa\"", R"("se\"tosa")"},
                              {"\"versicolor\"", R"("versi\\color")"},
                              {"\"virginica\"", "\"virgin\xc3\xa9\""},
                              {"\"rejected_lines\": 0", "\"rejected_lines\": 1"}};

// A run on the bundled iris files, made with and without the report.
struct IrisRun {
    std::vector<std::string> options{};  // after "-f <name>"
    std::string name = "iris";
    std::string test = example(".test");
    std::optional<std::string> model{};  // the bundled model when none is given; "" writes no model file
    Replacements labels{};               // made in the domain and the test set
    // A report that cannot be written ends the run with a message and status 1.
    bool unwritable = false;
    int status = 0;                         // of the run without the report: 1 when it could not classify
    std::optional<std::string> expected{};  // the report or a part of it; nothing when none may be written
};

// The report with the figures of the class probabilities replaced by "<ROWS>": they are
// checked against the rows of the -s file they come from, in the report merging test.
inline std::string masked_probability_figures(const std::string& report) {
    static const std::regex figure(
        R"re(("(log_loss|brier|mean_absolute_error|root_mean_squared_error)": )[-0-9.e+]+)re");
    static const std::regex sums(R"re("sums": \{[^\n]*[0-9][^\n]*\},)re");
    return std::regex_replace(std::regex_replace(report, figure, "$1<ROWS>"), sums, "\"sums\": <ROWS>,");
}

// Makes each run of `program`, whose model files end in `model_ext`, and checks that the
// report changes nothing else and says what is expected.
inline void check_iris_runs(const std::string& program, const std::string& model_ext,
                            const std::vector<IrisRun>& runs) {
    for (const IrisRun& run : runs) {
        const TempDir dir;
        dir.write(run.name + ".domain", replaced(example(".domain"), run.labels));
        dir.write(run.name + ".test", replaced(run.test, run.labels));
        const std::string model = run.model.value_or(example(model_ext));
        if (!model.empty()) dir.write(run.name + model_ext, model);
        std::vector<std::string> args{"-f", run.name};
        args.insert(args.end(), run.options.begin(), run.options.end());
        const std::optional<std::string> report =
            run.unwritable ? run_with_report(program, args, dir, run.name + ".pred", "missing/r.json", run.status,
                                             "Can not write file missing/r.json\n")
                           : run_with_report(program, args, dir, run.name + ".pred", "r.json", run.status);
        if (run.expected)
            EXPECT_NE(masked_probability_figures(report.value_or("")).find(*run.expected), std::string::npos)
                << report.value_or("no report");
        else
            EXPECT_FALSE(report) << *report;
    }
}

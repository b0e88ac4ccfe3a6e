// The report of a run for scripts (-r FILE): one JSON object with the run's counts, its
// confusion matrix, per-class precision, recall and F1, and their averages. The drivers
// gather the figures; this unit derives the ratios and writes the file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Ci_instances.h"
#include "utils.h"

// A confusion matrix seen with rows = observed class and columns = predicted class,
// whichever way the program keeps it.
struct ConfusionView {
    const IMatrix* matrix = nullptr;  // none when nothing was classified: all zeros
    bool predicted_rows = false;      // the matrix is [predicted][observed]

    int64_t at(int observed, int predicted) const;
};

// What a tree classifier's run adds to its report.
struct TreeRunFigures {
    long not_classified = 0;  // examples the tree gave no answer for
    int32_t nodes = 0;
    int32_t leaves = 0;
    int32_t depth = 0;
    int32_t neighbours = 0;  // voting at exemplar leaves; 0 when switched off
};

struct RunReport {
    std::string program;
    std::string version;
    std::string dataset;
    // The files read, in reading order: what each one is ("domain", "test", "model") and its name.
    std::vector<std::pair<std::string, std::string>> files;
    std::vector<std::string> classes;  // labels in class order
    long examples = 0;                 // read and kept
    long rejected_lines = 0;           // dropped with a message
    long errors = 0;
    ConfusionView confusion;
    std::optional<TreeRunFigures> tree_run;
    double cpu_seconds = 0.0;  // the figure of the error line
};

// Figures of one class; a ratio is absent where it would be 0/0.
struct ClassFigures {
    int64_t support = 0;    // classified examples observed in the class: its row's sum
    int64_t predicted = 0;  // examples predicted as the class: its column's sum
    int64_t correct = 0;
    std::optional<double> precision;  // correct / predicted
    std::optional<double> recall;     // correct / support
    std::optional<double> f1;         // 2 correct / (support + predicted)
};

// Classes 1..nr_classes at entries 0..nr_classes-1.
std::vector<ClassFigures> class_figures(const ConfusionView& confusion, int nr_classes);

struct OverallFigures {
    std::optional<double> error_rate;   // errors / examples
    std::optional<double> accuracy;     // correctly classified / examples
    std::optional<double> macro_f1;     // mean F1 over the classes whose F1 is defined
    std::optional<double> weighted_f1;  // F1 weighted by support
};

OverallFigures overall_figures(const std::vector<ClassFigures>& classes, long examples, long errors);

// `text` as a JSON string: quotes, backslashes and control characters escaped, and each
// byte that is not part of valid UTF-8 taken as the Latin-1 character of that code.
std::string json_string(std::string_view text);

// The class labels of `domain` in class order.
std::vector<std::string> class_labels(const Domain& domain);

// The domain file the reader took for `dataset`: dataset.domain when it can be opened,
// else dataset.names.
std::string domain_file_name(const std::string& dataset);

// Writes the report to a new file in the folder of `path` and renames it into place, so
// that no reader sees a partial report. A path that names something other than a regular
// file (a device, a pipe) is written in place: renaming over it would replace it. False
// when it could not be written.
bool write_report(const std::string& path, const RunReport& report);

// The report of a run for scripts (-r FILE): one JSON object with the run's counts, its
// confusion matrix, per-class precision, recall, F1 and false-positive rates, the overall
// figures of agreement, and the errors of the class probabilities with their exact sums.
// The drivers gather the figures; this unit derives the ratios and writes the file.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Ci_instances.h"
#include "exact_sum.h"
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

// What the class probabilities of the scored examples add up to, each sum exact.
struct ProbabilityFigures {
    long scored = 0;          // labelled examples that have probabilities
    ExactSum log_loss;        // of -ln max(p_observed, 1e-15)
    ExactSum squared_error;   // of (p_c - [c = observed])^2 over the example's classes c = 1..C
    ExactSum absolute_error;  // of |p_c - [c = observed]| over the example's classes
    // Adds one scored example: probabilities[1..C] (entry 0 unused), observed class 1..C.
    void add(std::span<const double> probabilities, int observed);
    void add(const ProbabilityFigures& other);
};

struct RunReport {
    std::string program;
    std::string version;
    std::string dataset;
    // The files read, in reading order: what each one is ("domain", "test", "model") and its name.
    std::vector<std::pair<std::string, std::string>> files;
    std::vector<std::string> classes;  // labels in class order
    long examples = 0;                 // read and kept
    long labelled = 0;                 // examples with a known class: those the confusion matrix counts
    long unlabelled = 0;               // read without a class ("?" under -u): classified, not counted
    long rejected_lines = 0;           // dropped with a message
    long errors = 0;
    ConfusionView confusion;
    ProbabilityFigures probabilities{};  // from the class probabilities of the labelled examples that have them
    std::optional<TreeRunFigures> tree_run;
    double cpu_seconds = 0.0;  // the figure of the error line
};

// Figures of one class; a ratio is absent where it would be 0/0.
struct ClassFigures {
    int64_t support = 0;    // classified examples observed in the class: its row's sum
    int64_t predicted = 0;  // examples predicted as the class: its column's sum
    int64_t correct = 0;
    std::optional<double> precision;    // correct / predicted
    std::optional<double> recall;       // correct / support
    std::optional<double> f1;           // 2 correct / (support + predicted)
    std::optional<double> fp_rate;      // false positives / (false positives + true negatives)
    std::optional<double> specificity;  // true negatives / (true negatives + false positives)
};

// Classes 1..nr_classes at entries 0..nr_classes-1.
std::vector<ClassFigures> class_figures(const ConfusionView& confusion, int nr_classes);

struct OverallFigures {
    std::optional<double> error_rate;         // errors / labelled
    std::optional<double> accuracy;           // correctly classified / labelled
    std::optional<double> balanced_accuracy;  // mean recall over the classes with support
    std::optional<double> macro_f1;           // mean F1 over the classes whose F1 is defined
    std::optional<double> weighted_f1;        // F1 weighted by support
    // With s classified examples, c of them right, and p_k, t_k predicted and observed in
    // class k: (s c - sum p_k t_k) / (s^2 - sum p_k t_k).
    std::optional<double> cohen_kappa;
    // (s c - sum p_k t_k) / sqrt((s^2 - sum p_k^2) (s^2 - sum t_k^2)).
    std::optional<double> mcc;
};

// The error rate and accuracy are over `labelled`; the other figures over the classified
// examples, those of the confusion matrix.
OverallFigures overall_figures(const std::vector<ClassFigures>& classes, long labelled, long errors);

// The means of the probability sums; absent without scored examples or classes.
struct ProbabilityRatios {
    std::optional<double> log_loss;                 // log loss sum / scored
    std::optional<double> brier;                    // squared error sum / scored
    std::optional<double> mean_absolute_error;      // absolute error sum / (scored C)
    std::optional<double> root_mean_squared_error;  // sqrt(squared error sum / (scored C))
};

ProbabilityRatios probability_ratios(const ProbabilityFigures& probabilities, int nr_classes);

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

// The report as the file holds it. Throws bad_alloc when it cannot be held.
std::string report_text(const RunReport& report);

// Writes the report to REPORT_PATH; when it cannot, says "Can not write file PATH". The
// exit status: 0 or 1.
int write_run_report(const RunReport& report);

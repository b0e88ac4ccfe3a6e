// The run report: per-class, overall and probability figures, JSON text, and the file
// written atomically.
#include "report.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>

#include "file.h"
#include "options.h"
#include "replacing_file.h"
#include "run_support.h"
#include "utf8.h"

int64_t ConfusionView::at(int observed, int predicted) const {
    if (matrix == nullptr) return 0;
    const int r = predicted_rows ? predicted : observed;
    const int c = predicted_rows ? observed : predicted;
    return matrix->contains(r, c) ? matrix->at(r, c) : 0;
}

void ProbabilityFigures::add(std::span<const double> probabilities, int observed) {
    ++scored;
    log_loss.add(-std::log(std::max(probabilities[static_cast<size_t>(observed)], 1e-15)));
    for (size_t c = 1; c < probabilities.size(); ++c) {
        const double difference = probabilities[c] - (c == static_cast<size_t>(observed) ? 1.0 : 0.0);
        squared_error.add(difference * difference);
        absolute_error.add(std::fabs(difference));
    }
}

void ProbabilityFigures::add(const ProbabilityFigures& other) {
    scored += other.scored;
    log_loss.add(other.log_loss);
    squared_error.add(other.squared_error);
    absolute_error.add(other.absolute_error);
}

namespace {

// Products of counts, such as the square of the number of examples, exceed 64 bits long
// before the counts do.
__extension__ typedef __int128 Wide;

std::optional<double> ratio(int64_t numerator, int64_t denominator) {
    if (denominator == 0) return std::nullopt;
    return static_cast<double>(numerator) / static_cast<double>(denominator);
}

}  // namespace

std::vector<ClassFigures> class_figures(const ConfusionView& confusion, int nr_classes) {
    std::vector<ClassFigures> figures(static_cast<size_t>(std::max(nr_classes, 0)));
    for (int o = 1; o <= nr_classes; ++o) {
        for (int p = 1; p <= nr_classes; ++p) {
            const int64_t count = confusion.at(o, p);
            figures[static_cast<size_t>(o - 1)].support += count;
            figures[static_cast<size_t>(p - 1)].predicted += count;
        }
        figures[static_cast<size_t>(o - 1)].correct = confusion.at(o, o);
    }
    int64_t total = 0;
    for (const ClassFigures& c : figures) total += c.support;
    for (ClassFigures& c : figures) {
        c.precision = ratio(c.correct, c.predicted);
        c.recall = ratio(c.correct, c.support);
        // The harmonic mean of precision and recall, taken straight from the counts; it is
        // 0 rather than undefined for a class that was observed or predicted but never hit.
        if (c.support + c.predicted != 0)
            c.f1 = 2.0 * static_cast<double>(c.correct) / static_cast<double>(c.support + c.predicted);
        // The examples observed in other classes are the negatives: false positives where
        // predicted as this class, true negatives elsewhere.
        const int64_t negatives = total - c.support;
        const int64_t false_positives = c.predicted - c.correct;
        c.fp_rate = ratio(false_positives, negatives);
        c.specificity = ratio(negatives - false_positives, negatives);
    }
    return figures;
}

OverallFigures overall_figures(const std::vector<ClassFigures>& classes, long labelled, long errors) {
    OverallFigures overall;
    if (labelled != 0) overall.error_rate = error_rate(errors, labelled);
    int64_t correct = 0;
    int64_t support = 0;
    double recall_sum = 0.0;
    int64_t recall_count = 0;
    double f1_sum = 0.0;
    int64_t f1_count = 0;
    double weighted_sum = 0.0;
    Wide agreement = 0;  // sum of predicted x observed over the classes
    Wide predicted_squares = 0;
    Wide support_squares = 0;
    for (const ClassFigures& c : classes) {
        correct += c.correct;
        support += c.support;
        agreement += Wide{c.predicted} * c.support;
        predicted_squares += Wide{c.predicted} * c.predicted;
        support_squares += Wide{c.support} * c.support;
        if (c.recall) {
            recall_sum += *c.recall;
            ++recall_count;
        }
        if (!c.f1) continue;
        f1_sum += *c.f1;
        ++f1_count;
        if (c.support != 0) weighted_sum += static_cast<double>(c.support) * *c.f1;
    }
    overall.accuracy = ratio(correct, labelled);
    if (recall_count != 0) overall.balanced_accuracy = recall_sum / static_cast<double>(recall_count);
    if (f1_count != 0) overall.macro_f1 = f1_sum / static_cast<double>(f1_count);
    if (support != 0) overall.weighted_f1 = weighted_sum / static_cast<double>(support);
    // Kappa and the MCC from the counts in integers, then one division (for the MCC, of a
    // double by the square root of the product of the denominator's factors as doubles).
    const Wide square = Wide{support} * support;
    const Wide beyond_chance = Wide{support} * correct - agreement;
    if (square != agreement)
        overall.cohen_kappa = static_cast<double>(beyond_chance) / static_cast<double>(square - agreement);
    const Wide predicted_spread = square - predicted_squares;
    const Wide observed_spread = square - support_squares;
    if (predicted_spread != 0 && observed_spread != 0)
        overall.mcc = static_cast<double>(beyond_chance) /
                      std::sqrt(static_cast<double>(predicted_spread) * static_cast<double>(observed_spread));
    return overall;
}

ProbabilityRatios probability_ratios(const ProbabilityFigures& probabilities, int nr_classes) {
    ProbabilityRatios ratios;
    const int64_t scored = probabilities.scored;
    const int64_t cells = scored * nr_classes;  // each scored example's classes
    const double squared_error = probabilities.squared_error.value();
    if (scored != 0) {
        ratios.log_loss = probabilities.log_loss.value() / static_cast<double>(scored);
        ratios.brier = squared_error / static_cast<double>(scored);
    }
    if (cells != 0) {
        ratios.mean_absolute_error = probabilities.absolute_error.value() / static_cast<double>(cells);
        ratios.root_mean_squared_error = std::sqrt(squared_error / static_cast<double>(cells));
    }
    return ratios;
}

// ---- JSON strings ----------------------------------------------------------------------

namespace {

void append_escaped_code(std::string& out, unsigned code) {
    static constexpr char hex[] = "0123456789abcdef";
    out += "\\u00";
    out += hex[code >> 4];
    out += hex[code & 0xF];
}

// One character of code point `code` < 0x100, escaped where JSON needs it or where it is
// a control character (C0, DEL and C1).
void append_small_code(std::string& out, unsigned code) {
    switch (code) {
        case '"':
            out += "\\\"";
            return;
        case '\\':
            out += "\\\\";
            return;
        case '\b':
            out += "\\b";
            return;
        case '\f':
            out += "\\f";
            return;
        case '\n':
            out += "\\n";
            return;
        case '\r':
            out += "\\r";
            return;
        case '\t':
            out += "\\t";
            return;
        default:
            break;
    }
    if (code < 0x20 || (code >= 0x7F && code <= 0x9F)) {
        append_escaped_code(out, code);
    } else if (code < 0x80) {
        out += static_cast<char>(code);
    } else {
        append_latin1(out, static_cast<unsigned char>(code));
    }
}

}  // namespace

std::string json_string(std::string_view text) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size();) {
        const size_t length = utf8_sequence_length(text.substr(i));
        const auto lead = static_cast<unsigned char>(text[i]);
        if (length == 0 || length == 1) {
            append_small_code(out, lead);  // ASCII, or a stray byte read as Latin-1
            ++i;
        } else if (length == 2 && lead == 0xC2 && static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
            append_escaped_code(out, static_cast<unsigned char>(text[i + 1]));  // a C1 control
            i += 2;
        } else {
            out.append(text.substr(i, length));
            i += length;
        }
    }
    out += '"';
    return out;
}

// ---- The report file ---------------------------------------------------------------------

namespace {

// Writes the report's text to a stream; the stream records any failure.
class JsonWriter {
public:
    explicit JsonWriter(std::FILE* file) : file_(file) {}

    void text(std::string_view s) { std::fwrite(s.data(), 1, s.size(), file_); }
    void string(std::string_view s) { text(json_string(s)); }
    // Shortest text that reads back as the same double; null for one that JSON cannot
    // hold (an infinity or a NaN).
    void number(double v) {
        if (!std::isfinite(v)) {
            text("null");
            return;
        }
        char buffer[32];
        const std::to_chars_result result = std::to_chars(buffer, buffer + sizeof buffer, v);
        text(std::string_view(buffer, static_cast<size_t>(result.ptr - buffer)));
    }
    void integer(int64_t v) {
        char buffer[24];
        const std::to_chars_result result = std::to_chars(buffer, buffer + sizeof buffer, v);
        text(std::string_view(buffer, static_cast<size_t>(result.ptr - buffer)));
    }
    void ratio(const std::optional<double>& v) { v ? number(*v) : text("null"); }
    // The name of a member of the top-level object, on a line of its own.
    void member(std::string_view name, bool first = false) {
        text(first ? "\n  " : ",\n  ");
        string(name);
        text(": ");
    }

private:
    std::FILE* file_;
};

void write_files(JsonWriter& out, const RunReport& report) {
    out.text("{");
    for (size_t i = 0; i < report.files.size(); ++i) {
        if (i != 0) out.text(", ");
        out.string(report.files[i].first);
        out.text(": ");
        out.string(report.files[i].second);
    }
    out.text("}");
}

void write_classes(JsonWriter& out, const RunReport& report) {
    out.text("[");
    for (size_t i = 0; i < report.classes.size(); ++i) {
        if (i != 0) out.text(", ");
        out.string(report.classes[i]);
    }
    out.text("]");
}

void write_confusion(JsonWriter& out, const ConfusionView& confusion, int nr_classes) {
    out.text("{\n    \"rows\": \"observed\",\n    \"columns\": \"predicted\",\n    \"matrix\": [");
    for (int o = 1; o <= nr_classes; ++o) {
        out.text(o == 1 ? "\n      [" : ",\n      [");
        for (int p = 1; p <= nr_classes; ++p) {
            if (p != 1) out.text(", ");
            out.integer(confusion.at(o, p));
        }
        out.text("]");
    }
    out.text(nr_classes > 0 ? "\n    ]\n  }" : "]\n  }");
}

void write_per_class(JsonWriter& out, const RunReport& report, const std::vector<ClassFigures>& figures) {
    out.text("[");
    for (size_t i = 0; i < figures.size(); ++i) {
        const ClassFigures& c = figures[i];
        out.text(i == 0 ? "\n    {\"class\": " : ",\n    {\"class\": ");
        out.string(report.classes[i]);
        out.text(", \"support\": ");
        out.integer(c.support);
        out.text(", \"predicted\": ");
        out.integer(c.predicted);
        out.text(", \"precision\": ");
        out.ratio(c.precision);
        out.text(", \"recall\": ");
        out.ratio(c.recall);
        out.text(", \"f1\": ");
        out.ratio(c.f1);
        out.text(", \"fp_rate\": ");
        out.ratio(c.fp_rate);
        out.text(", \"specificity\": ");
        out.ratio(c.specificity);
        out.text("}");
    }
    out.text(figures.empty() ? "]" : "\n  ]");
}

// The canonical partials of a sum, which depend on the exact sum alone.
void write_partials(JsonWriter& out, const ExactSum& sum) {
    const std::vector<double> partials = sum.canonical_partials();
    out.text("[");
    for (size_t i = 0; i < partials.size(); ++i) {
        if (i != 0) out.text(", ");
        out.number(partials[i]);
    }
    out.text("]");
}

void write_probabilities(JsonWriter& out, const ProbabilityFigures& probabilities, int nr_classes) {
    const ProbabilityRatios ratios = probability_ratios(probabilities, nr_classes);
    out.member("scored");
    out.integer(probabilities.scored);
    out.member("log_loss");
    out.ratio(ratios.log_loss);
    out.member("brier");
    out.ratio(ratios.brier);
    out.member("mean_absolute_error");
    out.ratio(ratios.mean_absolute_error);
    out.member("root_mean_squared_error");
    out.ratio(ratios.root_mean_squared_error);
    out.member("sums");
    out.text("{\"log_loss\": ");
    write_partials(out, probabilities.log_loss);
    out.text(", \"squared_error\": ");
    write_partials(out, probabilities.squared_error);
    out.text(", \"absolute_error\": ");
    write_partials(out, probabilities.absolute_error);
    out.text("}");
}

void write_json(std::FILE* file, const RunReport& report) {
    const int nr_classes = static_cast<int>(report.classes.size());
    const std::vector<ClassFigures> figures = class_figures(report.confusion, nr_classes);
    const OverallFigures overall = overall_figures(figures, report.labelled, report.errors);
    JsonWriter out(file);
    out.text("{");
    out.member("program", true);
    out.string(report.program);
    out.member("version");
    out.string(report.version);
    out.member("dataset");
    out.string(report.dataset);
    out.member("files");
    write_files(out, report);
    out.member("classes");
    write_classes(out, report);
    out.member("examples");
    out.integer(report.examples);
    out.member("labelled");
    out.integer(report.labelled);
    out.member("unlabelled");
    out.integer(report.unlabelled);
    out.member("rejected_lines");
    out.integer(report.rejected_lines);
    if (report.tree_run) {
        out.member("not_classified");
        out.integer(report.tree_run->not_classified);
    }
    out.member("errors");
    out.integer(report.errors);
    out.member("error_rate");
    out.ratio(overall.error_rate);
    out.member("confusion");
    write_confusion(out, report.confusion, nr_classes);
    out.member("per_class");
    write_per_class(out, report, figures);
    out.member("accuracy");
    out.ratio(overall.accuracy);
    out.member("balanced_accuracy");
    out.ratio(overall.balanced_accuracy);
    out.member("macro_f1");
    out.ratio(overall.macro_f1);
    out.member("weighted_f1");
    out.ratio(overall.weighted_f1);
    out.member("cohen_kappa");
    out.ratio(overall.cohen_kappa);
    out.member("mcc");
    out.ratio(overall.mcc);
    write_probabilities(out, report.probabilities, nr_classes);
    if (report.tree_run) {
        const TreeRunFigures& tree = *report.tree_run;
        out.member("tree");
        out.text("{\"nodes\": ");
        out.integer(tree.nodes);
        out.text(", \"leaves\": ");
        out.integer(tree.leaves);
        out.text(", \"depth\": ");
        out.integer(tree.depth);
        out.text("}");
        out.member("neighbours");
        out.integer(tree.neighbours);
    }
    out.member("cpu_seconds");
    out.number(report.cpu_seconds);
    out.text("\n}\n");
}

}  // namespace

std::vector<std::string> class_labels(const Domain& domain) {
    const std::vector<std::string>& values = domain.class_attribute().values;
    return values.empty() ? values : std::vector<std::string>(values.begin() + 1, values.end());
}

std::string domain_file_name(const std::string& dataset) {
    const std::string domain = dataset + ".domain";
    const File file = File::open(domain, "r");
    return file ? domain : dataset + ".names";
}

bool write_report(const std::string& path, const RunReport& report) {
    ReplacingFile file(path);
    if (file.stream() == nullptr) return false;
    write_json(file.stream(), report);
    return file.commit();
}

std::string report_text(const RunReport& report) {
    char* buffer = nullptr;
    size_t size = 0;
    std::FILE* memory = open_memstream(&buffer, &size);
    if (memory == nullptr) throw std::bad_alloc();
    write_json(memory, report);
    const bool written = std::fclose(memory) == 0;
    const std::unique_ptr<char, decltype(&std::free)> owned(buffer, &std::free);
    if (!written || buffer == nullptr) throw std::bad_alloc();
    return std::string(buffer, size);
}

int write_run_report(const RunReport& report) {
    if (write_report(*REPORT_PATH, report)) return 0;
    report_unwritten_file(*REPORT_PATH);
    return 1;
}

// Rows of the class probabilities file.
#include "probabilities.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "options.h"

namespace {

void append_field(std::string& out, std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        out += text;
        return;
    }
    out += '"';
    for (const char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

void append_class(std::string& out, const Domain& domain, int c) {
    if (c >= 1 && c <= domain.nr_classes()) append_field(out, LblValId(domain, domain.nr_attributes + 1, c));
}

void append_double(std::string& out, double value) {
    char text[32];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    if (error == std::errc()) out.append(text, end);
}

}  // namespace

std::string probability_header(const Domain& domain) {
    std::string header = "line,observed,predicted";
    for (int c = 1; c <= domain.nr_classes(); ++c) {
        header += ',';
        append_class(header, domain, c);
    }
    return header + "\r\n";
}

bool class_probabilities(std::span<const double> weights, int nr_classes, std::vector<double>& out) {
    out.clear();
    if (nr_classes < 0 || static_cast<int64_t>(weights.size()) <= nr_classes) return false;
    double sum = 0.0;
    for (int c = 1; c <= nr_classes; ++c) sum += weights[static_cast<size_t>(c)];
    if (!(sum > 0.0 && std::isfinite(sum))) return false;
    out.assign(static_cast<size_t>(nr_classes) + 1, 0.0);
    for (int c = 1; c <= nr_classes; ++c) out[static_cast<size_t>(c)] = weights[static_cast<size_t>(c)] / sum;
    return true;
}

void append_probability_row(std::string& out, const Domain& domain, long line, int observed, int predicted,
                            std::span<const double> probabilities) {
    out += std::to_string(line);
    out += ',';
    append_class(out, domain, observed);
    out += ',';
    append_class(out, domain, predicted);
    const int nr_classes = domain.nr_classes();
    const bool held = static_cast<int64_t>(probabilities.size()) > nr_classes;
    for (int c = 1; c <= nr_classes; ++c) {
        out += ',';
        if (held) append_double(out, probabilities[static_cast<size_t>(c)]);
    }
    out += "\r\n";
}

void record_probabilities(const ProbabilitySinks& sinks, const Domain& domain, const Instance& example, int predicted,
                          std::span<const double> weights, std::vector<double>& scratch) {
    const bool held = class_probabilities(weights, domain.nr_classes(), scratch);
    if (sinks.rows != nullptr)
        append_probability_row(*sinks.rows, domain, example.line, example.class_value, predicted, scratch);
    if (sinks.figures != nullptr && held && example.class_value != 0) sinks.figures->add(scratch, example.class_value);
    if (sinks.values != nullptr) {
        if (held)
            sinks.values->insert(sinks.values->end(), scratch.begin() + 1, scratch.end());
        else
            sinks.values->insert(sinks.values->end(), static_cast<size_t>(std::max(domain.nr_classes(), 0)),
                                 std::nan(""));
    }
}

std::unique_ptr<ReplacingFile> open_probabilities(const Domain& domain) {
    if (!PROBABILITY_PATH) return nullptr;
    auto file = std::make_unique<ReplacingFile>(*PROBABILITY_PATH);
    if (file->stream() != nullptr) std::fputs(probability_header(domain).c_str(), file->stream());
    return file;
}

// Rows of the class probabilities file.
#include "probabilities.h"

#include <charconv>
#include <cmath>
#include <string_view>

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

void append_probability_row(std::string& out, const Domain& domain, long line, int observed, int predicted,
                            std::span<const double> weights) {
    out += std::to_string(line);
    out += ',';
    append_class(out, domain, observed);
    out += ',';
    append_class(out, domain, predicted);
    const int nr_classes = domain.nr_classes();
    double sum = 0.0;
    const bool held = static_cast<int>(weights.size()) > nr_classes;
    if (held)
        for (int c = 1; c <= nr_classes; ++c) sum += weights[static_cast<size_t>(c)];
    const bool usable = held && sum > 0.0 && std::isfinite(sum);
    for (int c = 1; c <= nr_classes; ++c) {
        out += ',';
        if (usable) append_double(out, weights[static_cast<size_t>(c)] / sum);
    }
    out += "\r\n";
}

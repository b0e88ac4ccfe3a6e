// The class probabilities file (-s): CSV (a field quoted when it holds a comma, a quote or a
// line end, quotes doubled, CRLF line ends), one row per example in file order.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "domain.h"
#include "instances.h"
#include "replacing_file.h"
#include "report.h"

// "line,observed,predicted," and the class names in class order.
std::string probability_header(const Domain& domain);

// The class probabilities of a weight vector: its entries 1..C each divided by their sum
// (added in class order), into out[1..C]. False, with `out` emptied, when the vector holds
// fewer entries or the sum is not a positive finite number: the example has none.
bool class_probabilities(std::span<const double> weights, int nr_classes, std::vector<double>& out);

// What an example's class probabilities go to: the rows of the -s file, the report's
// figures (labelled examples only), the values themselves (C per example, NaN for an
// example without), or any of them.
struct ProbabilitySinks {
    std::string* rows = nullptr;
    ProbabilityFigures* figures = nullptr;
    std::vector<double>* values = nullptr;
    bool wanted() const { return rows != nullptr || figures != nullptr || values != nullptr; }
};

// Works out the example's probabilities from `weights` (into `scratch`) and hands them to
// the sinks: its row, and, when it is labelled and has them, the figures.
void record_probabilities(const ProbabilitySinks& sinks, const Domain& domain, const Instance& example, int predicted,
                          std::span<const double> weights, std::vector<double>& scratch);

// The class probabilities file of -s (PROBABILITY_PATH) with its header written, or none
// without -s.
std::unique_ptr<ReplacingFile> open_probabilities(const Domain& domain);

// Appends the row of one example: the line its first field is on; the observed class
// (empty when unlabelled, class 0); the predicted class (empty when there is none, class 0);
// then its probabilities 1..C in the shortest form that reads back to the same double, all
// empty when it has none (an empty span).
void append_probability_row(std::string& out, const Domain& domain, long line, int observed, int predicted,
                            std::span<const double> probabilities);

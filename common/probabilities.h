// The class probabilities file (-s): CSV (a field quoted when it holds a comma, a quote or a
// line end, quotes doubled, CRLF line ends), one row per example in file order.
#pragma once

#include <span>
#include <string>

#include "domain.h"

// "line,observed,predicted," and the class names in class order.
std::string probability_header(const Domain& domain);

// Appends the row of one example: the line its first field is on; the observed class
// (empty when unlabelled, class 0); the predicted class (empty when there is none, class 0);
// then each of `weights`' entries 1..C divided by their sum, in the shortest form that reads
// back to the same double. The probabilities are all empty when `weights` is empty or their
// sum is not a positive finite number.
void append_probability_row(std::string& out, const Domain& domain, long line, int observed, int predicted,
                            std::span<const double> weights);

// Mixtures of class-probability vectors.
#include "Combine.h"

#include <cstddef>

namespace {

// Entry c of a vector that may be shorter than the class count: missing entries are 0.
double entry(std::span<const double> v, int c) {
    return static_cast<size_t>(c) < v.size() ? v[static_cast<size_t>(c)] : 0.0;
}

// Adds weight * v to out, or nothing for an absent vector or a zero weight (so that an
// infinite entry under a zero weight does not turn into NaN).
void add_weighted(std::span<double> out, int nr_classes, double weight, const AnswerView& v) {
    if (!v || weight == 0.0) return;
    for (int c = 1; c <= nr_classes; ++c) out[static_cast<size_t>(c)] += weight * entry(*v, c);
}

AnswerView held(const std::vector<double>* v) { return v != nullptr ? AnswerView(*v) : std::nullopt; }

}  // namespace

void mix_weighted(std::span<double> out, int nr_classes, double w2, const AnswerView& v2, double w1,
                  const AnswerView& v1) {
    const int size = nr_classes > 0 ? nr_classes : 0;
    for (int c = 0; c <= size; ++c) out[static_cast<size_t>(c)] = 0.0;
    add_weighted(out, size, w2, v2);
    add_weighted(out, size, w1, v1);
    normalise(out, size);
}

std::vector<double> mixed_ul(int nr_classes, double w2, const std::vector<double>* v2, double w1,
                             const std::vector<double>* v1) {
    std::vector<double> out(static_cast<size_t>(nr_classes > 0 ? nr_classes : 0) + 1, 0.0);
    mix_weighted(out, nr_classes, w2, held(v2), w1, held(v1));
    return out;
}

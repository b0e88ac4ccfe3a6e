// Decision helpers on class-probability vectors (reals indexed 1..C, entry 0 unused).
#pragma once

#include <span>
#include <vector>

#include "class_probs.h"

// Position 1..n of the first largest entry (1 when n < 1); a NaN entry never wins.
// Only the entries the vector holds take part.
inline int dmajority(std::span<const double> v, int n) {
    int best = 1;
    if (v.size() < 2) return best;
    const int last = n < static_cast<int>(v.size()) ? n : static_cast<int>(v.size()) - 1;
    for (int i = 1; i <= last; ++i)
        if (v[static_cast<size_t>(i)] > v[static_cast<size_t>(best)]) best = i;
    return best;
}
inline int dmajority(const std::vector<double>& v, int n) { return dmajority(std::span<const double>(v), n); }

// w1 * v1 + w2 * v2, normalised to sum 1 when the sum is not 0; an absent vector (null)
// takes weight 0. The second branch comes first, as the descent passes it.
std::vector<double> mixed_ul(int nr_classes, double w2, const std::vector<double>* v2, double w1,
                             const std::vector<double>* v1);

// The same mixture written into out[0..C], which must hold C + 1 entries.
void mix_weighted(std::span<double> out, int nr_classes, double w2, const AnswerView& v2, double w1,
                  const AnswerView& v1);

// Divides entries 1..n by their sum, added in index order, unless that sum is 0.
inline void normalise(std::span<double> v, int n) {
    const int last = n < static_cast<int>(v.size()) ? n : static_cast<int>(v.size()) - 1;
    double sum = 0.0;
    for (int c = 1; c <= last; ++c) sum += v[static_cast<size_t>(c)];
    if (sum == 0.0) return;
    for (int c = 1; c <= last; ++c) v[static_cast<size_t>(c)] /= sum;
}
inline void normalise(std::vector<double>& v, int n) { normalise(std::span<double>(v), n); }

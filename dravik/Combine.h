// Decision helpers on class-probability vectors (reals indexed 1..C, entry 0 unused).
#pragma once

#include <vector>

// Position 1..n of the first largest entry (1 when n < 1); a NaN entry never wins.
int dmajority(const std::vector<double>& v, int n);

// w1 * v1 + w2 * v2, normalised to sum 1 when the sum is not 0; an absent vector (null)
// takes weight 0. The second branch comes first, as the descent passes it.
std::vector<double> mixed_ul(int nr_classes, double w2, const std::vector<double>* v2, double w1,
                             const std::vector<double>* v1);

// Divides entries 1..n by their sum, added in index order, unless that sum is 0.
void normalise(std::vector<double>& v, int n);

// Exact sums of doubles: non-overlapping partials, and their correctly rounded value.
#include "exact_sum.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

bool is_special(const std::vector<double>& partials) { return partials.size() == 1 && !std::isfinite(partials[0]); }

}  // namespace

void ExactSum::add(double x) {
    if (is_special(partials_)) {
        partials_[0] += x;
        return;
    }
    if (!std::isfinite(x)) {
        partials_.assign(1, x);
        return;
    }
    // x runs up through the partials from the smallest: each step splits x + partial into
    // its rounded sum hi, carried on, and the rounding error lo, kept where it is (exact
    // because |x| >= |partial| when they are added).
    size_t kept = 0;
    for (size_t j = 0; j < partials_.size(); ++j) {
        double y = partials_[j];
        if (std::fabs(x) < std::fabs(y)) std::swap(x, y);
        const double hi = x + y;
        const double lo = y - (hi - x);
        if (lo != 0.0) partials_[kept++] = lo;
        x = hi;
    }
    partials_.resize(kept);
    if (!std::isfinite(x)) {
        partials_.assign(1, x);  // the running sum overflowed
    } else if (x != 0.0) {
        partials_.push_back(x);
    }
}

void ExactSum::add(const ExactSum& other) {
    if (&other == this) {
        const ExactSum copy = other;
        add(copy);
        return;
    }
    for (const double p : other.partials_) add(p);
}

double ExactSum::value() const {
    size_t n = partials_.size();
    if (n == 0) return 0.0;
    double hi = partials_[--n];
    if (!std::isfinite(hi)) return hi;
    // Adds the partials from the largest down while the sum stays exact; the first one
    // that does not fit leaves its rounding error lo.
    double lo = 0.0;
    while (n > 0) {
        const double x = hi;
        const double y = partials_[--n];
        hi = x + y;
        lo = y - (hi - x);
        if (lo != 0.0) break;
    }
    // hi + lo is exact and hi its rounding to nearest, ties to even. When lo is exactly half
    // a unit in the last place of hi, that tie was settled as if nothing came below; but
    // partials below of lo's sign take the exact sum past the halfway point, to hi + 2 lo.
    if (n > 0 && ((lo < 0.0 && partials_[n - 1] < 0.0) || (lo > 0.0 && partials_[n - 1] > 0.0))) {
        const double y = lo * 2.0;
        const double x = hi + y;
        if (y == x - hi) hi = x;
    }
    return hi;
}

const std::vector<double>& ExactSum::partials() const { return partials_; }

std::vector<double> ExactSum::canonical_partials() const {
    if (is_special(partials_)) return partials_;
    std::vector<double> out;
    ExactSum rest = *this;
    while (!rest.partials_.empty()) {
        const double top = rest.value();
        if (!std::isfinite(top)) return {top};  // the sum rounds past the largest double
        out.push_back(top);
        // rest - top: the largest partial less top, split exactly into a rounded difference
        // and its error, goes back to the smaller partials.
        const double largest = rest.partials_.back();
        rest.partials_.pop_back();
        const double difference = largest - top;
        const double back = difference - largest;
        const double error = (largest - (difference - back)) + (-top - back);
        rest.add(difference);
        rest.add(error);
    }
    std::reverse(out.begin(), out.end());
    return out;
}

ExactSum ExactSum::from_partials(const std::vector<double>& partials) {
    ExactSum sum;
    for (const double p : partials) sum.add(p);
    return sum;
}

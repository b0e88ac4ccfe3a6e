// Sums of doubles without rounding error: the correctly rounded sum whatever the order the
// terms come in, kept as non-overlapping partials that add up to the exact sum.
#pragma once

#include <vector>

// The exact sum of the doubles added so far. Two sums of the same terms, added in any
// order or grouped in any way, have the same value(); their partials() may differ, their
// canonical_partials() do not.
//
// Non-finite terms: once an infinity or a NaN is added, the value is what plain addition
// gives for the non-finite terms (inf + -inf is NaN), the finite ones no longer counting.
// A running sum whose magnitude passes the largest double overflows the same way: it
// becomes an infinity of its sign, as a plain sum that overflows does.
class ExactSum {
public:
    void add(double x);
    void add(const ExactSum& other);  // adds all of other's terms, exactly
    double value() const;             // the correctly rounded sum
    // Non-overlapping partials whose exact sum is the sum, smallest magnitude first: no
    // zero, and each partial's lowest set bit above the highest bit of those before it.
    // A non-finite sum has the one partial inf, -inf or NaN.
    const std::vector<double>& partials() const;
    // The partials that depend on the exact sum alone: the last is value(), and each one
    // before is the correctly rounded value of what the ones after it leave of the sum.
    // Empty for a sum of 0.
    std::vector<double> canonical_partials() const;
    // The sum of the given doubles, which need not be non-overlapping nor in order.
    static ExactSum from_partials(const std::vector<double>& partials);

private:
    std::vector<double> partials_;
};

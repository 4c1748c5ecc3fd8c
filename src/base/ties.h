#pragma once
// The tie rule every permutation test shares. Two statistics computed along
// different paths (another order of the same sums) may differ in their last
// bits although they are mathematically equal; such a difference must not
// decide a P-value. Values within a few units in the last place of the
// larger of them are equal.

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace phenostat {

// The relative tolerance of the rule: 16 units in the last place.
inline constexpr double TIE_RELATIVE_TOLERANCE = 16 * DBL_EPSILON;

// Whether `a` and `b` are equal up to rounding (both zero included).
inline bool equal_up_to_rounding(double a, double b) {
    return std::fabs(a - b) <= TIE_RELATIVE_TOLERANCE * std::max(std::fabs(a), std::fabs(b));
}

// Whether a replicate's statistic counts as reaching the observed one: larger,
// or equal up to rounding.
inline bool reaches(double replicate, double observed) {
    return replicate >= observed || equal_up_to_rounding(replicate, observed);
}

}  // namespace phenostat

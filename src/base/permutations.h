#pragma once
// What every permutation test shares: how many distinct rearrangements a
// design has, the walk through all of them when they are few enough to
// enumerate, and the P-value of either kind of test.
//
// A design rearranges the values of a vector within ranges of positions
// (every value within one range: individuals among all samples; within
// several: individuals among the samples of their own group). Its distinct
// rearrangements are the product over ranges of the multinomial coefficients
// of the range's values.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <map>
#include <span>
#include <vector>

namespace phenostat {

// Position `positions[i]` of the vector is the i-th place of the design; range
// r covers places bounds[r] .. bounds[r + 1] - 1.
struct Arrangement {
    std::vector<std::size_t> positions;
    std::vector<std::size_t> bounds;
};

// The distinct rearrangements of `values` under `design`, or cap + 1 when
// there are more than `cap`.
template <class T>
std::uint64_t count_rearrangements(const std::vector<T>& values, const Arrangement& design, std::uint64_t cap) {
    long double count = 1;
    for (std::size_t r = 0; r + 1 < design.bounds.size(); ++r) {
        std::map<T, std::size_t> multiplicity;
        std::size_t placed = 0;
        for (std::size_t i = design.bounds[r]; i < design.bounds[r + 1]; ++i) {
            // Multinomial, one factor at a time: C(placed + 1, multiplicity + 1).
            const std::size_t same = ++multiplicity[values[design.positions[i]]];
            count = count * static_cast<long double>(++placed) / static_cast<long double>(same);
            if (count > static_cast<long double>(cap) + 0.5L) return cap + 1;
        }
    }
    return static_cast<std::uint64_t>(std::llround(count));
}

// Walks every distinct rearrangement once: sorted first, then as an odometer
// of lexicographic next permutations, range by range.
template <class T>
class Rearrangements {
public:
    Rearrangements(const std::vector<T>& values, const Arrangement& design) : design_(design) {
        for (const std::size_t p : design.positions) places_.push_back(values[p]);
        for (std::size_t r = 0; r + 1 < design.bounds.size(); ++r) std::sort(range(r).begin(), range(r).end());
    }
    // Writes the current rearrangement into `values`.
    void apply(std::vector<T>& values) const {
        for (std::size_t i = 0; i < places_.size(); ++i) values[design_.positions[i]] = places_[i];
    }
    // Moves to the next one; false after the last (back at the first).
    bool advance() {
        for (std::size_t r = 0; r + 1 < design_.bounds.size(); ++r)
            if (std::next_permutation(range(r).begin(), range(r).end())) return true;
        return false;
    }

private:
    std::span<T> range(std::size_t r) {
        return {places_.data() + design_.bounds[r], design_.bounds[r + 1] - design_.bounds[r]};
    }
    const Arrangement& design_;
    std::vector<T> places_;
};

// A uniform random rearrangement of `values` under `design` (Fisher-Yates
// within each range), drawn from `random` (anything with below(bound)).
template <class T, class Random>
void shuffle_within(std::vector<T>& values, const Arrangement& design, Random& random) {
    for (std::size_t r = 0; r + 1 < design.bounds.size(); ++r) {
        const std::size_t begin = design.bounds[r];
        for (std::size_t i = design.bounds[r + 1]; i > begin + 1; --i)
            std::swap(values[design.positions[i - 1]], values[design.positions[begin + random.below(i - begin)]]);
    }
}

// A test's P-value: with every rearrangement enumerated, the share of them
// (the observed one included) that reach the observed statistic; else
// (1 + replicates that reach it) / (1 + replicates).
inline double permutation_p(std::uint64_t at_least, std::uint64_t replicates, bool exact) {
    if (exact) return static_cast<double>(at_least) / static_cast<double>(replicates);
    return (1.0 + static_cast<double>(at_least)) / (1.0 + static_cast<double>(replicates));
}

}  // namespace phenostat

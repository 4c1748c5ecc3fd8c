#pragma once
// Isolation by distance: the pairs' genetic distance against their
// geographic distance, Pearson's r with a Mantel test, and the least-squares
// line of genetic on geographic distance.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "analyses/analyses.h"

namespace phenostat {

enum class GeneticScale { rousset, fst };    // F/(1-F) of the unshared-alleles F'st, or F'st as it is
enum class GeographicScale { log, linear };  // ln(km), or km

enum class Exclusion : std::size_t {
    none,
    no_distance,     // a sample has no coordinates, or no distance could be calculated
    zero_distance,   // 0 km on the log scale
    fst_one,         // F'st of 1 under F/(1-F)
    one_individual,  // a sample has fewer than two individuals: its F'st says nothing of distance
};
inline constexpr std::size_t EXCLUSION_KINDS = 5;

struct IsolationPair {
    double genetic = 0, geographic = 0;  // as used (when used)
    Exclusion exclusion = Exclusion::none;
};

struct IsolationResult {
    std::vector<IsolationPair> pairs;  // one per PairResult, same order
    std::size_t samples_used = 0;      // samples in at least one pair used
    std::size_t pairs_used = 0;
    std::array<std::size_t, EXCLUSION_KINDS> excluded{};  // pairs left out, by Exclusion
    bool defined = false;                                 // at least 3 pairs used and both distances vary
    double r = 0, slope = 0, intercept = 0;
    long permutations = 0;  // permutations compared
    bool exact = false;     // every permutation of the samples compared, once each
    long at_least = 0;      // permutations whose r reached the observed r
    double p = 0;           // (1 + at_least) / (1 + permutations), or at_least / permutations when exact; one-sided
                            // for a positive association
};

// `pairs` must come from analyse_pairs with coordinates; `individuals` holds
// each sample's number of individuals (its rows), and a pair with a sample of
// fewer than two is left out. The Mantel test permutes the places of the
// samples left in the genetic matrix (rows and columns together), each
// replicate drawn from its own stream of `seed`, or all of them when there are
// no more than `permutations`.
IsolationResult isolation_by_distance(const std::vector<PairResult>& pairs, std::span<const std::size_t> individuals,
                                      GeneticScale genetic, GeographicScale geographic, int permutations,
                                      std::uint32_t seed);
// Each sample's number of individuals, as isolation_by_distance takes them.
std::vector<std::size_t> individual_counts(const SampleCatalogue& catalogue);

// Pearson's r and the least-squares line of y on x (two-pass sums).
struct Line {
    double r = 0, slope = 0, intercept = 0;
    bool defined = false;
};
Line fit_line(const std::vector<double>& x, const std::vector<double>& y);

}  // namespace phenostat

#pragma once
// The analysis of molecular variance on allele presence, one locus at a time.
//
// Two individuals differ at a locus by the alleles that exactly one of them
// carries: the squared Euclidean distance between their presence vectors.
// The sum of squares of a set of n individuals is then sum_a c_a (n - c_a) / n
// over the alleles, c_a being the carriers of allele a in the set: carrier
// counts are all the sums of squares need, never a matrix of distances.
//
// The units are the samples; each belongs to one of the strata (groups).
// With one stratum, two levels: among units, within units.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace phenostat {

// Levels of the three-level design; in the two-level design the first is
// empty and the second is "among samples".
enum : std::size_t { AMONG_GROUPS = 0, AMONG_SAMPLES = 1, WITHIN_SAMPLES = 2 };

struct AmovaLocus {
    std::array<double, 3> ss{};      // sums of squares by level
    std::array<double, 3> df{};      // degrees of freedom by level
    std::array<double, 3> sigma2{};  // variance components by level
    bool contributes = false;        // every level has a degree of freedom here
};

// Carrier counts of one locus, in `lanes` arrangements of the individuals at
// once (one, mostly): lane j's carriers of allele a in unit u at
// counts[(u * alleles + a) * lanes + j], and its typed individuals of unit u at
// typed[u * lanes + j].
struct LocusCarriers {
    std::size_t alleles = 0, lanes = 1;
    std::vector<std::int32_t> counts;
    std::vector<std::int32_t> typed;
    std::size_t units() const { return typed.size() / lanes; }
    // Every count 0.
    void reset(std::size_t units, std::size_t allele_count, std::size_t lane_count = 1) {
        alleles = allele_count;
        lanes = lane_count;
        counts.assign(units * allele_count * lane_count, 0);
        typed.assign(units * lane_count, 0);
    }
    // The counts' shape only, for a caller that sets every one.
    void shape(std::size_t units, std::size_t allele_count, std::size_t lane_count = 1) {
        alleles = allele_count;
        lanes = lane_count;
        counts.resize(units * allele_count * lane_count);
        typed.resize(units * lane_count);
    }
};

// The lanes a permutation test computes at once: each step of the sums is
// done for all of them together, which the compiler turns into vector
// operations, every lane's numbers rounded as one lane alone would be.
inline constexpr std::size_t AMOVA_LANES = 8;

// Working storage of amova_locus.
struct AmovaScratch {
    std::vector<std::int64_t> stratum_counts;
    std::vector<std::int64_t> stratum_typed, stratum_squares;
    std::vector<std::int64_t> total_counts;
};

// One locus's sums of squares, degrees of freedom and components, with the
// coefficients for unequal sizes. `stratum_of[u]` is unit u's stratum
// (0 .. strata-1); `three_levels` false puts every unit in one stratum.
// Units and strata with no one typed are absent at this locus.
// `known_within`, when given, is the within-units sum of squares of these
// carriers from an earlier call (which moving whole units among strata
// leaves as it is), not computed again. One lane.
AmovaLocus amova_locus(const LocusCarriers& carriers, std::span<const std::size_t> stratum_of, std::size_t strata,
                       bool three_levels, AmovaScratch& scratch, const double* known_within = nullptr);
// The components summed over loci, and the Phi statistics as their ratios.
struct AmovaTotals {
    std::array<double, 3> ss{};
    std::array<double, 3> sigma2{};
    std::size_t contributing_loci = 0;
    void add(const AmovaLocus& locus);
    double total_sigma2() const { return sigma2[0] + sigma2[1] + sigma2[2]; }
    // NaN where the denominator is zero.
    double phi_st() const;
    double phi_sc() const;
    double phi_ct() const;
};

// The sums of AMOVA_LANES arrangements side by side: lane j's of level k at
// [k][j].
struct AmovaLaneTotals {
    double ss[3][AMOVA_LANES] = {};
    double sigma2[3][AMOVA_LANES] = {};
    std::int64_t contributing_loci[AMOVA_LANES] = {};
    AmovaTotals lane(std::size_t j) const;
};

// amova_locus for AMOVA_LANES lanes at once, each lane's locus added to its
// sums in `totals`. Carriers of one lane are those of every lane, their units
// in strata that differ by lane: unit u of lane j in stratum
// stratum_of[u * AMOVA_LANES + j].
void amova_locus_lanes(const LocusCarriers& carriers, std::span<const std::size_t> stratum_of, std::size_t strata,
                       bool three_levels, AmovaScratch& scratch, AmovaLaneTotals& totals,
                       const double* known_within = nullptr);

}  // namespace phenostat

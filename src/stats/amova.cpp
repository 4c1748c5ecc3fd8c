#include "stats/amova.h"

#include "base/processor_builds.h"

#include <algorithm>
#include <limits>

namespace phenostat {
namespace {

double ratio(double numerator, double denominator) {
    return denominator == 0.0 ? std::numeric_limits<double>::quiet_NaN() : numerator / denominator;
}

// The sums of squares are of whole numbers below 2^53 (sum_a c_a (n - c_a)
// for n below 2^26 individuals, whatever the alleles), summed here as
// integers: exactly the doubles that summing doubles would give. An absent
// unit or stratum (n = 0) has a sum of 0, divided by 1 to give its +0.

// Per lane: the working sums of the units and strata, then of the locus.
template <std::size_t L>
struct LaneSums {
    double within[L] = {}, unit_squares_over_total[L] = {};
    std::int64_t total[L] = {}, present_units[L] = {};
    double among_strata_within[L] = {};    // sum over strata of their sums of squares
    double squares_within_strata[L] = {};  // sum_g sum_{u in g} n_u^2 / N_g
    double stratum_squares_over_total[L] = {};
    std::int64_t present_strata[L] = {};
};

template <std::size_t L>
[[gnu::always_inline]] inline void add_units(const LocusCarriers& carriers, std::span<const std::size_t> stratum_of,
                                             bool three_levels, bool with_within, AmovaScratch& scratch,
                                             LaneSums<L>& sums) {
    const std::size_t alleles = carriers.alleles;
    for (std::size_t u = 0; u < carriers.units(); ++u) {
        const std::int32_t* n = carriers.typed.data() + u * L;
        const std::int32_t* c = carriers.counts.data() + u * alleles * L;
        const std::size_t g = three_levels ? stratum_of[u] : 0;
        if (with_within) {
            std::int64_t squares[L] = {};
            for (std::size_t a = 0; a < alleles; ++a)
                for (std::size_t j = 0; j < L; ++j) squares[j] += std::int64_t{c[a * L + j]} * (n[j] - c[a * L + j]);
#pragma omp simd
            for (std::size_t j = 0; j < L; ++j)
                sums.within[j] += static_cast<double>(squares[j]) / static_cast<double>(std::max(n[j], 1));
        }
        std::int64_t* into = scratch.stratum_counts.data() + g * alleles * L;
        for (std::size_t k = 0; k < alleles * L; ++k) into[k] += c[k];
        for (std::size_t j = 0; j < L; ++j) {
            scratch.stratum_typed[g * L + j] += n[j];
            scratch.stratum_squares[g * L + j] += std::int64_t{n[j]} * n[j];
            sums.total[j] += n[j];
            sums.present_units[j] += n[j] != 0;
        }
    }
}

// Units whose carriers are the same in every lane (one lane of counts), in
// strata that differ: unit u in stratum stratum_of[u * L + j] in lane j.
template <std::size_t L>
[[gnu::always_inline]] inline void add_moved_units(const LocusCarriers& carriers,
                                                   std::span<const std::size_t> stratum_of, AmovaScratch& scratch,
                                                   LaneSums<L>& sums) {
    const std::size_t alleles = carriers.alleles;
    for (std::size_t u = 0; u < carriers.units(); ++u) {
        const std::int32_t n = carriers.typed[u];
        const std::int32_t* c = carriers.counts.data() + u * alleles;
        for (std::size_t j = 0; j < L; ++j) {
            const std::size_t g = stratum_of[u * L + j];
            std::int64_t* into = scratch.stratum_counts.data() + g * alleles * L + j;
            for (std::size_t a = 0; a < alleles; ++a) into[a * L] += c[a];
            scratch.stratum_typed[g * L + j] += n;
            scratch.stratum_squares[g * L + j] += std::int64_t{n} * n;
            sums.total[j] += n;
            sums.present_units[j] += n != 0;
        }
    }
}

template <std::size_t L>
[[gnu::always_inline]] inline void add_strata(std::size_t alleles, std::size_t strata, AmovaScratch& scratch,
                                              LaneSums<L>& sums) {
    for (std::size_t g = 0; g < strata; ++g) {
        const std::int64_t* n = scratch.stratum_typed.data() + g * L;
        const std::int64_t* c = scratch.stratum_counts.data() + g * alleles * L;
        const std::int64_t* unit_squares = scratch.stratum_squares.data() + g * L;
        std::int64_t squares[L] = {};
        for (std::size_t a = 0; a < alleles; ++a)
            for (std::size_t j = 0; j < L; ++j) squares[j] += c[a * L + j] * (n[j] - c[a * L + j]);
        for (std::size_t k = 0; k < alleles * L; ++k) scratch.total_counts[k] += c[k];
#pragma omp simd
        for (std::size_t j = 0; j < L; ++j) {
            const auto divisor = static_cast<double>(std::max<std::int64_t>(n[j], 1));
            sums.among_strata_within[j] += static_cast<double>(squares[j]) / divisor;
            sums.squares_within_strata[j] += static_cast<double>(unit_squares[j]) / divisor;
            sums.unit_squares_over_total[j] += static_cast<double>(unit_squares[j]);
            sums.stratum_squares_over_total[j] += static_cast<double>(n[j]) * static_cast<double>(n[j]);
            sums.present_strata[j] += n[j] != 0;
        }
    }
}

// The loci of every lane from their sums, each step over all the lanes.
// A lane without a contributing locus computes on safe divisors of 1, and
// keeps no component.
template <std::size_t L>
[[gnu::always_inline]] inline void lane_loci(const LaneSums<L>& sums, const AmovaScratch& scratch, std::size_t alleles,
                                             bool three_levels, const double* known_within, AmovaLocus* out) {
    std::int64_t squares[L] = {};
    for (std::size_t a = 0; a < alleles; ++a)
        for (std::size_t j = 0; j < L; ++j) {
            const std::int64_t c = scratch.total_counts[a * L + j];
            squares[j] += c * (sums.total[j] - c);
        }
    double ss[3][L], df[3][L], sigma2[3][L];
    bool contributes[L];
    // Every choice below is a select, so that the lanes run side by side.
    const bool known = known_within != nullptr;
    const double known_value = known ? *known_within : 0.0;
#pragma omp simd
    for (std::size_t j = 0; j < L; ++j) {
        const std::int64_t total = sums.total[j], units = sums.present_units[j], strata = sums.present_strata[j];
        const double n_total = static_cast<double>(total);
        const double safe_total = total == 0 ? 1.0 : n_total;
        const double unit_squares_over_total = sums.unit_squares_over_total[j] / safe_total;
        const double stratum_squares_over_total = sums.stratum_squares_over_total[j] / safe_total;
        const double total_ss = static_cast<double>(squares[j]) / safe_total;
        const double lane_within = sums.within[j], among_strata_within = sums.among_strata_within[j];
        const double squares_within_strata = sums.squares_within_strata[j];
        const double within = known ? known_value : lane_within;
        const double df_within = static_cast<double>(total - units);
        const double df_groups = three_levels ? static_cast<double>(strata - 1) : 0.0;
        const double df_samples = static_cast<double>(units - (three_levels ? strata : std::int64_t{1}));
        const bool counted = (total != 0) & (!three_levels | (df_groups >= 1)) & (df_samples >= 1) & (df_within >= 1);
        const double ss_groups = three_levels ? total_ss - among_strata_within : 0.0;
        const double ss_samples = (three_levels ? among_strata_within : total_ss) - within;
        const double safe_groups = (counted & three_levels) ? df_groups : 1.0;
        const double safe_samples = counted ? df_samples : 1.0;
        const double safe_within = counted ? df_within : 1.0;
        const double ms_within = within / safe_within;
        const double ms_samples = ss_samples / safe_samples;
        // The coefficients of the expected mean squares with unequal sizes
        // (Excoffier, Smouse & Quattro 1992, Genetics 131: 479-491, table 1).
        const double n = (n_total - (three_levels ? squares_within_strata : unit_squares_over_total)) / safe_samples;
        const double n_prime = (squares_within_strata - unit_squares_over_total) / safe_groups;
        const double n_second = (n_total - stratum_squares_over_total) / safe_groups;
        const double among_samples = (ms_samples - ms_within) / n;
        const double ms_groups = ss_groups / safe_groups;
        const double among_groups = (ms_groups - ms_within - n_prime * among_samples) / n_second;
        ss[AMONG_GROUPS][j] = ss_groups;
        ss[AMONG_SAMPLES][j] = ss_samples;
        ss[WITHIN_SAMPLES][j] = within;
        df[AMONG_GROUPS][j] = df_groups;
        df[AMONG_SAMPLES][j] = df_samples;
        df[WITHIN_SAMPLES][j] = df_within;
        sigma2[WITHIN_SAMPLES][j] = counted ? ms_within : 0.0;
        sigma2[AMONG_SAMPLES][j] = counted ? among_samples : 0.0;
        sigma2[AMONG_GROUPS][j] = (counted & three_levels) ? among_groups : 0.0;
        contributes[j] = counted;
    }
    for (std::size_t j = 0; j < L; ++j) {
        out[j] = AmovaLocus{};
        if (sums.total[j] == 0) continue;
        for (std::size_t k = 0; k < 3; ++k) {
            out[j].ss[k] = ss[k][j];
            out[j].df[k] = df[k][j];
            out[j].sigma2[k] = sigma2[k][j];
        }
        out[j].contributes = contributes[j];
    }
}

template <std::size_t L>
[[gnu::always_inline]] inline void locus_lanes(const LocusCarriers& carriers, std::span<const std::size_t> stratum_of,
                                               std::size_t strata, bool three_levels, AmovaScratch& scratch,
                                               const double* known_within, AmovaLocus* out) {
    const std::size_t alleles = carriers.alleles;
    if (!three_levels) strata = 1;
    scratch.stratum_counts.assign(strata * alleles * L, 0);
    scratch.stratum_typed.assign(strata * L, 0);
    scratch.stratum_squares.assign(strata * L, 0);
    scratch.total_counts.assign(alleles * L, 0);
    LaneSums<L> sums;
    if (carriers.lanes == L)
        add_units(carriers, stratum_of, three_levels, known_within == nullptr, scratch, sums);
    else
        add_moved_units(carriers, stratum_of, scratch, sums);
    add_strata(alleles, strata, scratch, sums);
    lane_loci(sums, scratch, alleles, three_levels, known_within, out);
}

}  // namespace

AmovaLocus amova_locus(const LocusCarriers& carriers, std::span<const std::size_t> stratum_of, std::size_t strata,
                       bool three_levels, AmovaScratch& scratch, const double* known_within) {
    AmovaLocus out;
    locus_lanes<1>(carriers, stratum_of, strata, three_levels, scratch, known_within, &out);
    return out;
}

namespace {
[[gnu::always_inline]] inline void amova_locus_lanes_in(const LocusCarriers& carriers,
                                                        std::span<const std::size_t> stratum_of, std::size_t strata,
                                                        bool three_levels, AmovaScratch& scratch, AmovaLocus* out,
                                                        const double* known_within) {
    locus_lanes<AMOVA_LANES>(carriers, stratum_of, strata, three_levels, scratch, known_within, out);
}
}  // namespace

PHENOSTAT_VECTOR_BUILDS(void, amova_locus_lanes,
                        (const LocusCarriers& carriers, std::span<const std::size_t> stratum_of, std::size_t strata,
                         bool three_levels, AmovaScratch& scratch, AmovaLocus* out, const double* known_within),
                        (carriers, stratum_of, strata, three_levels, scratch, out, known_within))

void AmovaTotals::add(const AmovaLocus& locus) {
    if (!locus.contributes) return;
    ++contributing_loci;
    for (std::size_t k = 0; k < 3; ++k) {
        ss[k] += locus.ss[k];
        sigma2[k] += locus.sigma2[k];
    }
}

double AmovaTotals::phi_st() const { return ratio(sigma2[0] + sigma2[1], total_sigma2()); }
double AmovaTotals::phi_sc() const { return ratio(sigma2[1], sigma2[1] + sigma2[2]); }
double AmovaTotals::phi_ct() const { return ratio(sigma2[0], total_sigma2()); }

}  // namespace phenostat

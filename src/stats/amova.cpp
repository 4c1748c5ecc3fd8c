#include "stats/amova.h"

#include "base/processor_builds.h"

#include <cstring>
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

// Values of all L lanes, each operation done on every lane at once: GCC's
// and clang's vector types, issued as vector instructions where the build has
// them. A comparison gives a mask (-1 where true, 0 where false) and
// `mask ? a : b` picks lane by lane.
template <std::size_t L>
struct Lanes {
    typedef double Reals __attribute__((vector_size(8 * L)));
    typedef std::int64_t Counts __attribute__((vector_size(8 * L)));
};

// Counts of every lane as doubles (exact below 2^53), a lane at a time:
// converting 64-bit integers needs AVX-512 as a vector operation.
template <std::size_t L>
[[gnu::always_inline]] inline void as_reals(const std::int64_t (&counts)[L], typename Lanes<L>::Reals& reals) {
    double values[L];
    for (std::size_t j = 0; j < L; ++j) values[j] = static_cast<double>(counts[j]);
    std::memcpy(&reals, values, sizeof reals);
}

// into[j] += squares[j] / max(typed[j], 1) in every lane.
template <std::size_t L>
[[gnu::always_inline]] inline void add_quotients(const std::int64_t (&squares)[L], const std::int32_t* typed,
                                                 double* into) {
    using Reals = typename Lanes<L>::Reals;
    Reals numerators, divisors, sums;
    as_reals(squares, numerators);
    double values[L];
    for (std::size_t j = 0; j < L; ++j) values[j] = static_cast<double>(typed[j]);
    std::memcpy(&divisors, values, sizeof divisors);
    const Reals one = Reals{} + 1.0;
    std::memcpy(&sums, into, sizeof sums);
    sums += numerators / (divisors > one ? divisors : one);
    std::memcpy(into, &sums, sizeof sums);
}

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
            add_quotients(squares, n, sums.within);
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
            const auto divisor = static_cast<double>(n[j] > 1 ? n[j] : 1);
            sums.among_strata_within[j] += static_cast<double>(squares[j]) / divisor;
            sums.squares_within_strata[j] += static_cast<double>(unit_squares[j]) / divisor;
            sums.unit_squares_over_total[j] += static_cast<double>(unit_squares[j]);
            sums.stratum_squares_over_total[j] += static_cast<double>(n[j]) * static_cast<double>(n[j]);
            sums.present_strata[j] += n[j] != 0;
        }
    }
}

// One locus of every lane: its sums of squares, degrees of freedom and
// components, and where it contributes.
template <std::size_t L>
struct LaneLoci {
    typename Lanes<L>::Reals ss[3], df[3], sigma2[3];
    typename Lanes<L>::Counts counted;
};

// The loci of every lane from their sums. A lane without a contributing
// locus computes on safe divisors of 1, and keeps no component.
template <std::size_t L>
[[gnu::always_inline]] inline void lane_loci(const LaneSums<L>& sums, const AmovaScratch& scratch, std::size_t alleles,
                                             bool three_levels, const double* known_within, LaneLoci<L>& out) {
    using Reals = typename Lanes<L>::Reals;
    using Counts = typename Lanes<L>::Counts;
    std::int64_t total_squares[L] = {};
    for (std::size_t a = 0; a < alleles; ++a)
        for (std::size_t j = 0; j < L; ++j) {
            const std::int64_t c = scratch.total_counts[a * L + j];
            total_squares[j] += c * (sums.total[j] - c);
        }
    Counts total;
    std::memcpy(&total, sums.total, sizeof total);
    Reals n_total, units, strata, squares;
    as_reals(sums.total, n_total);
    as_reals(sums.present_units, units);
    as_reals(sums.present_strata, strata);
    as_reals(total_squares, squares);
    Reals lane_within, among_strata_within, squares_within_strata, unit_squares, stratum_squares;
    std::memcpy(&lane_within, sums.within, sizeof lane_within);
    std::memcpy(&among_strata_within, sums.among_strata_within, sizeof among_strata_within);
    std::memcpy(&squares_within_strata, sums.squares_within_strata, sizeof squares_within_strata);
    std::memcpy(&unit_squares, sums.unit_squares_over_total, sizeof unit_squares);
    std::memcpy(&stratum_squares, sums.stratum_squares_over_total, sizeof stratum_squares);

    const Reals zero{}, one = zero + 1.0;
    const Counts none{}, all = ~none;
    const Reals safe_total = total == none ? one : n_total;
    const Reals unit_squares_over_total = unit_squares / safe_total;
    const Reals stratum_squares_over_total = stratum_squares / safe_total;
    const Reals total_ss = squares / safe_total;
    const Reals within = known_within != nullptr ? zero + *known_within : lane_within;
    // Differences of whole numbers below 2^53: exact, as in integers.
    const Reals df_within = n_total - units;
    const Reals df_groups = three_levels ? strata - one : zero;
    const Reals df_samples = units - (three_levels ? strata : one);
    const Counts counted = (total != none) & (three_levels ? Counts(df_groups >= one) : all) &
                           Counts(df_samples >= one) & Counts(df_within >= one);
    const Counts counted_groups = three_levels ? counted : none;
    const Reals ss_groups = three_levels ? total_ss - among_strata_within : zero;
    const Reals ss_samples = (three_levels ? among_strata_within : total_ss) - within;
    const Reals safe_groups = counted_groups ? df_groups : one;
    const Reals safe_samples = counted ? df_samples : one;
    const Reals safe_within = counted ? df_within : one;
    const Reals ms_within = within / safe_within;
    const Reals ms_samples = ss_samples / safe_samples;
    // The coefficients of the expected mean squares with unequal sizes
    // (Excoffier, Smouse & Quattro 1992, Genetics 131: 479-491, table 1).
    const Reals n = (n_total - (three_levels ? squares_within_strata : unit_squares_over_total)) / safe_samples;
    const Reals n_prime = (squares_within_strata - unit_squares_over_total) / safe_groups;
    const Reals n_second = (n_total - stratum_squares_over_total) / safe_groups;
    const Reals among_samples = (ms_samples - ms_within) / n;
    const Reals ms_groups = ss_groups / safe_groups;
    const Reals among_groups = (ms_groups - ms_within - n_prime * among_samples) / n_second;
    out.ss[AMONG_GROUPS] = ss_groups;
    out.ss[AMONG_SAMPLES] = ss_samples;
    out.ss[WITHIN_SAMPLES] = within;
    out.df[AMONG_GROUPS] = df_groups;
    out.df[AMONG_SAMPLES] = df_samples;
    out.df[WITHIN_SAMPLES] = df_within;
    out.sigma2[WITHIN_SAMPLES] = counted ? ms_within : zero;
    out.sigma2[AMONG_SAMPLES] = counted ? among_samples : zero;
    out.sigma2[AMONG_GROUPS] = counted_groups ? among_groups : zero;
    out.counted = counted;
}

template <std::size_t L>
[[gnu::always_inline]] inline void locus_lanes(const LocusCarriers& carriers, std::span<const std::size_t> stratum_of,
                                               std::size_t strata, bool three_levels, AmovaScratch& scratch,
                                               const double* known_within, LaneSums<L>& sums, LaneLoci<L>& out) {
    const std::size_t alleles = carriers.alleles;
    if (!three_levels) strata = 1;
    scratch.stratum_counts.assign(strata * alleles * L, 0);
    scratch.stratum_typed.assign(strata * L, 0);
    scratch.stratum_squares.assign(strata * L, 0);
    scratch.total_counts.assign(alleles * L, 0);
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
    LaneSums<1> sums;
    LaneLoci<1> locus;
    locus_lanes<1>(carriers, stratum_of, strata, three_levels, scratch, known_within, sums, locus);
    AmovaLocus out;
    if (sums.total[0] == 0) return out;
    for (std::size_t k = 0; k < 3; ++k) {
        out.ss[k] = locus.ss[k][0];
        out.df[k] = locus.df[k][0];
        out.sigma2[k] = locus.sigma2[k][0];
    }
    out.contributes = locus.counted[0] != 0;
    return out;
}

namespace {
// Adds each lane's locus to its sums where it contributes; a lane where it
// does not adds +0, which leaves its sums as they are (a sum from +0 is never
// -0).
[[gnu::always_inline]] inline void amova_locus_lanes_in(const LocusCarriers& carriers,
                                                        std::span<const std::size_t> stratum_of, std::size_t strata,
                                                        bool three_levels, AmovaScratch& scratch,
                                                        AmovaLaneTotals& totals, const double* known_within) {
    constexpr std::size_t L = AMOVA_LANES;
    using Reals = Lanes<L>::Reals;
    using Counts = Lanes<L>::Counts;
    LaneSums<L> sums;
    LaneLoci<L> locus;
    locus_lanes<L>(carriers, stratum_of, strata, three_levels, scratch, known_within, sums, locus);
    const Reals zero{};
    for (std::size_t k = 0; k < 3; ++k) {
        Reals ss, sigma2;
        std::memcpy(&ss, totals.ss[k], sizeof ss);
        std::memcpy(&sigma2, totals.sigma2[k], sizeof sigma2);
        ss += locus.counted ? locus.ss[k] : zero;
        sigma2 += locus.counted ? locus.sigma2[k] : zero;
        std::memcpy(totals.ss[k], &ss, sizeof ss);
        std::memcpy(totals.sigma2[k], &sigma2, sizeof sigma2);
    }
    Counts contributing;
    std::memcpy(&contributing, totals.contributing_loci, sizeof contributing);
    contributing -= locus.counted;
    std::memcpy(totals.contributing_loci, &contributing, sizeof contributing);
}
}  // namespace

PHENOSTAT_VECTOR_BUILDS(void, amova_locus_lanes,
                        (const LocusCarriers& carriers, std::span<const std::size_t> stratum_of, std::size_t strata,
                         bool three_levels, AmovaScratch& scratch, AmovaLaneTotals& totals, const double* known_within),
                        (carriers, stratum_of, strata, three_levels, scratch, totals, known_within))

AmovaTotals AmovaLaneTotals::lane(std::size_t j) const {
    AmovaTotals one;
    for (std::size_t k = 0; k < 3; ++k) {
        one.ss[k] = ss[k][j];
        one.sigma2[k] = sigma2[k][j];
    }
    one.contributing_loci = static_cast<std::size_t>(contributing_loci[j]);
    return one;
}

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

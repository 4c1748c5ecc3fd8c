#include "stats/amova.h"

#include <limits>

namespace phenostat {
namespace {

double ratio(double numerator, double denominator) {
    return denominator == 0.0 ? std::numeric_limits<double>::quiet_NaN() : numerator / denominator;
}

// sum_a c_a (n - c_a) / n.
template <class Count>
double sum_of_squares(const Count* counts, std::size_t alleles, std::int64_t n) {
    if (n == 0) return 0.0;
    double sum = 0;
    for (std::size_t a = 0; a < alleles; ++a) {
        const auto c = static_cast<double>(counts[a]);
        sum += c * (static_cast<double>(n) - c);
    }
    return sum / static_cast<double>(n);
}

}  // namespace

AmovaLocus amova_locus(const LocusCarriers& carriers, std::span<const std::size_t> stratum_of, std::size_t strata,
                       bool three_levels, AmovaScratch& scratch, const double* known_within) {
    const std::size_t units = carriers.typed.size();
    const std::size_t alleles = carriers.alleles;
    if (!three_levels) strata = 1;
    scratch.stratum_counts.assign(strata * alleles, 0);
    scratch.stratum_typed.assign(strata, 0);
    scratch.stratum_squares.assign(strata, 0);
    scratch.total_counts.assign(alleles, 0);

    AmovaLocus out;
    double within = 0, unit_squares_over_total = 0;
    std::int64_t total = 0, present_units = 0;
    for (std::size_t u = 0; u < units; ++u) {
        const std::int64_t n = carriers.typed[u];
        if (n == 0) continue;
        const std::size_t g = three_levels ? stratum_of[u] : 0;
        const std::int32_t* c = carriers.counts.data() + u * alleles;
        if (known_within == nullptr) within += sum_of_squares(c, alleles, n);
        std::int64_t* into = scratch.stratum_counts.data() + g * alleles;
        for (std::size_t a = 0; a < alleles; ++a) into[a] += c[a];
        scratch.stratum_typed[g] += n;
        scratch.stratum_squares[g] += n * n;
        total += n;
        ++present_units;
    }
    double among_strata_within = 0;    // sum over strata of their sums of squares
    double squares_within_strata = 0;  // sum_g sum_{u in g} n_u^2 / N_g
    double stratum_squares_over_total = 0;
    std::int64_t present_strata = 0;
    for (std::size_t g = 0; g < strata; ++g) {
        const std::int64_t n = scratch.stratum_typed[g];
        if (n == 0) continue;
        ++present_strata;
        const std::int64_t* c = scratch.stratum_counts.data() + g * alleles;
        among_strata_within += sum_of_squares(c, alleles, n);
        for (std::size_t a = 0; a < alleles; ++a) scratch.total_counts[a] += c[a];
        squares_within_strata += static_cast<double>(scratch.stratum_squares[g]) / static_cast<double>(n);
        unit_squares_over_total += static_cast<double>(scratch.stratum_squares[g]);
        stratum_squares_over_total += static_cast<double>(n) * static_cast<double>(n);
    }
    if (total == 0) return out;
    if (known_within != nullptr) within = *known_within;
    const double n_total = static_cast<double>(total);
    unit_squares_over_total /= n_total;
    stratum_squares_over_total /= n_total;
    const double total_ss = sum_of_squares(scratch.total_counts.data(), alleles, total);

    out.ss[WITHIN_SAMPLES] = within;
    out.df[WITHIN_SAMPLES] = static_cast<double>(total - present_units);
    if (three_levels) {
        out.ss[AMONG_GROUPS] = total_ss - among_strata_within;
        out.ss[AMONG_SAMPLES] = among_strata_within - within;
        out.df[AMONG_GROUPS] = static_cast<double>(present_strata - 1);
        out.df[AMONG_SAMPLES] = static_cast<double>(present_units - present_strata);
        out.contributes = out.df[0] >= 1 && out.df[1] >= 1 && out.df[2] >= 1;
    } else {
        out.ss[AMONG_SAMPLES] = total_ss - within;
        out.df[AMONG_SAMPLES] = static_cast<double>(present_units - 1);
        out.contributes = out.df[1] >= 1 && out.df[2] >= 1;
    }
    if (!out.contributes) return out;
    const double ms_within = within / out.df[WITHIN_SAMPLES];
    const double ms_samples = out.ss[AMONG_SAMPLES] / out.df[AMONG_SAMPLES];
    out.sigma2[WITHIN_SAMPLES] = ms_within;
    if (!three_levels) {
        const double n = (n_total - unit_squares_over_total) / out.df[AMONG_SAMPLES];
        out.sigma2[AMONG_SAMPLES] = (ms_samples - ms_within) / n;
        return out;
    }
    // The coefficients of the expected mean squares with unequal sizes
    // (Excoffier, Smouse & Quattro 1992, Genetics 131: 479-491, table 1).
    const double n = (n_total - squares_within_strata) / out.df[AMONG_SAMPLES];
    const double n_prime = (squares_within_strata - unit_squares_over_total) / out.df[AMONG_GROUPS];
    const double n_second = (n_total - stratum_squares_over_total) / out.df[AMONG_GROUPS];
    out.sigma2[AMONG_SAMPLES] = (ms_samples - ms_within) / n;
    const double ms_groups = out.ss[AMONG_GROUPS] / out.df[AMONG_GROUPS];
    out.sigma2[AMONG_GROUPS] = (ms_groups - ms_within - n_prime * out.sigma2[AMONG_SAMPLES]) / n_second;
    return out;
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

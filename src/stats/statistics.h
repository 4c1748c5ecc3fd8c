#pragma once
// The printed statistics, each described once: its field of the record, its
// tidy-table name, its stats-file column title (printed exactly, misspellings
// and the double blanks before "across" included), the decimals the stats
// file prints it with, and whether the group permutation test compares it.
// The stats file, the tidy tables, the group test and the bootstrap all read
// this table; its order is the stats file's column order.

#include <array>
#include <cstddef>
#include <string_view>

#include "stats/locus_stats.h"

namespace phenostat {

using LocusStatsField = double LocusStats::*;

struct Statistic {
    LocusStatsField field;
    std::string_view name;   // tidy-table name (snake_case)
    int decimals;            // stats file: "%1.<decimals>f"
    bool compared;           // compared between groups by the permutation test
    std::string_view title;  // stats-file column title
};

inline constexpr std::size_t STATISTIC_COUNT = 43;

inline constexpr std::array<Statistic, STATISTIC_COUNT> STATISTICS = {{
    {&LocusStats::alleles_seen, "alleles_seen", 3, false, "Total number of alleles Seen"},
    {&LocusStats::alleles_per_sample, "alleles_per_sample", 3, true, "Av. number of alleles per sample"},
    {&LocusStats::phenotypes_seen, "phenotypes_seen", 3, false, "Total number of phenotypes seen"},
    {&LocusStats::phenotypes_per_sample, "phenotypes_per_sample", 3, true, "Av. number of phenotypes per sample"},
    {&LocusStats::phenotypes_per_sample_variable, "phenotypes_per_sample_variable", 3, false,
     "Av. number of phenotypes per sample (averaged over variable loci only)"},
    {&LocusStats::unshared_within, "unshared_within", 3, true,
     "Av. number of unshared alleles between pairs of individuals within samples"},
    {&LocusStats::unshared_across, "unshared_across", 3, true,
     "Av. number of unshared alleles between pairs of individuals across all samples"},
    {&LocusStats::fst_unshared, "fst_unshared", 3, true, "(unshared alleles) F'st"},
    {&LocusStats::shannon_within, "shannon_within", 3, true, "Av. Shannon-Weaver phenotype diversity within samples"},
    {&LocusStats::shannon_across, "shannon_across", 3, true, "Shannon-Weaver phenotype diversity accross all samples"},
    {&LocusStats::fst_shannon, "fst_shannon", 3, true, "(Shannon-Weaver) F'st"},
    {&LocusStats::pq_within, "pq_within", 3, true, "Av. p(1-p) phenotype diversity within samples"},
    {&LocusStats::pq_across, "pq_across", 3, true, "p(1-p) phenotype diversity accross all samples"},
    {&LocusStats::fst_pq, "fst_pq", 3, true, "(p(1-p)) F'st"},
    {&LocusStats::alleles_per_individual_mean, "alleles_per_individual_mean", 3, true,
     "Average number of different alleles carried by each individual"},
    {&LocusStats::alleles_per_individual_var, "alleles_per_individual_var", 3, false,
     "Varience in the number of different alleles carried by each individual"},
    {&LocusStats::alleles_per_individual_max, "alleles_per_individual_max", 3, false,
     "Most alleles carried by an individual"},
    {&LocusStats::alleles_per_individual_min, "alleles_per_individual_min", 3, false,
     "Fewest alleles carriend by an individual"},
    {&LocusStats::phenotype_size_mean, "phenotype_size_mean", 3, false, "Av. number of alleles in each phenotype"},
    {&LocusStats::phenotype_size_var, "phenotype_size_var", 3, false,
     "Varience in the number of alleles in each phenotype"},
    {&LocusStats::shared_within, "shared_within", 3, false,
     "Av. number of shared alleles between pairs of individuals within samples"},
    {&LocusStats::shared_between, "shared_between", 3, false,
     "Av. number of shared alleles between pairs of individuals from different samples"},
    {&LocusStats::unshared_between, "unshared_between", 3, false,
     "Av. number of unshared alleles between pairs of individuals from different samples"},
    {&LocusStats::shared_across, "shared_across", 3, false,
     "Av. number of shared alleles between pairs of individuals across all samples"},
    {&LocusStats::polymorphic, "polymorphic", 3, false, "Is the locus polymorphic? (1/0)"},
    {&LocusStats::psld_calculable, "psld_calculable", 3, false, "Could PsLD be calculated? (1/0)"},
    {&LocusStats::psld, "psld", 7, true, "PsLD"},
    {&LocusStats::allele_freq_across_mean, "allele_freq_across_mean", 7, false,
     "Av. Number of carriers of each allele across all samples"},
    {&LocusStats::allele_freq_across_var, "allele_freq_across_var", 7, false,
     "Varience in the number of carriers of each allele across all samples"},
    {&LocusStats::allele_freq_across_max, "allele_freq_across_max", 7, false,
     "Frequency of carriers of the commonest allele  across all samples"},
    {&LocusStats::allele_freq_across_min, "allele_freq_across_min", 7, false,
     "Frequency of carriers of the rarest allele  across all samples"},
    {&LocusStats::allele_freq_within_mean, "allele_freq_within_mean", 7, false,
     "Av. Number of carriers of each allele within each sample"},
    {&LocusStats::allele_freq_within_var, "allele_freq_within_var", 7, false,
     "Varience in the number of carriers of each allele within each sample"},
    {&LocusStats::allele_freq_within_max, "allele_freq_within_max", 7, false,
     "Frequency of carriers of the commonest allele within each sample"},
    {&LocusStats::allele_freq_within_min, "allele_freq_within_min", 7, false,
     "Frequency of carriers of the rarest allele within each sample"},
    {&LocusStats::phenotype_freq_across_mean, "phenotype_freq_across_mean", 7, false,
     "Av. Number of carriers of each phenotype across all samples"},
    {&LocusStats::phenotype_freq_across_var, "phenotype_freq_across_var", 7, false,
     "Varience in the number of carriers of each phenotype across all samples"},
    {&LocusStats::phenotype_freq_across_max, "phenotype_freq_across_max", 7, false,
     "Frequency of carriers of the commonest phenotype  across all samples"},
    {&LocusStats::phenotype_freq_across_min, "phenotype_freq_across_min", 7, false,
     "Frequency of carriers of the rarest phenotype  across all samples"},
    {&LocusStats::phenotype_freq_within_mean, "phenotype_freq_within_mean", 7, false,
     "Av. Number of carriers of each phenotype within each sample"},
    {&LocusStats::phenotype_freq_within_var, "phenotype_freq_within_var", 7, false,
     "Varience in the number of carriers of each phenotype within each sample"},
    {&LocusStats::phenotype_freq_within_max, "phenotype_freq_within_max", 7, false,
     "Frequency of carriers of the commonest phenotype within each sample"},
    {&LocusStats::phenotype_freq_within_min, "phenotype_freq_within_min", 7, false,
     "Frequency of carriers of the rarest phenotype within each sample"},
}};

namespace statistics_detail {

constexpr std::size_t count_compared() {
    std::size_t count = 0;
    for (const Statistic& s : STATISTICS) count += s.compared;
    return count;
}

constexpr std::array<LocusStatsField, STATISTIC_COUNT> printed_fields() {
    std::array<LocusStatsField, STATISTIC_COUNT> fields{};
    for (std::size_t c = 0; c < STATISTIC_COUNT; ++c) fields[c] = STATISTICS[c].field;
    return fields;
}

template <std::size_t N>
constexpr std::array<LocusStatsField, N> compared_fields() {
    std::array<LocusStatsField, N> fields{};
    std::size_t k = 0;
    for (const Statistic& s : STATISTICS)
        if (s.compared) fields[k++] = s.field;
    return fields;
}

}  // namespace statistics_detail

// The printed fields in column order.
inline constexpr std::array<LocusStatsField, STATISTIC_COUNT> PRINTED_FIELDS = statistics_detail::printed_fields();

// The statistics compared between groups, in column order (the report's order).
inline constexpr std::size_t COMPARED_STATISTIC_COUNT = statistics_detail::count_compared();
inline constexpr std::array<LocusStatsField, COMPARED_STATISTIC_COUNT> COMPARED_FIELDS =
    statistics_detail::compared_fields<COMPARED_STATISTIC_COUNT>();

// The column of a printed field (STATISTIC_COUNT for a field that is not printed).
constexpr std::size_t column_of(LocusStatsField field) {
    std::size_t c = 0;
    while (c < STATISTIC_COUNT && STATISTICS[c].field != field) ++c;
    return c;
}

}  // namespace phenostat

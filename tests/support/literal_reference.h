#pragma once
// A slow, literal computation of the locus statistics, kept apart from the
// program's statistics engine so that tests can compare the two bit for bit.
//
// It works the way the program's rules are written: phenotype texts coded into
// integer lists, fixed-capacity tallies (200 alleles, 500 phenotypes of up to
// 20 codes) searched linearly, counts turned into frequencies by division,
// within-sample values accumulated sample by sample with weights n_s / N, and
// pair statistics counted over every pair of individuals. Every floating-point
// operation happens in the order those rules give, which is what makes the
// results reproducible to the last bit.
//
// Rules that settle the cases left open:
// - a sample with no typed individual adds nothing to any within-sample sum,
//   and its PsLD is not calculable;
// - a locus with no typed individual gets an all-zero record;
// - a pair mean over no pair is 0.0 (only the within-sample unshared mean
//   warns about it);
// - an average over loci with total weight 0 is all zero.

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "stats/locus_stats.h"

namespace phenostat::literal {

inline constexpr int PHENOTYPE_END = -1;
inline constexpr int SAMPLE_END = -2;

// One data row: sample name (column 1) and the locus fields (columns 3..).
// A locus beyond the end of `loci` reads as an empty field.
struct Row {
    std::string sample;
    std::vector<std::string> loci;
};

// The codes of one phenotype text in field order, followed by PHENOTYPE_END.
std::vector<int> parse_phenotype(const std::string& text);

// One list per run of equal sample names among `rows`: every typed
// individual's codes ascending and distinct, each followed by PHENOTYPE_END,
// the list ended by SAMPLE_END.
std::vector<std::vector<int>> code_locus(const std::vector<Row>& rows, std::size_t locus);

// Typed individuals per list (its PHENOTYPE_END markers).
std::vector<int> count_typed_individuals(const std::vector<std::vector<int>>& lists);

// The record of one locus over the handed lists (one per sample). `warnings`,
// when given, is increased once per "no pairs within" warning.
LocusStats compute_locus_stats(const std::vector<std::vector<int>>& lists, int* warnings = nullptr);

// records[i] weighted by weights[i] (individuals typed at locus i).
LocusStats average_across_loci(const std::vector<LocusStats>& records, const std::vector<long long>& weights);

// Every locus of `rows` coded and computed, then the average across loci.
struct TableStats {
    std::vector<LocusStats> loci;
    LocusStats average;
    int warnings = 0;  // "no pairs within" warnings over all loci
};
TableStats compute_table(const std::vector<Row>& rows, std::size_t locus_count);

// Most loci on any row.
std::size_t locus_count_of(const std::vector<Row>& rows);

// ---- Groups and the permutation test statistic ----

// A data row with its group (column 0).
struct GroupedRow {
    std::string group;
    Row row;
};

inline constexpr std::size_t COMPARED_STATISTIC_COUNT = 13;
using ComparedStatistics = std::array<double, COMPARED_STATISTIC_COUNT>;

// The 13 fields compared between groups, in report order.
inline constexpr LocusStatsField COMPARED_FIELDS[COMPARED_STATISTIC_COUNT] = {
    &LocusStats::alleles_per_sample, &LocusStats::phenotypes_per_sample, &LocusStats::unshared_within,
    &LocusStats::unshared_across,    &LocusStats::fst_unshared,          &LocusStats::shannon_within,
    &LocusStats::shannon_across,     &LocusStats::fst_shannon,           &LocusStats::pq_within,
    &LocusStats::pq_across,          &LocusStats::fst_pq,                &LocusStats::alleles_per_individual_mean,
    &LocusStats::psld,
};

// The statistics of one group: its rows (column 0 equal to `group`) copied in
// file order, every locus coded over them (the samples are the runs of equal
// sample name among the copied rows) and computed, then averaged with the
// group's typed individuals per locus as weights. The locus count is the most
// loci on any row of the whole table.
TableStats group_table(const std::vector<GroupedRow>& rows, const std::string& group);

// The 13 compared statistics of a group's average record.
ComparedStatistics group_compared_statistics(const std::vector<GroupedRow>& rows, const std::string& group);

// Distinct non-empty group names in order of first appearance.
std::vector<std::string> group_names(const std::vector<GroupedRow>& rows);

// Per compared statistic: the sum over group pairs i < j of the squared
// difference of their values.
ComparedStatistics test_statistics(const std::vector<ComparedStatistics>& groups);

// The same for the groups of `rows` (group_names order).
ComparedStatistics group_test_statistics(const std::vector<GroupedRow>& rows);

}  // namespace phenostat::literal

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

}  // namespace phenostat::literal

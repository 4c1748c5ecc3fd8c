#pragma once
// A slow, literal computation of the locus statistics, kept apart from the
// program's engine so that tests can compare the two bit for bit: phenotype
// texts read by the coding rules, tallies built individual by individual in
// order of first appearance (only the first 500 distinct phenotypes tallied),
// every pair of individuals compared, within-sample values added sample by
// sample with weights n_s / N, every floating-point operation in that order.
//
// Rules that settle the cases left open:
// - a sample with no typed individual adds nothing to any within-sample sum,
//   and its PsLD is not calculable;
// - a locus with no typed individual gets an all-zero record;
// - a pair mean over no pair is 0.0;
// - an average over loci with total weight 0 is all zero.

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "support/program.h"

namespace phenostat::literal {

// One data line: its sample name and its locus fields (a locus beyond the
// end of `loci` reads as an empty field).
struct Row {
    std::string sample;
    std::vector<std::string> loci;
};

using Individual = std::vector<int>;  // a typed individual's codes, ascending and distinct
using Sample = std::vector<Individual>;

// The typed individuals of every sample (run of equal names among `rows`) at a locus.
std::vector<Sample> code_samples(const std::vector<Row>& rows, std::size_t locus);

// The record of one locus over some samples; `warnings`, when given, is
// increased when no sample holds a pair of typed individuals.
LocusStats compute_locus_stats(const std::vector<Sample>& samples, int* warnings = nullptr);

// records[i] weighted by weights[i] (individuals typed at locus i).
LocusStats average_across_loci(const std::vector<LocusStats>& records, const std::vector<long long>& weights);

struct TableStats {
    std::vector<LocusStats> loci;
    LocusStats average;
    int warnings = 0;
};
TableStats compute_table(const std::vector<Row>& rows, std::size_t locus_count);

// ---- Groups: a sample belongs to the group named on its first line ----

struct GroupedRow {
    std::string group;
    Row row;
};

// The first row of every sample (run of equal names), in file order.
std::vector<std::size_t> run_starts(const std::vector<GroupedRow>& rows);

// The rows of the given samples in that order, each sample renamed after its
// index so that no two of them merge.
std::vector<Row> rows_of_runs(const std::vector<GroupedRow>& rows, const std::vector<std::size_t>& runs);

// The samples s with group_of_run[s] == group; the locus count is the most loci on any row.
TableStats group_table(const std::vector<GroupedRow>& rows, const std::vector<std::string>& group_of_run,
                       const std::string& group);

}  // namespace phenostat::literal

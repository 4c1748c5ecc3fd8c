#pragma once
// The tidy tables of a command-line run: tab-separated, LF line ends, one
// header line, "NA" for an undefined value, numbers as the shortest text that
// reads back as the same double. Sample names stand as in the data file, with
// each sample's catalogue number (from 1) beside them, since names can recur.
// docs/columns.md says what every column means.

#include <string>
#include <utility>
#include <vector>

#include "analyses/pair_permutation.h"
#include "analyses/analyses.h"

namespace phenostat {

// loci.tsv: a row per locus of a set's table and one "average" row.
std::string loci_table_header();
// `analysis` is all, sample or group; `number` the set's catalogue or group
// number (0: none, written NA).
std::string loci_table_row(std::string_view analysis, std::string_view set_name, std::size_t number,
                           std::string_view locus_name, const LocusOutcome& locus);
std::string loci_table_average_row(std::string_view analysis, std::string_view set_name, std::size_t number,
                                   const SetAverage& average);

// averages_ci.tsv: a row per statistic of a set's average across loci, with
// its bootstrap interval.
std::string averages_ci_header();
std::string averages_ci_rows(std::string_view analysis, std::string_view set_name, std::size_t number,
                             const SetAverage& average, const std::array<Interval, STATISTIC_COUNT>& intervals);

// frequencies.tsv: the allele-carrier and phenotype counts of a locus over all
// samples and in each sample, in long form.
std::string frequencies_header();
std::string frequencies_rows(std::string_view locus_name, const CodedLocus& locus, const LocusSummary& summary,
                             const PooledTally& pooled, const SampleCatalogue& catalogue);

// pairs.tsv; the interval columns are NA without a bootstrap.
// With `tests`, the pair test's columns p_value, p_bonferroni and p_bh.
std::string pairs_table(const std::vector<PairResult>& pairs, const SampleCatalogue& catalogue,
                        const std::vector<PairTest>* tests = nullptr);

// Square matrices over the samples (names made unique by catalogue number
// where they recur), readable as R's as.dist(read.delim(f, row.names = 1)).
std::string fst_matrix(const std::vector<PairResult>& pairs, const SampleCatalogue& catalogue);
std::string km_matrix(const std::vector<PairResult>& pairs, const SampleCatalogue& catalogue);

// group_test.tsv: a row per compared statistic.
std::string group_test_table(const GroupCatalogue& groups, const PermutationResult& test);

// run.tsv: key and value lines.
std::string key_value_table(const std::vector<std::pair<std::string, std::string>>& entries);

}  // namespace phenostat

#pragma once
// The statistics of every locus over one set of samples, and their average
// across loci: the common road of all four analyses.

#include <cstddef>
#include <span>
#include <vector>

#include "base/console.h"
#include "input/phenotype_coding.h"
#include "stats/locus_computation.h"
#include "stats/locus_summary.h"

namespace phenostat {

// Where the loci of a data set and their summaries are found.
struct CodedLoci {
    const CodedData& coded;
    const std::vector<LocusSummary>& summaries;
    std::size_t locus_count() const { return coded.loci.size(); }
};

struct SetStatistics {
    std::vector<LocusOutcome> loci;  // one record per locus, in column order
    LocusStats average;              // the average across loci
};

// Every field of every locus, and the full average.
SetStatistics compute_set_statistics(const CodedLoci& loci, std::span<const std::size_t> set,
                                     CombineScratch& scratch);

// Only the compared fields (COMPARED_FIELDS) of the average, with no record
// kept per locus; the same values, bit for bit, as the full computation.
// With a console, "no pairs within" warnings are printed as the loci go by.
LocusStats compute_compared_average(const CodedLoci& loci, std::span<const std::size_t> set,
                                    CombineScratch& scratch, Console* warnings = nullptr);

inline constexpr std::size_t NO_GROUP = static_cast<std::size_t>(-1);

// Working storage of compute_group_averages; after the first call with a
// data set it allocates nothing.
struct GroupScratch {
    std::vector<SetAccumulator> accumulators;  // one per group
    TermCache cache;
    std::vector<std::int64_t> typed, allele_total, totals;
    std::vector<std::int64_t> sample_totals;  // each sample's typed individuals summed over the loci
};

// The compared averages of every group at once (the groups of one replicate):
// sample s belongs to group group_of[s] (NO_GROUP: to none), and each group's
// samples are handed over in catalogue order. Each locus's summaries are read
// once, in catalogue order, for all the groups.
void compute_group_averages(const CodedLoci& loci, std::span<const std::size_t> group_of, std::size_t group_count,
                            GroupScratch& scratch, std::vector<LocusStats>& averages);

// The console text printed when a locus has no pair of individuals within samples.
inline constexpr const char* NO_PAIRS_WITHIN_WARNING = "\nWarning no pairs within";

}  // namespace phenostat

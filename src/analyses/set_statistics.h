#pragma once
// The statistics of every locus over one set of samples, and their average
// across loci: the common road of the analyses.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "base/parallel.h"
#include "stats/dataset.h"
#include "stats/locus_average.h"
#include "stats/locus_computation.h"

namespace phenostat {

// The table of one set: a record per locus and their average.
struct SetTable {
    std::vector<LocusOutcome> loci;  // one per locus, in column order
    LocusStats average;              // the average across loci
};

// The working storage of each thread, kept from set to set.
using SetScratch = PerThread<CombineScratch>;

// Every field of every locus, and the full average. The loci are spread over
// the threads; the average is taken afterwards, in locus order.
SetTable compute_set_table(const Dataset& data, std::span<const std::size_t> set, SetScratch& scratch);
// The same for several sets at once: each locus is unpacked once for them all,
// only their samples.
// Every set's records, and so its table, are those it has alone.
std::vector<SetTable> compute_set_tables(const Dataset& data, std::span<const std::vector<std::size_t>> sets,
                                         SetScratch& scratch);

// Only the compared fields (COMPARED_FIELDS) of the average, with no record
// kept per locus; the same values, bit for bit, as the full computation.
struct ComparedAverage {
    LocusStats average;
    std::size_t loci_without_pairs_within = 0;  // loci where no sample of the set holds two typed individuals
};
// `loci`, when given, receives the record of every locus.
ComparedAverage compute_compared_average(const Dataset& data, std::span<const std::size_t> set, CombineScratch& scratch,
                                         std::vector<LocusOutcome>* loci = nullptr);
// Receives set k's record at locus i; called locus by locus, sets in order.
using LocusRecordSink = std::function<void(std::size_t k, std::size_t i, const LocusOutcome& record)>;
// The same for many sets of `set_size` samples at once, set k being
// members[k * set_size, (k + 1) * set_size): each locus is unpacked once for
// them all, and each set's average is summed in locus order as it is alone.
void compute_compared_averages(const Dataset& data, std::span<const std::size_t> members, std::size_t set_size,
                               CombineScratch& scratch, std::span<ComparedAverage> results,
                               const LocusRecordSink* records = nullptr);

inline constexpr std::size_t NO_GROUP = static_cast<std::size_t>(-1);

// Working storage of compute_group_averages; after the first call with a
// data set and as many assignments it allocates nothing.
struct GroupScratch {
    std::vector<SetAccumulator> accumulators;  // one per group
    std::vector<LocusAverager> averagers;      // one per group of each assignment
    TermCache cache;
    std::vector<std::int64_t> typed, allele_total, totals;
    LocusReader reader;
};

// The compared averages of every group at once (the groups of one replicate):
// sample s belongs to group group_of[s] (NO_GROUP: to none), and each group's
// samples are handed over in catalogue order. Each locus's summaries are read
// once, in catalogue order, for all the groups.
void compute_group_averages(const Dataset& data, std::span<const std::size_t> group_of, std::size_t group_count,
                            GroupScratch& scratch, std::vector<LocusStats>& averages);

// The same for several assignments (replicates) at once, each of
// `sample_count` entries in `group_of` one after the other: average g of
// assignment a goes to averages[a * group_count + g]. Each locus is read for
// all the assignments before the next, so that it is read from memory once.
void compute_group_averages(const Dataset& data, std::span<const std::size_t> group_of, std::size_t sample_count,
                            std::size_t group_count, GroupScratch& scratch, std::span<LocusStats> averages);

}  // namespace phenostat

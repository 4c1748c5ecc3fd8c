#pragma once
// The statistics of every locus over one set of samples, and their average
// across loci: the common road of the analyses.

#include <array>
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

// What stays of a set's table once its loci are handed out: their average
// across loci, which of its fields some locus defines, and the individuals
// typed summed over the loci.
struct SetAverage {
    LocusStats average;
    std::array<bool, STATISTIC_COUNT> defined{};
    std::int64_t typed = 0;
};

// The table of one set, every locus kept: a record per locus and their average.
struct SetTable {
    std::vector<LocusOutcome> loci;  // one per locus, in column order
    LocusStats average;              // the average across loci
};

// The working storage of each thread, kept from set to set.
using SetScratch = PerThread<CombineScratch>;

// Receives a set's records as they are computed, a block of loci at a time,
// so that no analysis holds a whole table: each record is made into whatever
// `ready` will write on the thread that computed it, then handed out in locus
// order. A sink that receives several sets in turn (each sample, each group)
// hears of each one's start and end.
class SetRecordSink {
public:
    virtual ~SetRecordSink() = default;
    // Before each set's loci: the places a block holds (`made` and `ready`
    // receive a place below `count`, reused from block to block).
    virtual void places(std::size_t count) = 0;
    // On any thread, for each locus of a block: its record.
    virtual void made(std::size_t place, std::size_t locus, const LocusOutcome& record) = 0;
    // On the calling thread, in locus order, once the locus's block is made.
    virtual void ready(std::size_t place, std::size_t locus, const LocusOutcome& record) = 0;
    // Set k of a series: before its loci, and after them with its average.
    virtual void begin(std::size_t) {}
    virtual void end(std::size_t, const SetAverage&) {}
};

// Computes record i on any thread (place: its place in the block).
using LocusRecordMaker = std::function<LocusOutcome(std::size_t place, std::size_t i, CombineScratch& scratch)>;
// The loci in blocks spread over the threads, each record made by `make`
// and handed to `sink`; the average is taken in locus order, weighted by the
// individuals typed (`typed`: their sum over the loci).
SetAverage stream_loci(const Dataset& data, std::int64_t typed, SetScratch& scratch, const LocusRecordMaker& make,
                       SetRecordSink& sink);

// Every field of every locus of a set, handed to `sink` locus by locus, and
// their average.
SetAverage compute_set(const Dataset& data, std::span<const std::size_t> set, SetScratch& scratch, SetRecordSink& sink);
// The same with every record kept, for small data sets.
SetTable compute_set_table(const Dataset& data, std::span<const std::size_t> set, SetScratch& scratch);

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

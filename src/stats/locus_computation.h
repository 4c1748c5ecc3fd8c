#pragma once
// The statistics of one locus, or of all loci averaged, over any set of
// samples: all samples, one sample, a pair, a group or a shuffled group.
//
// A set is a list of catalogue sample indices in the order the samples are
// handed over (file order in every analysis). Pooled tallies are the samples'
// first-seen tallies concatenated in that order, codes already listed skipped
// and counts added; only the first 500 distinct phenotypes are tallied. Pair
// sums come from carrier counts: over the pairs of a set, the shared alleles
// sum to sum_a c_a (c_a - 1) / 2 and the unshared ones to (n - 1) * (sum of
// allele counts) - 2 * shared. All floating-point sums run in tally order,
// sample order and locus order, so the values are exactly those of tallying
// the individuals one by one and comparing every pair.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "input/phenotype_coding.h"
#include "stats/statistics.h"
#include "stats/locus_summary.h"
#include "stats/packed_loci.h"

namespace phenostat {

// A mean over pairs; a pair set without pairs gives 0.0.
inline double pair_mean(std::int64_t sum, std::int64_t pairs) {
    return pairs == 0 ? 0.0 : static_cast<double>(sum) / static_cast<double>(pairs);
}

// F'st from a diversity across samples and within them; 0 when nothing varies across.
inline double modified_fst(double across, double within) { return across == 0.0 ? 0.0 : (across - within) / across; }

// Full: every field of the record. Compared: only the fields that the group
// permutation test compares (COMPARED_FIELDS) and what they need; the other
// fields are left 0.0. Both give the same bits for the compared fields.
enum class Detail { full, compared };


struct LocusOutcome {
    LocusStats stats;
    std::int64_t typed = 0;        // N: the locus's weight in the average
    bool no_pairs_within = false;  // no sample of the set holds two typed individuals
    // What decides whether a value is defined (the record holds 0.0 where it is not).
    std::size_t set_size = 0;        // samples in the set, typed at the locus or not
    std::int64_t pairs_within = 0;   // pairs of typed individuals of the same sample
    std::int64_t pairs_between = 0;  // pairs of typed individuals of different samples
};

// p * log(p) and p * (1 - p) for p = count / total, each pair computed once
// and kept in a fixed-size cache (the logarithms would otherwise dominate the
// permutation test).
class TermCache {
public:
    TermCache();
    const DiversityTerms& terms(std::int32_t count, std::int32_t total);

private:
    struct Entry {
        std::uint64_t key;
        DiversityTerms terms;
    };
    std::vector<Entry> entries_;
};

// The pooled state of one set of samples at one locus, built sample by
// sample in the set's order: begin() with the set's totals at the locus,
// add() every sample, finish() for the record. Reusable; after reserve()
// it allocates nothing.
class SetAccumulator {
public:
    void reserve(std::size_t alleles, std::size_t phenotypes);
    // `typed`: N, the individuals of the set typed at the locus; `allele_total`:
    // the alleles they carry in all.
    void begin(const CodedLocus& locus, std::int64_t typed, std::int64_t allele_total, Detail detail);
    void add(const LocusSummary& summary, std::size_t sample);
    // The pooled tallies of the samples added so far, in first-seen order
    // (phenotypes capped at 500); valid until finish().
    void pooled(std::vector<TallyEntry>& alleles, std::vector<TallyEntry>& phenotypes) const;
    LocusOutcome finish(TermCache& cache);

private:
    // The fields of a full record only: sizes and frequency summaries.
    void finish_full_fields(LocusStats& r, std::size_t listed);
    // The means over pairs of individuals: within samples, and across and
    // between them when the set holds two samples or more.
    void finish_pair_fields(LocusStats& r) const;

    Detail detail_ = Detail::full;
    std::int64_t typed_ = 0, allele_total_ = 0;
    double n_total_ = 0;
    std::size_t set_size_ = 0;
    std::int64_t within_pairs_ = 0, shared_within_ = 0, unshared_within_ = 0, shared_across_ = 0;
    std::int64_t psld_weight_ = 0;
    double psld_sum_ = 0;
    LocusStats within_{};  // the weighted within-sample sums, in their record fields
    double size_squares_ = 0, size_max_ = 0, size_min_ = 0;
    bool any_size_ = false;
    // Pooled carrier counts by allele index / phenotype id (all zero between
    // loci) and the distinct ones in order of first appearance (phenotypes
    // not capped here; only the first 500 are tallied).
    std::vector<std::int32_t> allele_count_, phenotype_count_;
    std::vector<std::int32_t> allele_order_, phenotype_order_;
    std::size_t allele_slots_ = 0, phenotype_slots_ = 0;
    const CodedLocus* locus_ = nullptr;
    std::vector<double> values_;
    std::vector<double> frequency_values_;  // a sample's frequencies, for its summaries
};

// Working storage for compute_locus_stats.
struct CombineScratch {
    TermCache cache;
    SetAccumulator accumulator;
    LocusReader reader;
};

// The record of one locus over the samples `set`.
LocusOutcome compute_locus_stats(const CodedLocus& locus, const LocusSummary& summary, std::span<const std::size_t> set,
                                 Detail detail, CombineScratch& scratch);

}  // namespace phenostat

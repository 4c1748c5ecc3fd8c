#pragma once
// Per-sample summaries of a coded locus.
//
// Each sample's allele-carrier and phenotype tallies (in first-seen order)
// and its within-sample values are computed once, as soon as its lines have
// been read. The statistics of any set of samples are then obtained by
// combining the summaries of its samples (see locus_computation.h), never by
// walking pairs of individuals again.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "input/phenotype_coding.h"

namespace phenostat {

// One tally entry: an allele index or phenotype id with its number of
// carriers (individuals), in order of first appearance inside the sample.
struct TallyEntry {
    std::int32_t id;
    std::int32_t count;
};

// Mean, population variance, maximum and smallest non-zero value of the
// first `count` entries, with the conventions of the statistics record:
// the maximum and minimum start from the first entry (count 0 gives zeros).
struct FrequencySummary {
    double mean = 0, var = 0, max = 0, min = 0;
};
FrequencySummary summarise_frequencies(const double* values, std::size_t count);

// The terms of the two phenotype diversities for a phenotype of frequency
// p = count / total: Shannon-Weaver sums -p ln p, the p(1-p) diversity p(1-p).
struct DiversityTerms {
    double p_log_p;
    double p_one_minus_p;
};
inline DiversityTerms diversity_terms(std::int32_t count, std::int32_t total) {
    const double p = static_cast<double>(count) / static_cast<double>(total);
    return {p * std::log(p), p * (1.0 - p)};
}

// What every combination reads of a sample at a locus; kept small, since the
// permutation test streams through all of them in every replicate. The pair
// sums within the sample come from its allele tally: its pairs share
// sum_a c_a (c_a - 1) / 2 alleles, and each of an individual's n_s - 1
// partners fails to share its alleles, less twice the shared ones.
struct SampleSummary {
    double shannon = 0;                  // Shannon-Weaver diversity of its (capped) phenotype frequencies
    double pq = 0;                       // sum of p(1-p) over the same
    double psld = 0;                     // its PsLD when psld_calculable
    std::int32_t typed = 0;              // n_s: individuals typed at the locus
    std::uint32_t allele_total = 0;      // sum over typed individuals of their number of alleles (see MAX_SAMPLE_ROWS)
    std::uint32_t alleles_begin = 0;     // its allele tally: LocusSummary::allele_entries[alleles_begin, alleles_end())
    std::uint32_t phenotypes_begin = 0;  // its whole phenotype tally (not capped): phenotype_entries[...)
    std::uint32_t phenotypes_end = 0;
    std::uint8_t allele_count = 0;  // distinct alleles (at most 200)
    bool psld_calculable = false;   // the sample has two alleles that not all its individuals carry

    std::uint32_t alleles_end() const { return alleles_begin + allele_count; }
    // Distinct alleles (a_s) and distinct phenotypes (k_s, at most 500) of the sample.
    double alleles_seen() const { return static_cast<double>(allele_count); }
    double phenotypes_seen() const {
        return static_cast<double>(std::min<std::uint32_t>(phenotypes_end - phenotypes_begin,
                                                           MAX_PHENOTYPES_PER_LOCUS));
    }
};

// A sample's allele total fits in 32 bits while it has fewer rows than this
// (at most 20 alleles each); a larger sample is refused when loading.
inline constexpr std::size_t MAX_SAMPLE_ROWS = 200'000'000;

struct LocusSummary {
    std::vector<SampleSummary> samples;  // one per catalogue sample
    std::vector<TallyEntry> allele_entries;
    std::vector<TallyEntry> phenotype_entries;
    // Sample s's typed individuals are [sample_begin[s], sample_begin[s + 1]);
    // sizes holds their phenotype sizes (alleles carried), in row order.
    std::vector<std::uint32_t> sample_begin = {0};
    SizeList sizes;

    void clear() {
        samples.clear();
        allele_entries.clear();
        phenotype_entries.clear();
        sample_begin.assign(1, 0);
        sizes.clear();
    }
};

// Working storage of summarise_sample, reused from sample to sample.
struct SummaryScratch {
    std::vector<std::int32_t> allele_slot;     // allele index -> position in the sample's tally, -1 if absent
    std::vector<std::int32_t> phenotype_slot;  // phenotype id -> position, -1 if absent
    std::vector<double> frequencies;
    std::vector<std::array<std::uint64_t, 4>> phenotype_sets;
    std::vector<std::int32_t> varying;  // the PsLD's alleles and their frequencies
    std::vector<double> varying_frequencies;
};

// Summarises the next sample of a locus from its typed individuals' phenotype
// ids in file order: appends it to `summary`.
void summarise_sample(const IdList& individuals, const CodedLocus& locus, LocusSummary& summary,
                      SummaryScratch& scratch);

// Completes the sample whose phenotype tally summary.phenotype_entries
// [sample.phenotypes_begin, sample.phenotypes_end) holds: its allele tally
// (appended to allele_entries), its totals and allele count.
void tally_alleles(const CodedLocus& locus, LocusSummary& summary, SampleSummary& sample, SummaryScratch& scratch);

// The sample's diversities and PsLD, from its tallies (after tally_alleles).
void sample_diversities(const CodedLocus& locus, const LocusSummary& summary, SampleSummary& sample,
                        SummaryScratch& scratch);
// Whether its PsLD can be calculated: two alleles that not every typed individual carries.
bool psld_calculable(const LocusSummary& summary, const SampleSummary& sample);

// The sample's frequency summaries (full records only): over its
// allele-carrier frequencies in tally order, and over its (capped) phenotype
// frequencies. `values` is working storage.
FrequencySummary allele_frequency_summary(const LocusSummary& summary, const SampleSummary& sample,
                                          std::vector<double>& values);
FrequencySummary phenotype_frequency_summary(const LocusSummary& summary, const SampleSummary& sample,
                                             std::vector<double>& values);

}  // namespace phenostat

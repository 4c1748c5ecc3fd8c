#pragma once
// Per-sample summaries of a coded locus.
//
// Each sample's allele-carrier and phenotype tallies (in first-seen order),
// its pair sums and its within-sample values are computed once, right after
// coding. The statistics of any set of samples are then obtained by combining
// the summaries of its samples (see locus_computation.h), never by walking
// pairs of individuals again.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "input/phenotype_coding.h"

namespace phenostat {

// One tally entry: an allele index or phenotype id with its number of
// carriers (individuals), in order of first appearance inside the sample.
struct TallyEntry {
    std::int32_t id;
    std::int32_t count;
};

struct SampleSummary {
    std::int32_t typed = 0;              // n_s: individuals typed at the locus
    std::int64_t allele_total = 0;       // sum over typed individuals of their number of alleles
    std::int64_t shared_sum = 0;         // shared alleles summed over the pairs within the sample
    std::int64_t unshared_sum = 0;       // unshared alleles summed over the pairs within the sample
    std::uint32_t alleles_begin = 0;     // its allele tally: LocusSummary::allele_entries[alleles_begin, alleles_end)
    std::uint32_t alleles_end = 0;
    std::uint32_t phenotypes_begin = 0;  // its full phenotype tally (not capped): phenotype_entries[...)
    std::uint32_t phenotypes_end = 0;

    // Within-sample values, as the sample alone gives them (only meaningful when typed > 0).
    double alleles_seen = 0;             // a_s
    double phenotypes_seen = 0;          // k_s, at most 500
    double shannon = 0;                  // Shannon-Weaver over its (capped) phenotype frequencies
    double pq = 0;                       // sum of p(1-p) over the same
    double allele_freq_mean = 0, allele_freq_var = 0, allele_freq_max = 0, allele_freq_min = 0;
    double phenotype_freq_mean = 0, phenotype_freq_var = 0, phenotype_freq_max = 0, phenotype_freq_min = 0;
    double psld = 0;                     // the sample's PsLD when psld_calculable
    bool psld_calculable = false;
};

struct LocusSummary {
    std::vector<SampleSummary> samples;        // one per catalogue sample
    std::vector<TallyEntry> allele_entries;
    std::vector<TallyEntry> phenotype_entries;
};

LocusSummary summarise_locus(const CodedLocus& locus);
std::vector<LocusSummary> summarise_all_loci(const CodedData& coded);

// Mean, population variance, maximum and smallest non-zero value of the
// first `count` entries, with the conventions of the statistics record:
// the maximum and minimum start from the first entry; count 0 gives the
// first entry (or 0.0 for an empty array) and the mean and variance 0/0.
struct FrequencySummary {
    double mean, var, max, min;
};
FrequencySummary summarise_frequencies(const double* values, std::size_t count);

}  // namespace phenostat

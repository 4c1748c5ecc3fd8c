#include "analyses/set_statistics.h"

namespace phenostat {

SetStatistics compute_set_statistics(const CodedLoci& loci, std::span<const std::size_t> set,
                                     CombineScratch& scratch) {
    SetStatistics result;
    result.loci.reserve(loci.locus_count());
    std::int64_t total = 0;
    for (std::size_t i = 0; i < loci.locus_count(); ++i) {
        result.loci.push_back(compute_locus_stats(loci.coded.loci[i], loci.summaries[i], set, Detail::full, scratch));
        total += result.loci.back().typed;
    }
    LocusAverager averager(total, Detail::full);
    for (const LocusOutcome& locus : result.loci) averager.add(locus.stats, locus.typed);
    result.average = averager.result();
    return result;
}

LocusStats compute_compared_average(const CodedLoci& loci, std::span<const std::size_t> set,
                                    CombineScratch& scratch, Console* warnings) {
    std::int64_t total = 0;
    for (std::size_t i = 0; i < loci.locus_count(); ++i) total += typed_in_set(loci.summaries[i], set);
    LocusAverager averager(total, Detail::compared);
    for (std::size_t i = 0; i < loci.locus_count(); ++i) {
        const LocusOutcome locus =
            compute_locus_stats(loci.coded.loci[i], loci.summaries[i], set, Detail::compared, scratch);
        if (warnings != nullptr && locus.no_pairs_within) warnings->print(NO_PAIRS_WITHIN_WARNING);
        averager.add(locus.stats, locus.typed);
    }
    return averager.result();
}

void compute_group_averages(const CodedLoci& loci, std::span<const std::size_t> group_of, std::size_t group_count,
                            GroupScratch& scratch, std::vector<LocusStats>& averages) {
    const std::size_t sample_count = group_of.size();
    if (scratch.sample_totals.size() != sample_count) {
        scratch.sample_totals.assign(sample_count, 0);
        for (const LocusSummary& summary : loci.summaries)
            for (std::size_t s = 0; s < sample_count; ++s) scratch.sample_totals[s] += summary.samples[s].typed;
    }
    if (scratch.accumulators.size() < group_count) scratch.accumulators.resize(group_count);
    scratch.totals.assign(group_count, 0);
    for (std::size_t s = 0; s < sample_count; ++s)
        if (group_of[s] != NO_GROUP) scratch.totals[group_of[s]] += scratch.sample_totals[s];
    averages.assign(group_count, LocusStats{});

    for (std::size_t i = 0; i < loci.locus_count(); ++i) {
        const CodedLocus& locus = loci.coded.loci[i];
        const LocusSummary& summary = loci.summaries[i];
        scratch.typed.assign(group_count, 0);
        scratch.allele_total.assign(group_count, 0);
        for (std::size_t s = 0; s < sample_count; ++s) {
            if (group_of[s] == NO_GROUP) continue;
            scratch.typed[group_of[s]] += summary.samples[s].typed;
            scratch.allele_total[group_of[s]] += summary.samples[s].allele_total;
        }
        for (std::size_t g = 0; g < group_count; ++g)
            scratch.accumulators[g].begin(locus, scratch.typed[g], scratch.allele_total[g], Detail::compared);
        for (std::size_t s = 0; s < sample_count; ++s)
            if (group_of[s] != NO_GROUP) scratch.accumulators[group_of[s]].add(locus, summary, s);
        for (std::size_t g = 0; g < group_count; ++g) {
            const LocusOutcome outcome = scratch.accumulators[g].finish(scratch.cache);
            add_to_average(averages[g], outcome.stats, outcome.typed, scratch.totals[g], Detail::compared);
        }
    }
}

}  // namespace phenostat

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

}  // namespace phenostat

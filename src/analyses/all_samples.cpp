#include "analyses/all_samples.h"

namespace phenostat {
namespace {

constexpr std::size_t LOCI_PER_CHUNK = 16;

}  // namespace

AllSamplesResult analyse_all_samples(const Dataset& data) {
    AllSamplesResult result;
    result.table.loci.resize(data.locus_count());
    result.tallies.resize(data.locus_count());
    std::vector<std::int64_t> typed(data.locus_count(), 0);
    SetScratch scratch;
    parallel_for(data.locus_count(), LOCI_PER_CHUNK, [&](std::size_t i) {
        CombineScratch& local = scratch.local();
        const UnpackedLocus& unpacked = local.reader.read(data.loci, i);
        const CodedLocus& locus = unpacked.coded;
        const LocusSummary& summary = unpacked.summary;
        std::int64_t allele_total = 0;
        for (const SampleSummary& sample : summary.samples) {
            typed[i] += sample.typed;
            allele_total += sample.allele_total;
        }
        SetAccumulator& accumulator = local.accumulator;
        accumulator.begin(locus, typed[i], allele_total, Detail::full);
        for (std::size_t s = 0; s < data.sample_count(); ++s) accumulator.add(summary, s);
        accumulator.pooled(result.tallies[i].alleles, result.tallies[i].phenotypes);
        result.table.loci[i] = accumulator.finish(local.cache);
    });
    std::int64_t total = 0;
    for (const std::int64_t n : typed) total += n;
    LocusAverager averager(total, Detail::full);
    for (const LocusOutcome& outcome : result.table.loci) averager.add(outcome.stats, outcome.typed);
    result.table.average = averager.result();
    return result;
}

}  // namespace phenostat

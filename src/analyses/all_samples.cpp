#include "analyses/all_samples.h"

namespace phenostat {

SetAverage analyse_all_samples(const Dataset& data, SetScratch& scratch, AllSamplesSink& sink) {
    std::int64_t typed = 0;
    for (const std::int64_t n : data.loci.typed_per_sample()) typed += n;
    PerThread<PooledTally> tallies;
    const LocusRecordMaker make = [&](std::size_t place, std::size_t i, CombineScratch& local) {
        const UnpackedLocus& unpacked = local.reader.read(data.loci, i);
        std::int64_t typed_here = 0, allele_total = 0;
        for (const SampleSummary& sample : unpacked.summary.samples) {
            typed_here += sample.typed;
            allele_total += sample.allele_total;
        }
        SetAccumulator& accumulator = local.accumulator;
        accumulator.begin(unpacked.coded, typed_here, allele_total, Detail::full);
        for (std::size_t s = 0; s < data.sample_count(); ++s) accumulator.add(unpacked.summary, s);
        PooledTally& pooled = tallies.local();
        accumulator.pooled(pooled.alleles, pooled.phenotypes);
        sink.tallied(place, i, unpacked, pooled);
        return accumulator.finish(local.cache);
    };
    return stream_loci(data, typed, scratch, make, sink);
}

}  // namespace phenostat

#include "stats/sample_filter.h"

#include <algorithm>

#include "base/parallel.h"

namespace phenostat {
namespace {

constexpr std::size_t LOCI_PER_BLOCK = 256;

}  // namespace

void keep_samples(Dataset& data, const std::vector<char>& keep) {
    std::vector<Sample> samples;
    long largest = 0;
    for (std::size_t s = 0; s < data.catalogue.samples.size(); ++s) {
        if (keep[s] == 0) continue;
        samples.push_back(data.catalogue.samples[s]);
        largest = std::max(largest, static_cast<long>(samples.back().row_count()));
    }
    // The loci packed again with the kept samples only; their coding stays as it is.
    PackedLoci kept;
    kept.set_sample_count(samples.size());
    kept.reserve(data.locus_count());
    PerThread<LocusReader> readers;
    std::vector<std::vector<std::uint8_t>> packed(LOCI_PER_BLOCK);
    for (std::size_t first = 0; first < data.locus_count(); first += LOCI_PER_BLOCK) {
        const std::size_t count = std::min(LOCI_PER_BLOCK, data.locus_count() - first);
        parallel_for(count, 16, [&](std::size_t k) {
            const UnpackedLocus& locus = readers.local().read(data.loci, first + k);
            packed[k].clear();
            pack_locus(locus.coded, locus.summary, keep, packed[k]);
        });
        kept.append(std::span(packed.data(), count));
    }
    data.loci = std::move(kept);
    data.catalogue.samples = std::move(samples);
    data.catalogue.largest_sample = largest;
}

}  // namespace phenostat

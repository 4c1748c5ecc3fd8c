#include "stats/sample_filter.h"

#include <algorithm>

#include "base/parallel.h"

namespace phenostat {

void keep_samples(Dataset& data, const std::vector<char>& keep) {
    std::vector<Sample> samples;
    long largest = 0;
    for (std::size_t s = 0; s < data.catalogue.samples.size(); ++s) {
        if (keep[s] == 0) continue;
        samples.push_back(data.catalogue.samples[s]);
        largest = std::max(largest, static_cast<long>(samples.back().row_count()));
    }
    data.catalogue.samples = std::move(samples);
    data.catalogue.largest_sample = largest;
    // The tally entries stay where they are: each sample summary points into them.
    parallel_for(data.locus_count(), 16, [&](std::size_t l) {
        CodedLocus& locus = data.coded.loci[l];
        LocusSummary& summary = data.summaries[l];
        SizeList sizes;
        std::vector<std::uint32_t> begin = {0};
        std::vector<SampleSummary> kept;
        for (std::size_t s = 0; s < keep.size(); ++s) {
            if (keep[s] == 0) continue;
            for (std::uint32_t i = locus.sample_begin[s]; i < locus.sample_begin[s + 1]; ++i)
                sizes.push_back(locus.sizes[i]);
            begin.push_back(static_cast<std::uint32_t>(sizes.size()));
            kept.push_back(summary.samples[s]);
        }
        locus.sizes = std::move(sizes);
        locus.sample_begin = std::move(begin);
        summary.samples = std::move(kept);
    });
}

}  // namespace phenostat

#include "analyses/per_sample.h"

#include <algorithm>
#include <vector>

namespace phenostat {
namespace {

// Samples computed together, each locus unpacked once for them all; their
// tables are held until written, about 400 bytes per locus each.
constexpr std::size_t SAMPLES_PER_THREAD_AND_BLOCK = 4;

}  // namespace

void analyse_each_sample(const Dataset& data, SetScratch& scratch, PerSampleSink& sink, Progress& progress) {
    const std::size_t count = data.sample_count();
    const std::size_t block = SAMPLES_PER_THREAD_AND_BLOCK * team_size();
    sink.places(std::min(block, count));
    std::vector<std::vector<std::size_t>> sets;
    for (std::size_t start = 0; start < count; start += block) {
        const std::size_t size = std::min(block, count - start);
        sets.clear();
        for (std::size_t b = 0; b < size; ++b) sets.push_back({start + b});
        const std::vector<SetTable> tables = compute_set_tables(data, sets, scratch);
        parallel_for(size, 1, [&](std::size_t b) { sink.made(b, start + b, tables[b]); });
        for (std::size_t b = 0; b < size; ++b) {
            sink.ready(b, start + b);
            progress.step(start + b + 1, count);
        }
    }
}

}  // namespace phenostat

#include "analyses/per_sample.h"

#include <algorithm>

namespace phenostat {
namespace {

// Samples handed out at a time: enough per thread to even out their sizes.
constexpr std::size_t SAMPLES_PER_THREAD_AND_BLOCK = 4;

}  // namespace

void analyse_each_sample(const Dataset& data, SetScratch& scratch, PerSampleSink& sink, Progress& progress) {
    const std::size_t count = data.sample_count();
    const std::size_t block = SAMPLES_PER_THREAD_AND_BLOCK * team_size();
    sink.places(std::min(block, count));
    for (std::size_t start = 0; start < count; start += block) {
        const std::size_t size = std::min(block, count - start);
        parallel_for(size, 1, [&](std::size_t b) {
            const std::size_t set[1] = {start + b};
            sink.made(b, start + b, compute_set_table(data, set, scratch));
        });
        for (std::size_t b = 0; b < size; ++b) {
            sink.ready(b, start + b);
            progress.step(start + b + 1, count);
        }
    }
}

}  // namespace phenostat

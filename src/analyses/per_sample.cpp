#include "analyses/per_sample.h"

namespace phenostat {

void analyse_each_sample(const Dataset& data, SetScratch& scratch, SetRecordSink& sink, Progress& progress) {
    const std::size_t count = data.sample_count();
    for (std::size_t s = 0; s < count; ++s) {
        sink.begin(s);
        const std::size_t set[1] = {s};
        sink.end(s, compute_set(data, set, scratch, sink));
        progress.step(s + 1, count);
    }
}

}  // namespace phenostat

#pragma once
// The statistics of each sample in turn, in blocks of samples computed
// together, their loci spread over the threads. What becomes of a sample's
// table (texts, rows) is the caller's: made on the threads, handed out in
// sample order.

#include <cstddef>

#include "analyses/set_statistics.h"
#include "base/progress.h"
#include "stats/dataset.h"

namespace phenostat {

class PerSampleSink {
public:
    virtual ~PerSampleSink() = default;
    // Once, before any table: the places a block holds (`made` and `ready`
    // receive a place below `count`, reused from block to block).
    virtual void places(std::size_t count) = 0;
    // On any thread, for each sample of a block: its table, to be made into
    // whatever `ready` will write.
    virtual void made(std::size_t place, std::size_t sample, const SetTable& table) = 0;
    // On the calling thread, in sample order, once the sample's block is made.
    virtual void ready(std::size_t place, std::size_t sample) = 0;
};

void analyse_each_sample(const Dataset& data, SetScratch& scratch, PerSampleSink& sink, Progress& progress);

}  // namespace phenostat

#pragma once
// The statistics of each sample in turn, each handed to the caller's sink
// locus by locus (begin and end around each sample).

#include "analyses/set_statistics.h"
#include "base/progress.h"
#include "stats/dataset.h"

namespace phenostat {

void analyse_each_sample(const Dataset& data, SetScratch& scratch, SetRecordSink& sink, Progress& progress);

}  // namespace phenostat

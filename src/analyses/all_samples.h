#pragma once
// The statistics of all samples together, with the pooled allele and
// phenotype tallies of every locus.

#include <cstddef>
#include <vector>

#include "analyses/set_statistics.h"
#include "stats/dataset.h"

namespace phenostat {

// The pooled tallies of one locus over all samples, in first-seen order
// (walking the samples in catalogue order and their individuals in file
// order); at most 500 phenotypes.
struct PooledTally {
    std::vector<TallyEntry> alleles;
    std::vector<TallyEntry> phenotypes;
};

// Receives, besides each locus's record, its pooled tallies with the locus as
// read: on the thread that computed them, before the record is made.
class AllSamplesSink : public SetRecordSink {
public:
    virtual void tallied(std::size_t place, std::size_t locus, const UnpackedLocus& unpacked,
                         const PooledTally& pooled) = 0;
};

// Every locus handed to `sink` as it is computed; returns their average.
SetAverage analyse_all_samples(const Dataset& data, SetScratch& scratch, AllSamplesSink& sink);

}  // namespace phenostat

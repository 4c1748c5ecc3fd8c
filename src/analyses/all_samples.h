#pragma once
// The statistics of all samples together, with the pooled allele and
// phenotype tallies of every locus.

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

struct AllSamplesResult {
    SetTable table;
    std::vector<PooledTally> tallies;  // one per locus
};
AllSamplesResult analyse_all_samples(const Dataset& data);

}  // namespace phenostat

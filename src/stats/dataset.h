#pragma once
// A loaded data set as every analysis reads it: the locus names, the samples,
// every locus coded once per sample, and every locus summarised once per
// sample. Built by the load phase and shared, read-only, until the run ends.

#include <cstddef>
#include <string>
#include <vector>

#include "input/phenotype_coding.h"
#include "input/sample_catalogue.h"
#include "stats/locus_summary.h"

namespace phenostat {

struct Dataset {
    std::vector<std::string> locus_names;  // in column order
    SampleCatalogue catalogue;             // the samples (runs of lines) in file order
    CodedData coded;                       // coded.loci[i]: locus i coded for every sample
    std::vector<LocusSummary> summaries;   // summaries[i]: locus i summarised per sample

    std::size_t locus_count() const { return coded.loci.size(); }
    std::size_t sample_count() const { return catalogue.sample_count(); }
};

}  // namespace phenostat

#pragma once
// The report page's sections of the analyses of sets of samples: all samples
// together (their main averages) and each sample (a figure of its alleles per
// locus against its phenotype diversity, and a table of its averages).

#include <string>
#include <string_view>
#include <vector>

#include "input/sample_catalogue.h"
#include "stats/locus_stats.h"

namespace phenostat {

// `averages[s]`: sample s's average across loci. Points coloured by group,
// named up to 100 samples (a tooltip names each).
std::string per_sample_plot(const std::vector<LocusStats>& averages, const SampleCatalogue& catalogue,
                            std::string_view data_name);
// The main averages across loci of all samples together.
std::string all_samples_section(const LocusStats& average);
std::string per_sample_section(const std::vector<LocusStats>& averages, const SampleCatalogue& catalogue,
                               const std::string& plot);

}  // namespace phenostat

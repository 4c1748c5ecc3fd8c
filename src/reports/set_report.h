#pragma once
// The report page's sections of the analyses of sets of samples: all samples
// together (their main averages) and each sample (a figure of its alleles per
// locus against its phenotype diversity, with its size and the bootstrap's
// intervals, and a table of its averages).

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analyses/bootstrap.h"
#include "input/sample_catalogue.h"
#include "stats/locus_stats.h"
#include "stats/statistics.h"

namespace phenostat {

// `averages[s]`: sample s's average across loci; `intervals[s]`, when given
// (a bootstrap ran), the intervals of its printed fields, drawn as error
// bars. Points coloured by group, their area by the sample's individuals,
// named up to 100 samples (a tooltip names each).
std::string per_sample_plot(const std::vector<LocusStats>& averages,
                            std::span<const std::array<Interval, STATISTIC_COUNT>> intervals,
                            const SampleCatalogue& catalogue, std::string_view data_name);
// The main averages across loci of all samples together.
std::string all_samples_section(const LocusStats& average);
// `intervals`: the plot has the bootstrap's error bars.
std::string per_sample_section(const std::vector<LocusStats>& averages, const SampleCatalogue& catalogue,
                               const std::string& plot, bool intervals, std::string_view files);

}  // namespace phenostat

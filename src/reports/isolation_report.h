#pragma once
// Isolation by distance as text: the console summary, the tables ibd.tsv and
// ibd_pairs.tsv, and the scatter plot ibd.svg.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "analyses/isolation.h"

namespace phenostat {

struct IsolationScales {
    GeneticScale genetic;
    GeographicScale geographic;
};

// The scales' names, as run.tsv and ibd.tsv write them.
const char* genetic_scale_name(GeneticScale scale);
const char* geographic_scale_name(GeographicScale scale);

std::string isolation_console_text(const IsolationResult& result, IsolationScales scales);
std::string isolation_table(const IsolationResult& result, IsolationScales scales, std::uint64_t seed);
std::string isolation_pairs_table(const IsolationResult& result, const std::vector<PairResult>& pairs,
                                  const SampleCatalogue& catalogue);
// A self-contained SVG that scales to its window: the pairs used, the
// least-squares line over their distances, axes labelled with their units
// (km on the log axis too), r and P in the title, and a caption naming
// `data_name` with the pairs used and left out.
std::string isolation_plot(const IsolationResult& result, IsolationScales scales, std::string_view data_name = {});
// The report page's section: the summary and the plot.
std::string isolation_section(const IsolationResult& result, IsolationScales scales, const std::string& plot,
                              std::string_view files);

}  // namespace phenostat

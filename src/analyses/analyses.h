#pragma once
// The four analyses, always run in this order by the driver. Each works from
// the coded data only and appends its section(s) to the output files.

#include <string>
#include <vector>

#include "base/console.h"
#include "input/data_table.h"
#include "input/phenotype_coding.h"
#include "input/sample_catalogue.h"
#include "stats/locus_summary.h"
#include "base/random_generator.h"

namespace phenostat {

struct AnalysisContext {
    const LoadedData& data;
    const SampleCatalogue& catalogue;
    const CodedData& coded;
    Console& console;
    std::string stats_path;
    std::string summary_path;
    const std::vector<LocusSummary>& summaries;  // every locus summarised per sample (summarise_all_loci)
};

void run_all_samples_analysis(const AnalysisContext& context);
void run_per_sample_analysis(const AnalysisContext& context);
// `coordinates_path` empty: no distances.
void run_pairwise_fst(const AnalysisContext& context, const std::string& coordinates_path);
void run_group_statistics(const AnalysisContext& context, int permutations, RandomGenerator& random);

}  // namespace phenostat

// Placeholders until the analyses land.
#include "analyses/analyses.h"

namespace phenostat {
void run_all_samples_analysis(const AnalysisContext&) {}
void run_per_sample_analysis(const AnalysisContext&) {}
void run_pairwise_fst(const AnalysisContext&, const std::string&) {}
void run_group_statistics(const AnalysisContext&, int, RandomGenerator&) {}
}  // namespace phenostat

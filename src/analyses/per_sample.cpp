// Statistics of every locus for each sample on its own, in catalogue order.

#include "analyses/analysis_support.h"
#include "reports/output_file.h"
#include "reports/stats_file.h"
#include "base/text.h"

namespace phenostat {

void run_per_sample_analysis(const AnalysisContext& context) {
    const CodedLoci loci{context.coded, context.summaries};
    CombineScratch scratch;

    append_to_file(context.stats_path, std::string(PER_SAMPLE_TITLE) + std::string(PER_SAMPLE_NOTE));
    context.console.print("\n\n Doing per-sample stats");

    for (std::size_t s = 0; s < context.catalogue.sample_count(); ++s) {
        append_to_file(context.stats_path, sample_title(context.catalogue.samples[s].name));
        append_stats_header(context.stats_path);
        const std::size_t set[1] = {s};
        const SetStatistics stats = compute_set_statistics(loci, set, scratch);
        for (std::size_t i = 0; i < stats.loci.size(); ++i) {
            if (stats.loci[i].no_pairs_within) context.console.print(NO_PAIRS_WITHIN_WARNING);
            append_stats_row(context.stats_path, stats.loci[i].stats, context.data.locus_names[i]);
        }
        append_stats_row(context.stats_path, stats.average, AVERAGE_LABEL);
    }
}

}  // namespace phenostat

// Statistics of every locus over all samples together, with the frequency
// tables of the summary file.

#include "analyses/analysis_support.h"
#include "reports/output_file.h"
#include "reports/stats_file.h"
#include "reports/summary_file.h"
#include "base/text.h"

namespace phenostat {

void run_all_samples_analysis(const AnalysisContext& context) {
    const CodedLoci loci{context.coded, context.summaries};
    const std::vector<std::size_t> set = all_samples(context.catalogue.sample_count());
    CombineScratch scratch;

    append_to_file(context.stats_path, ALL_SAMPLES_TITLE);
    append_stats_header(context.stats_path);

    std::vector<LocusStats> records;
    std::vector<std::int64_t> weights;
    for (std::size_t i = 0; i < loci.locus_count(); ++i) {
        const std::string& name = context.data.locus_names[i];
        context.console.print(strprintf("\n\nWorking with locus %s", name.c_str()));
        const LocusOutcome locus = compute_locus_stats(loci.coded.loci[i], loci.summaries[i], set, Detail::full, scratch);
        context.console.print(
            strprintf("\nThe total number of individuals sampled for this locus is %lld", static_cast<long long>(locus.typed)));
        if (locus.no_pairs_within) context.console.print(NO_PAIRS_WITHIN_WARNING);
        append_stats_row(context.stats_path, locus.stats, name);
        append_frequency_summary(context.summary_path, loci.coded.loci[i], context.catalogue, name);
        records.push_back(locus.stats);
        weights.push_back(locus.typed);
    }
    append_stats_row(context.stats_path, average_across_loci(records, weights), AVERAGE_LABEL);
}

}  // namespace phenostat

// Fuzz target: arbitrary bytes as a data file, through loading, coding and
// summarising, every analysis and every report. A bad file may stop with a
// FatalError; anything else (a crash, a sanitizer report, a hang) is a fault.

#include <unistd.h>

#include <cstdio>
#include <string>

#include "analyses/analyses.h"
#include "app/driver.h"
#include "base/fatal_error.h"
#include "reports/console_text.h"
#include "reports/stats_file.h"
#include "reports/summary_file.h"
#include "reports/tidy_tables.h"

using namespace phenostat;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    static const std::string path = "/tmp/phenostat_fuzz_" + std::to_string(getpid()) + ".txt";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || std::fwrite(bytes, 1, size, file) != size || std::fclose(file) != 0) std::abort();
    try {
        NoProgress quiet;
        const LoadedDataset loaded = load_dataset(path, quiet);
        check_dimensions(path, loaded.dims);
        if (loaded.refusal) return 0;
        const Dataset& data = loaded.data;
        std::string text = listing_text(data.locus_names, data.catalogue, loaded.warnings);
        const AllSamplesResult all = analyse_all_samples(data);
        text += set_table_text(all.table, data.locus_names) + loci_table_rows("all", "all", 0, all.table, data.locus_names);
        for (std::size_t i = 0; i < data.locus_count(); ++i)
            text += frequency_summary_text(data.coded.loci[i], data.summaries[i], all.tallies[i], data.catalogue, "L") +
                    frequencies_rows("L", data.coded.loci[i], data.summaries[i], all.tallies[i], data.catalogue);
        const std::vector<PairResult> pairs = analyse_pairs(data, nullptr, quiet);
        text += pairwise_text(pairs, data.catalogue, false) + fst_matrix(pairs, data.catalogue);
        const GroupTables groups = analyse_groups(data);
        RandomGenerator random(1);
        text += group_test_table(groups.groups, permutation_test(data, groups.groups, 3, random, quiet));
    } catch (const FatalError&) {
    }
    return 0;
}

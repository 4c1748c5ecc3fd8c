// The bootstrap's replicates: which ones count for a statistic.

#include "analyses/bootstrap.h"

#include <gtest/gtest.h>

namespace phenostat {
namespace {

TEST(Bootstrap, ReplicatesCountWhereTheyDefineTheStatistic) {
    SetTable table;
    table.loci.resize(2);
    table.loci[0].typed = table.loci[1].typed = 5;
    table.loci[0].set_size = table.loci[1].set_size = 1;
    table.loci[0].stats.psld_calculable = 1;  // only locus 0 defines the PsLD
    table.loci[0].stats.psld = 0.5;
    for (const std::size_t replicates : {0, 1, 300}) {
        const LocusResamples resamples = draw_resamples(2, replicates, 9);
        std::size_t drawing_first = 0;
        for (std::size_t r = 0; r < replicates; ++r) drawing_first += resamples.replicate(r)[0] > 0;
        const auto intervals = bootstrap_table(table, resamples);
        EXPECT_EQ(intervals[column_of(&LocusStats::alleles_seen)].replicates, replicates);
        EXPECT_EQ(intervals[column_of(&LocusStats::psld)].replicates, drawing_first);
        EXPECT_EQ(intervals[column_of(&LocusStats::fst_unshared)].replicates, 0u);
        EXPECT_EQ(bootstrap_field(table.loci, &LocusStats::psld, resamples).replicates, drawing_first);
    }
}

}  // namespace
}  // namespace phenostat

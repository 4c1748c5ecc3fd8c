// Values worked out by hand, so that the literal computation and the engine
// cannot be wrong together.

#include "support/literal_reference.h"

#include <gtest/gtest.h>

namespace phenostat::literal {
namespace {

TEST(LiteralReference, HandWorkedValues) {
    // Two: A {1} {1} {2}, B {3}: 3 pairs within, 3 between.
    const LocusStats two = compute_table({{"A", {"1"}}, {"A", {"1"}}, {"A", {"2"}}, {"B", {"3"}}}, 1).average;
    // Three: sizes 2, 1, 3: 4 pairs within, 11 between; only the pairs with the {2} individual differ.
    const LocusStats three =
        compute_table({{"A", {"1"}}, {"A", {"1"}}, {"B", {"1"}}, {"C", {"1"}}, {"C", {"1"}}, {"C", {"2"}}}, 1).average;
    // Loci: L1 {1,2} {1,3} in one sample (its across fields stay 0); L2 one typed individual.
    const TableStats loci = compute_table({{"A", {"1,2", "5"}}, {"A", {"3,1", "?"}}}, 2);
    struct Case {
        const LocusStats& record;
        LocusStatsField field;
        double value;
    };
    const Case cases[] = {
        {two, &LocusStats::alleles_seen, 3},
        {two, &LocusStats::shannon_across, 1.0397},
        {two, &LocusStats::pq_across, 0.625},
        {two, &LocusStats::allele_freq_across_var, 0.0139},
        {two, &LocusStats::allele_freq_across_min, 0.25},
        {two, &LocusStats::alleles_per_sample, 1.75},
        {two, &LocusStats::shannon_within, 0.4774},
        {two, &LocusStats::pq_within, 0.3333},
        {two, &LocusStats::fst_shannon, 0.5409},
        {two, &LocusStats::fst_pq, 0.4667},
        {two, &LocusStats::allele_freq_within_mean, 0.625},
        {two, &LocusStats::allele_freq_within_var, 0.0208},
        {two, &LocusStats::allele_freq_within_min, 0.5},
        {two, &LocusStats::psld, 0.0494},
        {two, &LocusStats::shared_within, 0.3333},
        {two, &LocusStats::unshared_within, 1.3333},
        {two, &LocusStats::unshared_between, 2},
        {two, &LocusStats::shared_across, 0.1667},
        {two, &LocusStats::fst_unshared, 0.2},
        {two, &LocusStats::psld_calculable, 1},
        {three, &LocusStats::unshared_within, 1},
        {three, &LocusStats::shared_within, 0.5},
        {three, &LocusStats::unshared_between, 6 / 11.0},
        {three, &LocusStats::shared_between, 8 / 11.0},
        {three, &LocusStats::unshared_across, 10 / 15.0},
        {three, &LocusStats::shared_across, 10 / 15.0},
        {loci.loci[0], &LocusStats::psld, 0.0625},
        {loci.loci[0], &LocusStats::shared_within, 1},
        {loci.loci[0], &LocusStats::unshared_within, 2},
        {loci.loci[0], &LocusStats::unshared_across, 0},
        {loci.average, &LocusStats::alleles_seen, 2 / 3.0 * 3 + 1 / 3.0 * 1},  // weights 2 and 1 typed
        {loci.average, &LocusStats::phenotypes_per_sample_variable, 2},        // over L1 alone
    };
    for (const Case& c : cases) {
        const auto column =
            std::find(std::begin(PRINTED_FIELDS), std::end(PRINTED_FIELDS), c.field) - std::begin(PRINTED_FIELDS);
        EXPECT_NEAR(c.record.*c.field, c.value, 5e-5) << "column " << column + 1;
    }
    EXPECT_EQ(loci.warnings, 1);  // L2 has no pair within
}

}  // namespace
}  // namespace phenostat::literal

// The averages across loci and their "defined" rule, on records made by hand.

#include "stats/locus_average.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <set>
#include <utility>
#include <string_view>
#include <vector>

namespace phenostat {
namespace {

using S = LocusStats;

LocusOutcome outcome(std::int64_t typed, std::size_t set_size, std::int64_t within, std::int64_t between,
                     std::initializer_list<std::pair<LocusStatsField, double>> values) {
    LocusOutcome o;
    o.typed = typed;
    o.set_size = set_size;
    o.pairs_within = within;
    o.pairs_between = between;
    for (const auto& [field, value] : values) o.stats.*field = value;
    return o;
}
// L0: two samples with pairs within them, more than one phenotype per sample, a PsLD.
LocusOutcome varied() {
    return outcome(4, 2, 2, 4,
                   {{&S::alleles_seen, 3},
                    {&S::phenotypes_per_sample, 2},
                    {&S::unshared_across, 1},
                    {&S::shannon_across, 0.6},
                    {&S::pq_across, 0.4},
                    {&S::psld, 0.25},
                    {&S::psld_calculable, 1},
                    {&S::polymorphic, 1}});
}
// L1: two samples of one typed individual each: no pair within a sample, one phenotype per sample.
LocusOutcome singletons() {
    return outcome(2, 2, 0, 1,
                   {{&S::alleles_seen, 2},
                    {&S::phenotypes_per_sample, 1},
                    {&S::unshared_across, 2},
                    {&S::shannon_across, 0.69},
                    {&S::pq_across, 0.5},
                    {&S::polymorphic, 1}});
}
// L2: one sample, one typed individual.
LocusOutcome lone() { return outcome(1, 1, 0, 0, {{&S::alleles_seen, 1}, {&S::phenotypes_per_sample, 1}}); }

TEST(LocusAverage, FieldsOfTheAverageLeftUndefined) {
    const std::set<std::string_view> pairs = {"unshared_within", "shared_within",    "unshared_across",
                                              "shared_across",   "unshared_between", "shared_between"};
    std::set<std::string_view> all;
    for (const Statistic& s : STATISTICS) all.insert(s.name);
    std::set<std::string_view> lone_na = pairs;
    lone_na.insert({"phenotypes_per_sample_variable", "fst_unshared", "fst_shannon", "fst_pq", "psld"});
    struct Case {
        std::vector<LocusOutcome> loci;
        std::set<std::string_view> na;
    };
    const Case cases[] = {
        {{}, all},
        {{lone()}, lone_na},
        {{outcome(1, 2, 0, 0, {{&S::alleles_seen, 1}})}, lone_na},  // two samples, one typed individual: no pair
        {{singletons()},
         {"phenotypes_per_sample_variable", "unshared_within", "shared_within", "fst_unshared", "psld"}},
        {{singletons(), varied()}, {}},
    };
    for (const Case& c : cases) {
        const auto defined = average_defined(c.loci);
        std::set<std::string_view> na;
        for (std::size_t k = 0; k < STATISTIC_COUNT; ++k)
            if (!defined[k]) na.insert(STATISTICS[k].name);
        EXPECT_EQ(na, c.na) << c.loci.size() << " loci";
    }
}

TEST(LocusAverage, VariableLociColumnOnlyOverLociAboveOnePhenotypePerSample) {
    const std::vector<LocusOutcome> loci = {varied(), singletons(), lone()};
    LocusAverager averager(7, Detail::full);
    for (const LocusOutcome& locus : loci) averager.add(locus.stats, locus.typed);
    EXPECT_EQ(averager.result().phenotypes_per_sample_variable, 2.0);
    LocusAverager flat(3, Detail::full);
    for (const LocusOutcome& locus : {singletons(), lone()}) flat.add(locus.stats, locus.typed);
    EXPECT_EQ(flat.result().phenotypes_per_sample_variable, 0.0);

    // A draw makes a field defined where a drawn locus does, by the same rule.
    const ResampledAverage resampled(loci);
    const std::uint64_t psld = std::uint64_t{1} << column_of(&S::psld);
    const std::uint64_t variable = std::uint64_t{1} << column_of(&S::phenotypes_per_sample_variable);
    std::array<double, STATISTIC_COUNT> values{};
    EXPECT_EQ(resampled.average(std::vector<double>{1, 2, 0}, values) & (psld | variable), psld | variable);
    EXPECT_EQ(values[column_of(&S::phenotypes_per_sample_variable)], 2.0);
    EXPECT_EQ(resampled.average(std::vector<double>{0, 1, 3}, values) & (psld | variable), 0u);
    EXPECT_EQ(resampled.average(std::vector<double>{0, 0, 0}, values), 0u);
}

}  // namespace
}  // namespace phenostat

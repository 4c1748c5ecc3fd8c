// The statistics engine against the literal computation, bit for bit, on
// random data sets and every kind of sample set the analyses hand it.

#include <gtest/gtest.h>

#include <bit>
#include <sstream>

#include "analyses/set_statistics.h"
#include "support/random_data.h"

namespace phenostat {
namespace {

using testing::first_difference;
using testing::load_and_code;
using testing::make_random_data;
using testing::RandomData;

std::vector<std::vector<std::size_t>> sets_to_check(std::size_t sample_count, std::mt19937& random) {
    std::vector<std::vector<std::size_t>> sets;
    std::vector<std::size_t> all(sample_count);
    for (std::size_t s = 0; s < sample_count; ++s) all[s] = s;
    sets.push_back(all);
    for (std::size_t s = 0; s < sample_count; ++s) sets.push_back({s});
    if (sample_count >= 2) {
        const std::size_t i = random() % (sample_count - 1);
        sets.push_back({i, i + 1 + random() % (sample_count - 1 - i)});
    }
    std::vector<std::size_t> subset;
    for (std::size_t s = 0; s < sample_count; ++s)
        if (random() % 2) subset.push_back(s);
    if (!subset.empty()) sets.push_back(subset);
    return sets;
}

void expect_same_statistics(const RandomData& data, const testing::LoadedSet& loaded,
                            const std::vector<std::size_t>& set, const std::string& context) {
    static CombineScratch scratch;
    const std::vector<LocusSummary> summaries = summarise_all_loci(loaded.coded);
    const CodedLoci loci{loaded.coded, summaries};
    const literal::TableStats expected =
        literal::compute_table(testing::rows_of(data, loaded.catalogue, set), data.locus_count);
    const SetStatistics actual = compute_set_statistics(loci, set, scratch);

    ASSERT_EQ(actual.loci.size(), expected.loci.size()) << context;
    int warnings = 0;
    for (std::size_t i = 0; i < actual.loci.size(); ++i) {
        EXPECT_EQ(first_difference(expected.loci[i], actual.loci[i].stats), "") << context << ", locus " << i;
        warnings += actual.loci[i].no_pairs_within ? 1 : 0;
    }
    EXPECT_EQ(first_difference(expected.average, actual.average), "") << context << ", average";
    EXPECT_EQ(warnings, expected.warnings) << context;

    // The compared-only path gives the very same bits for the compared fields.
    const LocusStats compared = compute_compared_average(loci, set, scratch);
    for (const LocusStatsField field : COMPARED_FIELDS) {
        EXPECT_EQ(std::bit_cast<std::uint64_t>(compared.*field), std::bit_cast<std::uint64_t>(expected.average.*field))
            << context << ", compared field";
    }
}

std::string describe(int iteration, const std::vector<std::size_t>& set) {
    std::ostringstream text;
    text << "data set " << iteration << ", samples {";
    for (const std::size_t s : set) text << ' ' << s;
    text << " }";
    return text.str();
}

TEST(EngineDifferential, RandomDataSetsMatchTheLiteralComputation) {
    std::mt19937 random(20261206);
    for (int iteration = 0; iteration < 300; ++iteration) {
        const RandomData data = make_random_data(random);
        const testing::LoadedSet loaded = load_and_code(data.text);
        for (const auto& set : sets_to_check(loaded.catalogue.sample_count(), random)) {
            expect_same_statistics(data, loaded, set, describe(iteration, set));
            if (::testing::Test::HasFailure()) return;
        }
    }
}

TEST(EngineDifferential, LargeSamplesAndLongPhenotypesMatch) {
    std::mt19937 random(77);
    testing::RandomDataOptions options;
    options.max_loci = 3;
    options.max_samples = 4;
    options.max_sample_size = 60;
    for (int iteration = 0; iteration < 20; ++iteration) {
        const RandomData data = make_random_data(random, options);
        const testing::LoadedSet loaded = load_and_code(data.text);
        for (const auto& set : sets_to_check(loaded.catalogue.sample_count(), random)) {
            expect_same_statistics(data, loaded, set, describe(iteration, set));
            if (::testing::Test::HasFailure()) return;
        }
    }
}

// The hand-worked examples (checked number by number on the literal
// computation in literal_reference_test.cpp) give the same records here.
TEST(EngineDifferential, WorkedExamplesMatch) {
    const std::vector<std::vector<std::pair<std::string, std::string>>> examples = {
        {{"A", "1"}, {"A", "1"}, {"A", "2"}, {"B", "3"}},
        {{"A", "1,2"}, {"A", "1,3"}},
        {{"A", "1,2"}, {"B", "1,3"}},
        {{"A", "1"}, {"A", "2"}, {"B", "1,2"}, {"C", "1"}, {"C", "2"}, {"C", "3"}},
        {{"A", "4,7"}, {"A", "4,7"}, {"B", "4,7"}},
        {{"A", "5"}},
    };
    for (std::size_t e = 0; e < examples.size(); ++e) {
        testing::RandomData data;
        data.locus_count = 1;
        data.text = "G\tS\tI\tL\n";
        for (const auto& [sample, text] : examples[e]) {
            data.rows.push_back({"g", {sample, {text}}});
            data.text.append("g\t").append(sample).append("\tx\t").append(text).append("\n");
        }
        const testing::LoadedSet loaded = load_and_code(data.text);
        std::vector<std::size_t> all(loaded.catalogue.sample_count());
        for (std::size_t s = 0; s < all.size(); ++s) all[s] = s;
        expect_same_statistics(data, loaded, all, "worked example " + std::to_string(e));
    }
}

TEST(EngineDifferential, MoreThan500PhenotypesAreCappedInFirstSeenOrder) {
    std::mt19937 random(501);
    for (int iteration = 0; iteration < 3; ++iteration) {
        const RandomData data = testing::make_many_phenotypes_data(random);
        const testing::LoadedSet loaded = load_and_code(data.text);
        ASSERT_GT(loaded.coded.loci[0].phenotype_count(), 500u);
        for (const auto& set : std::vector<std::vector<std::size_t>>{{0, 1, 2}, {1}, {0, 2}, {1, 2}}) {
            expect_same_statistics(data, loaded, set, describe(iteration, set));
        }
    }
}

}  // namespace
}  // namespace phenostat

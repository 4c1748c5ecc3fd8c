// Groups, the shuffle, the test statistic and the permutation test's
// P-values, the last against a literal replicate path that recodes every
// group's rows from text.

#include "analyses/group_statistics.h"

#include <gtest/gtest.h>

#include <bit>
#include <sstream>

#include "support/literal_permutation.h"
#include "support/random_data.h"

namespace phenostat {
namespace {

TEST(RandomGenerator, DrawsBits16To30OfTheLinearCongruentialState) {
    RandomGenerator random(12345);
    const int expected[] = {15301, 24996, 10921, 23577, 19316};  // worked out independently
    for (const int value : expected) EXPECT_EQ(random.next(), value);
    RandomGenerator zero(0);
    EXPECT_EQ(zero.next(), 0);  // state 1
}

TEST(Shuffle, FollowsTheDrawsPositionByPosition) {
    auto shuffled = [](std::vector<int> draws) {
        std::vector<std::size_t> order = {0, 1, 2};
        std::size_t next = 0;
        shuffle_samples(order, [&] { return draws.at(next++); });
        EXPECT_EQ(next, 2u);  // S - 1 draws
        return order;
    };
    EXPECT_EQ(shuffled({0, 32767}), (std::vector<std::size_t>{0, 2, 1}));
    EXPECT_EQ(shuffled({16384, 0}), (std::vector<std::size_t>{1, 0, 2}));
    EXPECT_EQ(shuffled({32767, 32767}), (std::vector<std::size_t>{2, 0, 1}));
}

TEST(TestStatistic, SumsSquaredDifferencesOverPairsOfGroups) {
    ComparedValues a{}, b{}, c{};
    a.fill(1.0);
    b.fill(2.0);
    c.fill(4.0);
    EXPECT_EQ(test_statistics({a, b, c})[0], 14.0);
    EXPECT_EQ(test_statistics({c, a, b})[12], 14.0);  // order of the groups does not matter
    EXPECT_EQ(test_statistics({a, c})[5], 9.0);
    EXPECT_EQ(test_statistics({a})[3], 0.0);
}

TEST(GroupCatalogue, EachSampleBelongsToTheGroupOfItsFirstRow) {
    const auto loaded = testing::load_and_code(
        "G\tS\tI\tL\n"
        "north\ta\t1\t1\n"
        "south\tb\t2\t1\n"
        "\tc\t3\t1\n"
        "north\td\t4\t1\n"
        "south\td\t5\t1\n"  // same sample, another group: the first row decides
        "east\te\t6\t1\n");
    const GroupCatalogue groups = build_group_catalogue(loaded.catalogue);
    EXPECT_EQ(groups.names, (std::vector<std::string>{"north", "south", "east"}));
    EXPECT_EQ(groups.sizes, (std::vector<std::size_t>{2, 1, 1}));
    EXPECT_EQ(groups.slots, (std::vector<std::size_t>{0, 1, NO_GROUP, 0, 2}));

    std::vector<std::size_t> group_of;
    assign_groups({4, 1, 2, 3, 0}, groups.slots, group_of);  // position k takes slot k's group
    EXPECT_EQ(members_of(group_of, 0), (std::vector<std::size_t>{3, 4}));  // listed in catalogue order
    EXPECT_EQ(members_of(group_of, 1), (std::vector<std::size_t>{1}));
    EXPECT_EQ(members_of(group_of, 2), (std::vector<std::size_t>{0}));
    EXPECT_EQ(group_of[2], NO_GROUP);  // sample 2 sits on the no-group slot
}

// ---- The P-values against a literal replicate path ----

ComparedValues program_p_values(const testing::LoadedSet& loaded, int permutations, std::uint32_t seed) {
    const std::vector<LocusSummary> summaries = summarise_all_loci(loaded.coded);
    const CodedLoci loci{loaded.coded, summaries};
    const GroupCatalogue groups = build_group_catalogue(loaded.catalogue);
    CombineScratch scratch;
    std::vector<ComparedValues> values;
    for (std::size_t g = 0; g < groups.names.size(); ++g) {
        const LocusStats average = compute_set_statistics(loci, members_of(groups.slots, g), scratch).average;
        ComparedValues v{};
        for (std::size_t k = 0; k < v.size(); ++k) v[k] = average.*COMPARED_FIELDS[k];
        values.push_back(v);
    }
    std::istringstream no_input;
    std::ostringstream transcript;
    Console console(no_input, transcript);
    RandomGenerator random(seed);
    const ComparedValues p = permutation_p_values(loci, groups, test_statistics(values), permutations, random, console);
    EXPECT_EQ(transcript.str().rfind("\n\tRandomisation: 0", 0), 0u);
    return p;
}

TEST(PermutationTest, PValuesEqualThoseOfTheLiteralReplicatePath) {
    std::mt19937 random(4242);
    testing::RandomDataOptions options;
    options.max_samples = 7;
    options.max_sample_size = 6;
    options.max_groups = 3;
    for (int iteration = 0; iteration < 25; ++iteration) {
        const testing::RandomData data = testing::make_random_data(random, options);
        const testing::LoadedSet loaded = testing::load_and_code(data.text);
        if (build_group_catalogue(loaded.catalogue).names.empty()) continue;
        const auto seed = static_cast<std::uint32_t>(random());
        const ComparedValues expected = literal::permutation_p_values(data.rows, 12, seed);
        const ComparedValues actual = program_p_values(loaded, 12, seed);
        for (std::size_t k = 0; k < expected.size(); ++k)
            ASSERT_EQ(std::bit_cast<std::uint64_t>(actual[k]), std::bit_cast<std::uint64_t>(expected[k]))
                << "data set " << iteration << ", statistic " << k << ": " << expected[k] << " vs " << actual[k];
    }
}

TEST(PermutationTest, OneGroupGivesEveryPValueOne) {
    const auto loaded = testing::load_and_code(
        "G\tS\tI\tL1\tL2\nall\ta\t1\t1,2\t3\nall\ta\t2\t2\t4\nall\tb\t3\t1\t3,4\nall\tc\t4\t5\t\n");
    const ComparedValues p = program_p_values(loaded, 7, 99);
    for (const double value : p) EXPECT_NEAR(value, 1.0, 1e-12);
}

TEST(PermutationTest, AReplicateThatRestoresTheObservedGroupingTies) {
    // Two samples: every replicate either keeps or swaps them, and both
    // groupings give exactly the observed statistic, so every replicate counts.
    const auto loaded = testing::load_and_code(
        "G\tS\tI\tL1\tL2\nx\ta\t1\t1,2\t3\nx\ta\t2\t2\t4\ny\tb\t3\t1\t3,4\ny\tb\t4\t5\t3\ny\tb\t5\t5,7\t3\n");
    const ComparedValues p = program_p_values(loaded, 10, 5);
    for (const double value : p) EXPECT_NEAR(value, 1.0, 1e-12);
}

}  // namespace
}  // namespace phenostat

// Checks of the literal reference computation against hand-worked examples.

#include "support/literal_reference.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

namespace phenostat::literal {
namespace {

constexpr double TOL = 5e-5;  // the hand values are rounded to 4 decimals

// One-locus rows from (sample, phenotype text) pairs.
std::vector<Row> rows_of(const std::vector<std::pair<std::string, std::string>>& cells) {
    std::vector<Row> rows;
    for (const auto& [sample, text] : cells) rows.push_back(Row{sample, {text}});
    return rows;
}

LocusStats stats_of(const std::vector<std::pair<std::string, std::string>>& cells, int* warnings = nullptr) {
    return compute_locus_stats(code_locus(rows_of(cells), 0), warnings);
}

std::vector<int> coded(const std::string& text) { return code_locus(rows_of({{"A", text}}), 0).at(0); }

TEST(LiteralReference, CodesPhenotypeTexts) {
    const int E = PHENOTYPE_END, S = SAMPLE_END;
    EXPECT_EQ(coded("12 ,15"), (std::vector<int>{15, E, S}));
    EXPECT_EQ(coded(" 12, 15"), (std::vector<int>{12, 15, E, S}));
    EXPECT_EQ(coded("007,12"), (std::vector<int>{7, 12, E, S}));
    EXPECT_EQ(coded("12,12"), (std::vector<int>{12, E, S}));
    EXPECT_EQ(coded("15,12,9,15"), (std::vector<int>{9, 12, 15, E, S}));
    EXPECT_EQ(coded("-5"), (std::vector<int>{5, E, S}));
    EXPECT_EQ(coded("1.5"), (std::vector<int>{5, E, S}));
    EXPECT_EQ(coded("12;15"), (std::vector<int>{15, E, S}));
    EXPECT_EQ(coded("a12,15"), (std::vector<int>{12, 15, E, S}));
    EXPECT_EQ(coded("12,,15,"), (std::vector<int>{12, 15, E, S}));
    for (const char* missing : {"", "0", "00", "?", "a,b", "-"}) EXPECT_EQ(coded(missing), (std::vector<int>{S}));
}

TEST(LiteralReference, SplitsSamplesIntoRunsOfEqualNames) {
    const auto lists = code_locus(rows_of({{"A", "1"}, {"A", "2,1"}, {"B", "?"}, {"A", "3"}, {"a", "4"}}), 0);
    ASSERT_EQ(lists.size(), 4u);
    EXPECT_EQ(lists[0], (std::vector<int>{1, -1, 1, 2, -1, -2}));
    EXPECT_EQ(lists[1], (std::vector<int>{-2}));
    EXPECT_EQ(count_typed_individuals(lists), (std::vector<int>{2, 0, 1, 1}));
    // A row without the locus column reads as an empty field.
    EXPECT_EQ(code_locus({Row{"A", {}}}, 2), (std::vector<std::vector<int>>{{-2}}));
}

TEST(LiteralReference, WorkedExampleTwoSamples) {
    int warnings = 0;
    const LocusStats r = stats_of({{"A", "1"}, {"A", "1"}, {"A", "2"}, {"B", "3"}}, &warnings);
    EXPECT_EQ(warnings, 0);
    EXPECT_EQ(r.alleles_seen, 3.0);
    EXPECT_EQ(r.phenotypes_seen, 3.0);
    EXPECT_NEAR(r.shannon_across, 1.0397, TOL);
    EXPECT_NEAR(r.pq_across, 0.625, TOL);
    EXPECT_NEAR(r.allele_freq_across_mean, 0.3333, TOL);
    EXPECT_NEAR(r.allele_freq_across_var, 0.0139, TOL);
    EXPECT_EQ(r.allele_freq_across_max, 0.5);
    EXPECT_EQ(r.allele_freq_across_min, 0.25);
    EXPECT_EQ(r.phenotype_freq_across_mean, r.allele_freq_across_mean);
    EXPECT_EQ(r.phenotype_freq_across_var, r.allele_freq_across_var);
    EXPECT_EQ(r.alleles_per_sample, 1.75);
    EXPECT_EQ(r.phenotypes_per_sample, 1.75);
    EXPECT_NEAR(r.shannon_within, 0.4774, TOL);
    EXPECT_NEAR(r.pq_within, 0.3333, TOL);
    EXPECT_NEAR(r.fst_shannon, 0.5409, TOL);
    EXPECT_NEAR(r.fst_pq, 0.4667, TOL);
    EXPECT_NEAR(r.allele_freq_within_mean, 0.625, TOL);
    EXPECT_NEAR(r.allele_freq_within_var, 0.0208, TOL);
    EXPECT_NEAR(r.allele_freq_within_max, 0.75, TOL);
    EXPECT_NEAR(r.allele_freq_within_min, 0.5, TOL);
    EXPECT_NEAR(r.psld, 0.0494, TOL);
    EXPECT_EQ(r.psld_calculable, 1.0);
    EXPECT_EQ(r.polymorphic, 1.0);
    EXPECT_NEAR(r.shared_within, 0.3333, TOL);
    EXPECT_NEAR(r.unshared_within, 1.3333, TOL);
    EXPECT_EQ(r.shared_between, 0.0);
    EXPECT_EQ(r.unshared_between, 2.0);
    EXPECT_NEAR(r.shared_across, 0.1667, TOL);
    EXPECT_NEAR(r.unshared_across, 1.6667, TOL);
    EXPECT_NEAR(r.fst_unshared, 0.2, 1e-12);
    EXPECT_EQ(r.phenotypes_per_sample_variable, 0.0);
}

TEST(LiteralReference, TwoIndividualsInOneSampleOrInTwo) {
    int warnings = 0;
    const LocusStats one = stats_of({{"A", "1,2"}, {"A", "1,3"}}, &warnings);
    EXPECT_EQ(warnings, 0);
    EXPECT_EQ(one.alleles_seen, 3.0);
    EXPECT_EQ(one.phenotypes_seen, 2.0);
    EXPECT_EQ(one.polymorphic, 1.0);
    EXPECT_DOUBLE_EQ(one.shannon_across, std::log(2.0));
    EXPECT_EQ(one.pq_across, 0.5);
    EXPECT_EQ(one.alleles_per_individual_mean, 2.0);
    EXPECT_EQ(one.alleles_per_individual_var, 0.0);
    EXPECT_EQ(one.psld, 0.0625);
    EXPECT_EQ(one.psld_calculable, 1.0);
    EXPECT_EQ(one.shared_within, 1.0);
    EXPECT_EQ(one.unshared_within, 2.0);
    EXPECT_EQ(one.allele_freq_across_max, 1.0);
    EXPECT_EQ(one.allele_freq_across_min, 0.5);
    // One sample: the across, between and F'st fields stay 0.
    EXPECT_EQ(one.unshared_across, 0.0);
    EXPECT_EQ(one.fst_shannon, 0.0);
    EXPECT_EQ(one.shannon_within, one.shannon_across);

    const LocusStats two = stats_of({{"A", "1,2"}, {"B", "1,3"}}, &warnings);
    EXPECT_EQ(warnings, 1);  // no pairs within
    EXPECT_EQ(two.shared_within, 0.0);
    EXPECT_EQ(two.unshared_within, 0.0);
    EXPECT_EQ(two.shared_between, 1.0);
    EXPECT_EQ(two.shared_across, 1.0);
    EXPECT_EQ(two.unshared_between, 2.0);
    EXPECT_EQ(two.unshared_across, 2.0);
    EXPECT_EQ(two.fst_unshared, 1.0);
    EXPECT_EQ(two.shannon_within, 0.0);
    EXPECT_EQ(two.fst_shannon, 1.0);
    EXPECT_EQ(two.fst_pq, 1.0);
    EXPECT_EQ(two.phenotypes_per_sample, 1.0);
    EXPECT_EQ(two.psld_calculable, 0.0);
    EXPECT_EQ(two.shannon_across, one.shannon_across);
}

TEST(LiteralReference, PairCountsOfThreeSamples) {
    // Sizes 2, 1, 3: 4 within, 11 between, 15 across pairs. Only the pairs
    // with the {2} individual differ (2 unshared alleles each).
    const LocusStats r =
        stats_of({{"A", "1"}, {"A", "1"}, {"B", "1"}, {"C", "1"}, {"C", "1"}, {"C", "2"}});
    EXPECT_EQ(r.unshared_within, 4.0 / 4.0);
    EXPECT_EQ(r.shared_within, 2.0 / 4.0);
    EXPECT_EQ(r.unshared_between, 6.0 / 11.0);
    EXPECT_EQ(r.shared_between, 8.0 / 11.0);
    EXPECT_EQ(r.unshared_across, 10.0 / 15.0);
    EXPECT_EQ(r.shared_across, 10.0 / 15.0);
}

TEST(LiteralReference, IdenticalListsEverywhere) {
    const LocusStats r = stats_of({{"A", "1,2"}, {"A", "2,1"}, {"B", "1,2"}});
    EXPECT_EQ(r.polymorphic, 0.0);
    EXPECT_EQ(r.unshared_within, 0.0);
    EXPECT_EQ(r.unshared_across, 0.0);
    EXPECT_EQ(r.shared_within, 2.0);
    EXPECT_EQ(r.shared_between, 2.0);
    EXPECT_EQ(r.fst_unshared, 0.0);
    EXPECT_EQ(r.fst_shannon, 0.0);
    EXPECT_EQ(r.fst_pq, 0.0);
    EXPECT_FALSE(std::signbit(r.shannon_across));  // +0.0, not -0.0
    EXPECT_EQ(r.psld_calculable, 0.0);
}

TEST(LiteralReference, OneTypedIndividualAmongMissing) {
    int warnings = 0;
    const LocusStats r = stats_of({{"A", "?"}, {"A", "4,2,9"}, {"A", ""}}, &warnings);
    EXPECT_EQ(warnings, 1);
    EXPECT_EQ(r.alleles_seen, 3.0);
    EXPECT_EQ(r.phenotypes_seen, 1.0);
    EXPECT_EQ(r.alleles_per_individual_min, 3.0);
    EXPECT_EQ(r.alleles_per_individual_max, 3.0);
    EXPECT_EQ(r.allele_freq_across_min, 1.0);
    EXPECT_EQ(r.phenotype_size_mean, 3.0);
    EXPECT_EQ(r.psld, 0.0);
    EXPECT_EQ(r.psld_calculable, 0.0);
}

TEST(LiteralReference, EmptySamplesAddNothing) {
    const LocusStats plain = stats_of({{"A", "1"}, {"A", "2"}, {"B", "1,2"}, {"B", "3"}});
    const LocusStats with_empty = stats_of({{"A", "1"}, {"A", "2"}, {"X", "?"}, {"B", "1,2"}, {"B", "3"}});
    EXPECT_EQ(with_empty, plain);

    // No pair between the one typed individual and nothing: 0.0, not NaN.
    int warnings = 0;
    const LocusStats lone = stats_of({{"A", "5"}, {"B", "0"}}, &warnings);
    EXPECT_EQ(warnings, 1);
    EXPECT_EQ(lone.unshared_across, 0.0);
    EXPECT_EQ(lone.shared_between, 0.0);
    EXPECT_EQ(lone.phenotypes_per_sample, 1.0);

    // Nothing typed at all: an all-zero record.
    warnings = 0;
    EXPECT_EQ(stats_of({{"A", "?"}, {"B", ""}}, &warnings), LocusStats{});
    EXPECT_EQ(warnings, 1);
}

TEST(LiteralReference, PhenotypesBeyondTheFiveHundredthAreNotTallied) {
    // 501 distinct phenotypes {i, j} over 33 alleles; the last one is not tallied,
    // pooled nor (when all are in one sample) within the sample.
    std::vector<std::pair<std::string, std::string>> split, single;
    for (int i = 1; i <= 33 && split.size() < 501; ++i) {
        for (int j = i + 1; j <= 33 && split.size() < 501; ++j) {
            const std::string text = std::to_string(i) + "," + std::to_string(j);
            split.push_back({split.size() < 300 ? "A" : "B", text});
            single.push_back({"A", text});
        }
    }
    const LocusStats r = stats_of(split);
    EXPECT_EQ(r.phenotypes_seen, 500.0);
    EXPECT_EQ(r.phenotypes_per_sample, 300.0 / 501.0 * 300.0 + 201.0 / 501.0 * 201.0);
    EXPECT_EQ(r.phenotype_freq_across_max, 1.0 / 501.0);
    EXPECT_NEAR(r.phenotype_freq_across_mean * 500.0, 500.0 / 501.0, 1e-12);
    const LocusStats one = stats_of(single);
    EXPECT_EQ(one.phenotypes_per_sample, 500.0);
    EXPECT_EQ(one.phenotype_freq_within_max, 1.0 / 501.0);
}

TEST(LiteralReference, AveragesLociByTypedIndividuals) {
    LocusStats a, b;
    a.alleles_seen = 4;
    b.alleles_seen = 8;
    a.phenotypes_per_sample = 1.0;  // not variable
    b.phenotypes_per_sample = 3.0;
    const LocusStats avg = average_across_loci({a, b}, {30, 10});
    EXPECT_EQ(avg.alleles_seen, 5.0);
    EXPECT_EQ(avg.phenotypes_per_sample, 1.5);
    EXPECT_EQ(avg.phenotypes_per_sample_variable, 3.0);

    // One locus: the same values, column 5 only when column 4 exceeds 1.
    const LocusStats one = average_across_loci({b}, {7});
    EXPECT_EQ(one.alleles_seen, 8.0);
    EXPECT_EQ(one.phenotypes_per_sample_variable, 3.0);
    EXPECT_EQ(average_across_loci({a}, {7}).phenotypes_per_sample_variable, 0.0);

    // A weight-0 locus adds nothing; total weight 0 gives zeros.
    EXPECT_EQ(average_across_loci({a, b}, {5, 0}).phenotypes_per_sample_variable, 0.0);
    EXPECT_EQ(average_across_loci({a, b}, {0, 0}), LocusStats{});
    EXPECT_EQ(average_across_loci({}, {}), LocusStats{});
}

TEST(LiteralReference, TableWeightsLociByTypedIndividuals) {
    const std::vector<Row> rows = {{"A", {"1", "1"}}, {"A", {"2", "?"}}, {"B", {"1", "3"}}, {"B", {"3", ""}}};
    const TableStats t = compute_table(rows, locus_count_of(rows));
    ASSERT_EQ(t.loci.size(), 2u);
    EXPECT_EQ(t.loci[1], stats_of({{"A", "1"}, {"B", "3"}}));
    EXPECT_EQ(t.average, average_across_loci(t.loci, {4, 2}));
    EXPECT_EQ(t.warnings, 1);
}

TEST(LiteralReference, GroupGathersItsRowsFromTheWholeFile) {
    const std::vector<GroupedRow> rows = {{"g1", {"A", {"1,2", "5"}}}, {"g1", {"A", {"1", "5,6"}}},
                                          {"g2", {"B", {"2", "?"}}},   {"", {"X", {"3", "3"}}},
                                          {"g1", {"C", {"3", ""}}},    {"g2", {"D", {"1", "6"}}}};
    EXPECT_EQ(group_names(rows), (std::vector<std::string>{"g1", "g2"}));
    const std::vector<Row> g1 = {rows[0].row, rows[1].row, rows[4].row};
    const LocusStats expected = compute_table(g1, 2).average;
    const ComparedStatistics got = group_compared_statistics(rows, "g1");
    for (std::size_t k = 0; k < COMPARED_STATISTIC_COUNT; ++k) EXPECT_EQ(got[k], expected.*COMPARED_FIELDS[k]) << k;
    // The locus count comes from the whole table, even where the group's rows are shorter.
    EXPECT_EQ(group_table({{"g", {"A", {"1"}}}, {"h", {"B", {"1", "2"}}}}, "g").loci.size(), 2u);
}

TEST(LiteralReference, TestStatisticSumsSquaredDifferencesOverGroupPairs) {
    auto with_first = [](double v) {
        ComparedStatistics s{};
        s[0] = v;
        s[12] = 2 * v;
        return s;
    };
    const ComparedStatistics three = test_statistics({with_first(1), with_first(2), with_first(4)});
    EXPECT_EQ(three[0], 14.0);
    EXPECT_EQ(three[12], 56.0);
    EXPECT_EQ(three[5], 0.0);
    EXPECT_EQ(test_statistics({with_first(4), with_first(1), with_first(2)})[0], 14.0);
    EXPECT_EQ(test_statistics({with_first(1), with_first(3.5)})[0], 6.25);
    EXPECT_EQ(test_statistics({with_first(7)}), ComparedStatistics{});

    const std::vector<GroupedRow> one_group = {{"g", {"A", {"1"}}}, {"g", {"B", {"2"}}}};
    EXPECT_EQ(group_test_statistics(one_group), ComparedStatistics{});
}

}  // namespace
}  // namespace phenostat::literal

#include "input/sample_catalogue.h"

#include <gtest/gtest.h>

#include <utility>

namespace phenostat {
namespace {

// A table of (group, sample) rows.
DataTable make_table(const std::vector<std::pair<std::string, std::string>>& rows) {
    DataTable table;
    for (const auto& [group, sample] : rows) {
        table.begin_row();
        table.add_cell(group);
        table.add_cell(sample);
    }
    table.finish();
    return table;
}

std::vector<std::string> names(const SampleCatalogue& catalogue) {
    std::vector<std::string> out;
    for (const Sample& sample : catalogue.samples) out.push_back(sample.name);
    return out;
}

TEST(SampleCatalogue, RunsOfEqualNamesAreSamples) {
    const SampleCatalogue catalogue =
        build_sample_catalogue(make_table({{"g", "A"}, {"g", "A"}, {"g", "B"}, {"g", "B"}, {"g", "B"}, {"g", "A"}}));
    ASSERT_EQ(catalogue.sample_count(), 3u);
    EXPECT_EQ(names(catalogue), (std::vector<std::string>{"A", "B", "A"}));
    EXPECT_EQ(catalogue.samples[0].first_row, 0u);
    EXPECT_EQ(catalogue.samples[1].first_row, 2u);
    EXPECT_EQ(catalogue.samples[1].end_row, 5u);
    EXPECT_EQ(catalogue.samples[2].row_count(), 1u);
    EXPECT_EQ(catalogue.largest_sample, 3);
    EXPECT_EQ(catalogue.recurring_names, (std::vector<std::string>{"A"}));
}

TEST(SampleCatalogue, RecurringNamesInOrderOfFirstRecurrence) {
    const SampleCatalogue catalogue = build_sample_catalogue(
        make_table({{"", "A"}, {"", "B"}, {"", "C"}, {"", "B"}, {"", "A"}, {"", "B"}, {"", "D"}, {"", "D"}}));
    EXPECT_EQ(catalogue.sample_count(), 7u);
    EXPECT_EQ(catalogue.recurring_names, (std::vector<std::string>{"B", "A"}));
    EXPECT_EQ(catalogue.largest_sample, 2);  // the last run is the longest
}

TEST(SampleCatalogue, NamesCompareByteForByte) {
    const SampleCatalogue catalogue =
        build_sample_catalogue(make_table({{"", ""}, {"", ""}, {"", "a"}, {"", "A"}, {"", "A "}}));
    EXPECT_EQ(names(catalogue), (std::vector<std::string>{"", "a", "A", "A "}));
    EXPECT_EQ(catalogue.samples[0].row_count(), 2u);
    EXPECT_TRUE(catalogue.recurring_names.empty());
}

TEST(SampleCatalogue, GroupOfTheFirstRowAndMixedGroups) {
    const SampleCatalogue catalogue =
        build_sample_catalogue(make_table({{"G1", "A"}, {"G1", "A"}, {"G2", "B"}, {"G3", "B"}, {"G2", "B"}}));
    ASSERT_EQ(catalogue.sample_count(), 2u);
    EXPECT_EQ(catalogue.samples[0].group, "G1");
    EXPECT_FALSE(catalogue.samples[0].mixed_groups);
    EXPECT_EQ(catalogue.samples[1].group, "G2");
    EXPECT_TRUE(catalogue.samples[1].mixed_groups);
}

TEST(SampleCatalogue, EmptyTable) {
    const SampleCatalogue catalogue = build_sample_catalogue(DataTable{});
    EXPECT_EQ(catalogue.sample_count(), 0u);
    EXPECT_EQ(catalogue.largest_sample, 0);
}

}  // namespace
}  // namespace phenostat

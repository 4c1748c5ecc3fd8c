#include "reports/stats_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace phenostat {
namespace {

std::vector<std::string> split_tabs(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos) return fields;
        start = tab + 1;
    }
}

TEST(StatsFileTest, HeaderLineHas44FieldsWithTheExactTitles) {
    const std::string header = stats_header_line();
    ASSERT_EQ(header.substr(0, 1), "\n");
    EXPECT_EQ(header.find('\n', 1), std::string::npos);
    const auto fields = split_tabs(header.substr(1));
    ASSERT_EQ(fields.size(), 44u);
    EXPECT_EQ(fields[0], "Locus");
    EXPECT_EQ(fields[1], "Total number of alleles Seen");
    EXPECT_EQ(fields[8], "(unshared alleles) F'st");
    EXPECT_EQ(fields[10], "Shannon-Weaver phenotype diversity accross all samples");
    EXPECT_EQ(fields[16], "Varience in the number of different alleles carried by each individual");
    EXPECT_EQ(fields[18], "Fewest alleles carriend by an individual");
    EXPECT_EQ(fields[27], "PsLD");
    // Two blanks before "across" in columns 30, 31, 38 and 39 only.
    EXPECT_EQ(fields[30], "Frequency of carriers of the commonest allele  across all samples");
    EXPECT_EQ(fields[31], "Frequency of carriers of the rarest allele  across all samples");
    EXPECT_EQ(fields[38], "Frequency of carriers of the commonest phenotype  across all samples");
    EXPECT_EQ(fields[39], "Frequency of carriers of the rarest phenotype  across all samples");
    EXPECT_EQ(fields[34], "Frequency of carriers of the commonest allele within each sample");
    int double_blanks = 0;
    for (const auto& field : fields) double_blanks += field.find("  ") != std::string::npos;
    EXPECT_EQ(double_blanks, 4);
    EXPECT_EQ(fields[43], "Frequency of carriers of the rarest phenotype within each sample");
}

TEST(StatsFileTest, RowUsesThreeDecimalsUpToColumn26AndSevenAfter) {
    LocusStats record;
    for (const auto field : PRINTED_FIELDS) record.*field = 2.5;
    record.alleles_seen = -1.0 / 3;
    record.polymorphic = 1;          // column 25
    record.psld_calculable = 0.75;   // column 26
    record.psld = -0.00000006;       // column 27 rounds to -0.0000001
    record.phenotype_freq_within_min = 123456.5;  // column 43
    const std::string row = stats_row(record, "D7S820");
    ASSERT_EQ(row.substr(0, 1), "\n");
    const auto fields = split_tabs(row.substr(1));
    ASSERT_EQ(fields.size(), 44u);
    EXPECT_EQ(fields[0], "D7S820");
    EXPECT_EQ(fields[1], "-0.333");
    EXPECT_EQ(fields[2], "2.500");
    EXPECT_EQ(fields[25], "1.000");
    EXPECT_EQ(fields[26], "0.750");
    EXPECT_EQ(fields[27], "-0.0000001");
    EXPECT_EQ(fields[28], "2.5000000");
    EXPECT_EQ(fields[43], "123456.5000000");
    EXPECT_EQ(stats_row(LocusStats{}, "Average across Loci").substr(0, 27), "\nAverage across Loci\t0.000\t");
}

TEST(StatsFileTest, RowFollowsThePrintedFieldOrderNotTheRecordOrder) {
    LocusStats record;
    for (int column = 0; column < 43; ++column) record.*PRINTED_FIELDS[column] = column + 1;
    const auto fields = split_tabs(stats_row(record, AVERAGE_LABEL).substr(1));
    for (int column = 1; column <= 43; ++column)
        EXPECT_EQ(std::stod(fields[column]), column) << "column " << column;
}

TEST(StatsFileTest, PairLineWithAndWithoutDistances) {
    EXPECT_EQ(pair_line("P", "Q", 0.0123456, std::nullopt, false), "\nP\tQ\t0.012346");
    EXPECT_EQ(pair_line("P", "Q", -0.5, 899.9374239, false), "\nP\tQ\t-0.500000");
    EXPECT_EQ(pair_line("P", "Q", 0.1, 899.9374239, true), "\nP\tQ\t0.100000\t899.937424");
    EXPECT_EQ(pair_line("P", "Q", 0.1, 0.0, true), "\nP\tQ\t0.100000\t0.000000");
    EXPECT_EQ(pair_line("P", "Q", 0.1, std::nullopt, true), "\nP\tQ\t0.100000\tNA");
    EXPECT_EQ(pair_line("P", "Q", 0.1, NAN, true), "\nP\tQ\t0.100000\tNA");
}

}  // namespace
}  // namespace phenostat

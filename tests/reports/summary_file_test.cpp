#include "reports/summary_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace phenostat {
namespace {

// Builds a CodedLocus from the allele codes of each individual, sample by
// sample. The locus numbers its alleles and phenotypes in the order given by
// `allele_order` / in reverse order of first appearance, so the writer must
// find the first-seen order itself.
struct LocusBuilder {
    std::vector<std::int32_t> allele_order;                  // allele index -> code
    std::vector<std::vector<std::vector<int>>> samples;      // per sample, per individual: ascending codes

    CodedLocus build() const {
        CodedLocus locus;
        locus.allele_codes = allele_order;
        std::vector<std::vector<int>> phenotypes;  // distinct code lists, first-seen order
        for (const auto& sample : samples)
            for (const auto& codes : sample)
                if (std::find(phenotypes.begin(), phenotypes.end(), codes) == phenotypes.end())
                    phenotypes.push_back(codes);
        const int count = static_cast<int>(phenotypes.size());
        locus.phenotype_begin.push_back(0);
        for (int id = 0; id < count; ++id) {  // id = count - 1 - first-seen position
            for (int code : phenotypes[count - 1 - id]) {
                const auto at = std::find(allele_order.begin(), allele_order.end(), code);
                locus.phenotype_alleles.push_back(static_cast<std::uint8_t>(at - allele_order.begin()));
            }
            locus.phenotype_begin.push_back(static_cast<std::uint32_t>(locus.phenotype_alleles.size()));
        }
        locus.sample_begin.push_back(0);
        for (const auto& sample : samples) {
            for (const auto& codes : sample) {
                const auto at = std::find(phenotypes.begin(), phenotypes.end(), codes);
                locus.individuals.push_back(count - 1 - static_cast<int>(at - phenotypes.begin()));
            }
            locus.sample_begin.push_back(static_cast<std::uint32_t>(locus.individuals.size()));
        }
        return locus;
    }
};

SampleCatalogue catalogue_of(const std::vector<std::string>& names) {
    SampleCatalogue catalogue;
    for (const auto& name : names) catalogue.samples.push_back(Sample{name, 0, 0, "", false});
    return catalogue;
}

std::string tabs(int n) { return std::string(static_cast<std::size_t>(n), '\t'); }

const std::string TITLE =
    "\n\n\n\t\t****\t*****\t****\t  \n\t\t****\tLocus L1\t****\t  \n\t\t****\t*****\t*****";

TEST(SummaryFileTest, BlockOfATinyLocus) {
    // A: {3,7} {12}; B: nobody typed; C: {7} {3,7} {12}.
    LocusBuilder builder{{12, 3, 7}, {{{3, 7}, {12}}, {}, {{7}, {3, 7}, {12}}}};
    const std::string phenotype_header = "\n\t3,7,\t12,\t7," + tabs(497);
    const std::string expected =
        TITLE +
        "\n\n\t\tAllele-Carrier Counts (The number of individuals seen carrying each allele)"
        "\n\t3\t7\t12"
        "\nOver all Samples\t2.000000\t3.000000\t2.000000"
        "\nA\t1.000000\t1.000000\t1.000000"
        "\nB\t0.000000\t0.000000\t0.000000"
        "\nC\t1.000000\t2.000000\t1.000000"
        "\n\n\t\tCarrier frequencies (The proportion of individuals carrying each allele)"
        "\n\t3\t7\t12"
        "\nOver all Samples\t0.400000\t0.600000\t0.400000"
        "\nA\t0.500000\t0.500000\t0.500000"
        "\nB"
        "\nC\t0.333333\t0.666667\t0.333333"
        "\n\n\t\tPhenotype Counts (The number of individuals seen carrying each phenotype)" +
        phenotype_header +
        "\nOver all Samples\t2.000000\t2.000000\t1.000000"
        "\nA\t1.000000\t1.000000\t0.000000"
        "\nB\t0.000000\t0.000000\t0.000000"
        "\nC\t1.000000\t1.000000\t1.000000"
        "\n\n\t\tPhenotype Frequencies (The proportion of individuals seen carrying each phenotype)" +
        phenotype_header +
        "\nOver all Samples\t0.400000\t0.400000\t0.200000"
        "\nA\t0.500000\t0.500000\t0.000000"
        "\nB"
        "\nC\t0.333333\t0.333333\t0.333333";
    EXPECT_EQ(frequency_summary_text(builder.build(), catalogue_of({"A", "B", "C"}), "L1"), expected);
}

TEST(SummaryFileTest, LocusWithNobodyTyped) {
    LocusBuilder builder{{}, {{}, {}}};
    const std::string rows = "\nOver all Samples\nS\nS";
    const std::string expected =
        TITLE +
        "\n\n\t\tAllele-Carrier Counts (The number of individuals seen carrying each allele)\n" + rows +
        "\n\n\t\tCarrier frequencies (The proportion of individuals carrying each allele)\n" + rows +
        "\n\n\t\tPhenotype Counts (The number of individuals seen carrying each phenotype)\n" + tabs(500) + rows +
        "\n\n\t\tPhenotype Frequencies (The proportion of individuals seen carrying each phenotype)\n" +
        tabs(500) + rows;
    EXPECT_EQ(frequency_summary_text(builder.build(), catalogue_of({"S", "S"}), "L1"), expected);
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));
    return lines;
}

std::size_t cells(const std::string& line) { return static_cast<std::size_t>(std::count(line.begin(), line.end(), '\t')); }

TEST(SummaryFileTest, OnlyTheFirst500PhenotypesAreListedAndCounted) {
    // 502 distinct two-allele phenotypes from codes 1..40, one individual each,
    // then the last one (502nd, unlisted) again and the first one again. The
    // 502nd phenotype brings a new allele, 99, which is listed all the same.
    std::vector<std::vector<int>> individuals;
    for (int a = 1; a <= 40 && individuals.size() < 501; ++a)
        for (int b = a + 1; b <= 40 && individuals.size() < 501; ++b) individuals.push_back({a, b});
    individuals.push_back({1, 99});
    individuals.push_back({1, 99});
    individuals.push_back({1, 2});
    std::vector<std::int32_t> codes;
    for (int c = 1; c <= 40; ++c) codes.push_back(c);
    codes.push_back(99);
    LocusBuilder builder{codes, {individuals}};
    const auto lines = lines_of(frequency_summary_text(builder.build(), catalogue_of({"Only"}), "L1"));

    auto line_after = [&](const std::string& title, int offset) {
        const auto at = std::find(lines.begin(), lines.end(), "\t\t" + title);
        EXPECT_NE(at, lines.end()) << title;
        return *(at + offset);
    };
    const std::string allele_header = line_after("Allele-Carrier Counts (The number of individuals seen carrying each allele)", 1);
    EXPECT_EQ(cells(allele_header), 41u);
    EXPECT_EQ(allele_header.substr(allele_header.size() - 6), "\t40\t99");
    const std::string allele_counts = line_after("Allele-Carrier Counts (The number of individuals seen carrying each allele)", 2);
    EXPECT_EQ(allele_counts.substr(allele_counts.size() - 9), "\t2.000000");  // allele 99

    const std::string header = line_after("Phenotype Counts (The number of individuals seen carrying each phenotype)", 1);
    EXPECT_EQ(cells(header), 500u);
    EXPECT_EQ(header.substr(0, 12), "\t1,2,\t1,3,\t1");
    EXPECT_EQ(header.find("99"), std::string::npos);
    const std::string counts = line_after("Phenotype Counts (The number of individuals seen carrying each phenotype)", 2);
    EXPECT_EQ(cells(counts), 500u);
    EXPECT_EQ(counts.substr(0, 34), "Over all Samples\t2.000000\t1.000000");
    const std::string frequencies = line_after("Phenotype Frequencies (The proportion of individuals seen carrying each phenotype)", 2);
    EXPECT_EQ(cells(frequencies), 500u);
    EXPECT_EQ(frequencies.substr(0, 34), "Over all Samples\t0.003968\t0.001984");  // of 504 typed
    EXPECT_EQ(lines.back().substr(0, 5), "Only\t");
    EXPECT_EQ(cells(lines.back()), 500u);
}

}  // namespace
}  // namespace phenostat

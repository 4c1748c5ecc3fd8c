// The genotypes of other programs' files read as our phenotype texts: the
// widths each format takes, alleles of zeros, partial genotypes.

#include <gtest/gtest.h>

#include "input/genotype_text.h"

namespace phenostat {
namespace {

// The phenotype text a genotype reads as, or "!" and what is wrong with it.
// Format g: Genepop; f: FSTAT of 3 digits, alleles to 300; d: GenoDive of 3
// digits, ploidy 4; s: a STRUCTURE allele; x: a GenAlEx allele.
std::string read(char format, std::size_t width, const std::string& text) {
    std::string out, problem;
    std::vector<std::string_view> scratch;
    std::uint32_t allele = 0;
    AlleleCell cell = AlleleCell::missing;
    switch (format) {
        case 'g':
            problem = read_genepop_genotype(text, width, out);
            break;
        case 'f':
            problem = read_fstat_genotype(text, 3, width, 300, out);
            break;
        case 'd':
            problem = read_genodive_genotype(text, 3, 4, scratch, out);
            break;
        default:
            cell = format == 's' ? read_structure_allele(text, allele) : read_genalex_allele(text, allele);
            if (cell == AlleleCell::bad) return "!bad";
            return cell == AlleleCell::allele ? std::to_string(allele) : "";
    }
    return problem.empty() ? out : "!" + problem;
}

TEST(GenotypeText, GenotypesOfEachFormat) {
    struct Case {
        char format;
        std::size_t width;  // of the genotypes before; 0: the first
        std::string text, read;
    };
    const Case cases[] = {
        {'g', 0, "0101", "1"},
        {'g', 0, "103101", "101,103"},
        {'g', 6, "101101", "101"},
        {'g', 0, "101000", ""},  // an allele of zeros: missing
        {'g', 0, "0000", ""},
        {'g', 0, "12", "12"},
        {'g', 0, "120", "120"},
        {'g', 0, "10110", "!5 digits, where a genotype has 2 or 3 (one allele) or 4 or 6 (two alleles)"},
        {'g', 6, "0101", "!4 digits, where the genotypes before it have 6"},
        {'g', 4, "01 1", "!not digits alone"},
        {'f', 0, "0", ""},
        {'f', 6, "0", ""},
        {'f', 0, "098101", "98,101"},
        {'f', 0, "101", "101"},
        {'f', 0, "000101", ""},
        {'f', 6, "101", "!3 digits, where the genotypes before it have 6"},
        {'f', 0, "1011", "!4 digits, where a genotype has 3 (one allele) or 6 (two), as line 1 says"},
        {'f', 0, "101301", "!allele 301 is above the highest allele of line 1, 300"},
        {'f', 0, "-101", "!not digits alone"},
        {'d', 0, "101101103", "101,103"},
        {'d', 0, "101000103", "101,103"},  // an allele of zeros is left out
        {'d', 0, "098", "98"},             // fewer alleles than the ploidy
        {'d', 0, "", ""},
        {'d', 0, "0", ""},
        {'d', 0, "000000000000", ""},
        {'d', 0, "10110", "!5 digits, not a whole number of alleles of 3 digits"},
        {'d', 0, "101102103104105", "!5 alleles, more than the ploidy, 4"},
        {'d', 0, "10l", "!not digits alone"},
        {'s', 0, "-9", ""},
        {'s', 0, "0012", "12"},
        {'s', 0, "999999999", "999999999"},
        {'s', 0, "1000000000", "!bad"},
        {'s', 0, "0", "!bad"},
        {'s', 0, "-1", "!bad"},
        {'x', 0, "", ""},
        {'x', 0, "0", ""},
        {'x', 0, "-1", ""},
        {'x', 0, "152", "152"},
        {'x', 0, "-9", "!bad"},
        {'x', 0, "15.2", "!bad"},
    };
    for (const Case& c : cases) EXPECT_EQ(read(c.format, c.width, c.text), c.read) << c.format << " " << c.text;
}

// The first genotype sets the width of the file's.
TEST(GenotypeText, FirstGenotypeSetsTheWidth) {
    std::size_t width = 0;
    std::string out;
    EXPECT_EQ(read_genepop_genotype("101103", width, out), "");
    EXPECT_EQ(read_genepop_genotype("0101", width, out), "4 digits, where the genotypes before it have 6");
    width = 0;
    EXPECT_EQ(read_fstat_genotype("0", 2, width, 99, out), "");  // a missing 0 sets nothing
    EXPECT_EQ(read_fstat_genotype("12", 2, width, 99, out), "");
    EXPECT_EQ(read_fstat_genotype("1213", 2, width, 99, out), "4 digits, where the genotypes before it have 2");
}

}  // namespace
}  // namespace phenostat

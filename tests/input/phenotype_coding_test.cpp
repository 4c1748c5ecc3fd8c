#include "input/phenotype_coding.h"

#include <gtest/gtest.h>

#include <sstream>

namespace phenostat {
namespace {

using Codes = std::vector<std::int64_t>;

Codes parse(std::string_view text) {
    Codes codes{99};  // parse_phenotype must replace whatever was there
    parse_phenotype(text, codes);
    return codes;
}

Codes parse_normalised(std::string_view text) {
    Codes codes = parse(text);
    normalise_phenotype(codes);
    return codes;
}

// Loads a data text, builds its catalogue and codes every locus.
struct Coded {
    explicit Coded(const std::string& text) {
        std::istringstream measure_in(text);
        std::istringstream load_in(text);
        data = load_data(load_in, measure_data(measure_in));
        catalogue = build_sample_catalogue(data.table);
        error = code_all_loci(data, catalogue, coded);
    }
    LoadedData data;
    SampleCatalogue catalogue;
    CodedData coded;
    std::optional<CapacityError> error;
};

// One locus named `locus`, one sample, one row per field.
std::string one_locus_file(const std::vector<std::string>& fields, const std::string& locus = "D7") {
    std::string text = "G\tS\tI\t" + locus + "\n";
    for (const std::string& field : fields) text += "g\tA\ti\t" + field + "\n";
    return text;
}

std::string code_list(int first, int last, const std::string& extra = "") {
    std::string text;
    for (int code = first; code <= last; ++code) text += std::to_string(code) + ",";
    return text + extra;
}

TEST(PhenotypeText, ItemsAndSeparators) {
    EXPECT_EQ(parse("15,12,9"), (Codes{15, 12, 9}));
    EXPECT_EQ(parse("12 ,15"), (Codes{15}));
    EXPECT_EQ(parse(" 12, 15"), (Codes{12, 15}));
    EXPECT_EQ(parse("1.5"), (Codes{5}));
    EXPECT_EQ(parse("-5"), (Codes{5}));
    EXPECT_EQ(parse("12a,15"), (Codes{15}));
    EXPECT_EQ(parse("a12,15"), (Codes{12, 15}));
    EXPECT_EQ(parse("12;15"), (Codes{15}));
    EXPECT_EQ(parse("12,,15,"), (Codes{12, 15}));
    EXPECT_EQ(parse("007,12"), (Codes{7, 12}));
    EXPECT_EQ(parse("0,00,3"), (Codes{3}));
    for (const char* missing : {"", "0", "?", "-", "a,b", ",,"}) EXPECT_EQ(parse(missing), Codes{}) << missing;
}

TEST(PhenotypeText, NormalisedIsSortedAndDistinct) {
    EXPECT_EQ(parse_normalised("15,12,9"), (Codes{9, 12, 15}));
    EXPECT_EQ(parse_normalised("12,12"), (Codes{12}));
    EXPECT_EQ(parse_normalised("15,12,15"), (Codes{12, 15}));
}

TEST(PhenotypeText, LongCodes) {
    EXPECT_EQ(parse("0000000000007"), (Codes{7}));
    EXPECT_EQ(parse("1234567890"), (Codes{1234567890}));
    EXPECT_EQ(parse("9223372036854775807"), (Codes{9223372036854775807}));
    EXPECT_EQ(parse("9223372036854775808,4"), (Codes{MAX_ALLELE_CODE + 1, 4}));
    EXPECT_EQ(parse(std::string(400, '9') + ",5"), (Codes{MAX_ALLELE_CODE + 1, 5}));
    std::string many;
    for (int i = 0; i < 100000; ++i) many += std::to_string(i % 7 + 1) + ",";
    EXPECT_EQ(parse(many).size(), 100000u);
    EXPECT_EQ(parse_normalised(many), (Codes{1, 2, 3, 4, 5, 6, 7}));
}

TEST(CodeAllLoci, NumbersAllelesAndPhenotypesInOrderOfFirstAppearance) {
    const Coded run(
        "G\tS\tI\tL1\tL2\n"
        "g\tA\t1\t15,12\t\n"
        "g\tA\t2\t12\t3\n"
        "g\tB\t3\t7,15\t?\n"
        "g\tB\t4\t12,15,12\t0\n"
        "g\tB\t5\ta,b\n");
    ASSERT_FALSE(run.error);
    ASSERT_EQ(run.coded.loci.size(), 2u);

    const CodedLocus& l1 = run.coded.loci[0];
    EXPECT_EQ(l1.allele_codes, (std::vector<std::int32_t>{12, 15, 7}));
    EXPECT_EQ(l1.phenotype_begin, (std::vector<std::uint32_t>{0, 2, 3, 5}));
    EXPECT_EQ(l1.phenotype_alleles, (std::vector<std::uint8_t>{0, 1, 0, 2, 1}));  // {12,15} {12} {7,15}
    EXPECT_EQ(l1.individuals, (std::vector<std::int32_t>{0, 1, 2, 0}));
    EXPECT_EQ(l1.sample_begin, (std::vector<std::uint32_t>{0, 2, 4}));
    EXPECT_EQ(l1.phenotype_size(2), 2u);

    // Sample B is typed nowhere at L2.
    const CodedLocus& l2 = run.coded.loci[1];
    EXPECT_EQ(l2.allele_codes, (std::vector<std::int32_t>{3}));
    EXPECT_EQ(l2.individuals, (std::vector<std::int32_t>{0}));
    EXPECT_EQ(l2.typed_count(0), 1u);
    EXPECT_EQ(l2.typed_count(1), 0u);
}

TEST(CodeAllLoci, WithinCapacities) {
    std::vector<std::string> fields;
    for (int code = 1; code < 200; ++code) fields.push_back(std::to_string(code));
    fields.push_back("999999999");
    fields.push_back(code_list(1, 20, "1,20,0"));  // 23 codes, 20 distinct
    fields.push_back("0000000000007,0000000000999999999");  // leading zeros do not count
    std::string repeated;
    for (int i = 0; i < 100000; ++i) repeated += "7,";
    fields.push_back(repeated);
    const Coded run(one_locus_file(fields));
    ASSERT_FALSE(run.error) << run.error->message;
    EXPECT_EQ(run.coded.loci[0].allele_count(), 200u);
    EXPECT_EQ(run.coded.loci[0].phenotype_size(200), 20u);
}

TEST(CodeAllLoci, CapacityErrors) {
    struct Case {
        std::vector<std::string> fields;
        CapacityError::Kind kind;
        std::size_t row;
        std::string message;
    };
    std::vector<std::string> many_alleles;
    for (int code = 1; code <= 201; ++code) many_alleles.push_back(std::to_string(code));
    const std::string too_many = ", line 4 of the data file: an individual has more than 20 distinct allele codes; "
                                 "this version handles at most 20 alleles per phenotype.";
    const std::string too_large = ", line 3 of the data file: an allele code is larger than 999999999.";
    const std::vector<Case> cases = {
        {many_alleles, CapacityError::Kind::too_many_alleles, 200,
         "\n\nLocus D7 has more than 200 distinct alleles; this version handles at most 200 alleles per locus."},
        {{"1", "", code_list(1, 21)}, CapacityError::Kind::too_many_codes, 2, "\n\nLocus D7" + too_many},
        {{"", "1234567890"}, CapacityError::Kind::code_too_large, 1, "\n\nLocus D7" + too_large},
        {{"", std::string(400, '1')}, CapacityError::Kind::code_too_large, 1, "\n\nLocus D7" + too_large},
        // The code size is checked before the number of codes.
        {{"", code_list(1, 30, "1000000000")}, CapacityError::Kind::code_too_large, 1, "\n\nLocus D7" + too_large},
        {{"1", "", code_list(1, 99999)}, CapacityError::Kind::too_many_codes, 2, "\n\nLocus D7" + too_many},
    };
    for (const Case& c : cases) {
        const Coded run(one_locus_file(c.fields));
        ASSERT_TRUE(run.error) << c.message;
        EXPECT_EQ(run.error->kind, c.kind);
        EXPECT_EQ(run.error->locus, 0u);
        EXPECT_EQ(run.error->row, c.row);
        EXPECT_EQ(run.error->message, c.message);
    }
}

TEST(CodeAllLoci, FirstViolationWinsAndEmptyNamesPrintAsIs) {
    // Locus 0 (unnamed) fails at a later row than locus 1; loci are walked first.
    const Coded run(
        "G\tS\tI\t\tL2\n"
        "g\tA\t1\t1\t9999999999\n"
        "g\tA\t2\t" + code_list(1, 21) + "\t1\n");
    ASSERT_TRUE(run.error);
    EXPECT_EQ(run.error->kind, CapacityError::Kind::too_many_codes);
    EXPECT_EQ(run.error->locus, 0u);
    EXPECT_EQ(run.error->message.substr(0, 17), "\n\nLocus , line 3 ");
}

}  // namespace
}  // namespace phenostat

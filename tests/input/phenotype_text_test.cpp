// Phenotype texts to allele codes: as read in field order, and as kept.

#include <gtest/gtest.h>

#include "support/program.h"

namespace phenostat {
namespace {

using testing::Codes;

TEST(PhenotypeText, CodesOfAField) {
    const std::int64_t over = 1000000000;  // any code too long for 64 bits reads as this, over the limit
    struct Case {
        std::string text;
        Codes parsed, kept;
    };
    const Case cases[] = {
        {"15,12,9", {15, 12, 9}, {9, 12, 15}},
        {"15,12,15,12", {15, 12, 15, 12}, {12, 15}},  // repeated codes count once
        {"12 ,15", {15}, {15}},                       // any other character drops the digits before it
        {" 12, 15", {12, 15}, {12, 15}},
        {"1.5", {5}, {5}},
        {"-5", {5}, {5}},
        {"12a,15", {15}, {15}},
        {"a12,15", {12, 15}, {12, 15}},
        {"12;15", {15}, {15}},
        {"12,,15,", {12, 15}, {12, 15}},
        {"007,0,00,3", {7, 3}, {3, 7}},  // code 0 is no allele
        {"", {}, {}},
        {"0", {}, {}},
        {"?", {}, {}},
        {",,", {}, {}},
        {"1234567890", {1234567890}, {1234567890}},
        {"9223372036854775807", {9223372036854775807}, {9223372036854775807}},
        {"9223372036854775808,4", {over, 4}, {4, over}},
        {std::string(400, '9') + ",5", {over, 5}, {5, over}},
    };
    for (const Case& c : cases) EXPECT_EQ(testing::codes_of(c.text), std::pair(c.parsed, c.kept)) << c.text;
}

}  // namespace
}  // namespace phenostat

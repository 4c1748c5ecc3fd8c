#include "reports/significance_report.h"

#include <gtest/gtest.h>

#include <string>

namespace phenostat {
namespace {

const std::string REPORT_START =
    "\n\n\nSignificant Differences between Groups"
    "\n\nP-values based on the proportion or randomised samples that give a test statistic greater "
    "than the observed one "
    "\n\n"
    "\tAv. number of alleles per sample"
    "\tAv. number of phenotypes per sample"
    "\tAv. number of unshared alleles between pairs of individuals within samples"
    "\tAv. number of unshared alleles between pairs of individuals across all samples"
    "\t(unshared alleles) F'st"
    "\tAv. Shannon-Weaver phenotype diversity within samples"
    "\tShannon-Weaver phenotype diversity accross all samples"
    "\t(Shannon-Weaver) F'st"
    "\tAv. p(1-p) phenotype diversity within samples"
    "\tp(1-p) phenotype diversity accross all samples"
    "\t(p(1-p)) F'st"
    "\tAverage number of different alleles carried by each individual"
    "\tPsLD"
    "\n";

TEST(SignificanceReportTest, SingleGroupGivesThirteenOnes) {
    std::array<double, 13> p_values;
    p_values.fill(1.0);
    std::string values;
    for (int i = 0; i < 13; ++i) values += "\t1.00000";
    EXPECT_EQ(group_report_text(p_values), REPORT_START + values);
}

TEST(SignificanceReportTest, ValuesAreRoundedToFiveDecimalsInOrder) {
    const std::array<double, 13> p_values = {0,     0.000005, 0.0000049, 0.123456, 0.5,  0.999996, 1,
                                             0.25,  0.1,      0.01,      0.001,    1e-4, 0.333333};
    EXPECT_EQ(group_report_text(p_values),
              REPORT_START +
                  "\t0.00000\t0.00001\t0.00000\t0.12346\t0.50000\t1.00000\t1.00000"
                  "\t0.25000\t0.10000\t0.01000\t0.00100\t0.00010\t0.33333");
}

}  // namespace
}  // namespace phenostat

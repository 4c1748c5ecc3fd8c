#include "reports/significance_report.h"

#include <string_view>

#include "reports/output_file.h"
#include "reports/text.h"

namespace phenostat {
namespace {

// The same texts as the stats-file column titles of these statistics.
constexpr std::string_view COMPARED_TITLES[COMPARED_STATISTIC_COUNT] = {
    "Av. number of alleles per sample",
    "Av. number of phenotypes per sample",
    "Av. number of unshared alleles between pairs of individuals within samples",
    "Av. number of unshared alleles between pairs of individuals across all samples",
    "(unshared alleles) F'st",
    "Av. Shannon-Weaver phenotype diversity within samples",
    "Shannon-Weaver phenotype diversity accross all samples",
    "(Shannon-Weaver) F'st",
    "Av. p(1-p) phenotype diversity within samples",
    "p(1-p) phenotype diversity accross all samples",
    "(p(1-p)) F'st",
    "Average number of different alleles carried by each individual",
    "PsLD",
};

}  // namespace

std::string group_report_text(const std::array<double, COMPARED_STATISTIC_COUNT>& p_values) {
    std::string out =
        "\n\n\nSignificant Differences between Groups"
        "\n\nP-values based on the proportion or randomised samples that give a test statistic "
        "greater than the observed one "
        "\n\n";
    for (std::string_view title : COMPARED_TITLES) {
        out.push_back('\t');
        out.append(title);
    }
    out.push_back('\n');
    for (double p : p_values) appendf(out, "\t%1.5f", p);
    return out;
}

void append_group_report(const std::string& path,
                         const std::array<double, COMPARED_STATISTIC_COUNT>& p_values) {
    append_to_file(path, group_report_text(p_values));
}

}  // namespace phenostat

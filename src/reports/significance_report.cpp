#include "reports/significance_report.h"

#include <string_view>

#include "reports/stats_file.h"
#include "base/text.h"

namespace phenostat {
namespace {

// The title of the stats-file column that prints `field`.
std::string_view column_title(LocusStatsField field) {
    for (std::size_t c = 0; c < std::size(PRINTED_FIELDS); ++c)
        if (PRINTED_FIELDS[c] == field) return STATS_COLUMN_TITLES[c];
    return {};
}

}  // namespace

std::string group_report_text(const std::array<double, COMPARED_STATISTIC_COUNT>& p_values) {
    std::string out =
        "\n\n\nSignificant Differences between Groups"
        "\n\nP-values based on the proportion or randomised samples that give a test statistic "
        "greater than the observed one "
        "\n\n";
    for (const LocusStatsField field : COMPARED_FIELDS) {
        out.push_back('\t');
        out.append(column_title(field));
    }
    out.push_back('\n');
    for (double p : p_values) appendf(out, "\t%1.5f", p);
    return out;
}

}  // namespace phenostat

#include "reports/significance_report.h"

#include "base/text.h"

namespace phenostat {

std::string group_report_text(const std::array<double, COMPARED_STATISTIC_COUNT>& p_values) {
    std::string out = "\n\n\nSignificant Differences between Groups"
                      "\n\nP-values based on the proportion or randomised samples that give a test statistic "
                      "greater than the observed one "
                      "\n\n";
    for (const Statistic& statistic : STATISTICS) {
        if (!statistic.compared) continue;
        out.push_back('\t');
        out.append(statistic.title);
    }
    out.push_back('\n');
    for (double p : p_values) appendf(out, "\t%1.5f", p);
    return out;
}

}  // namespace phenostat

#pragma once
// The last section of the stats file: the P-values of the group permutation
// test, one per compared statistic, under their column titles.

#include <array>
#include <string>

#include "stats/statistics.h"

namespace phenostat {

// Title, explanation, the header line of the 13 titles (each after a tab),
// then the value line "\t%1.5f" per P-value. No line end after the last value.
std::string group_report_text(const std::array<double, COMPARED_STATISTIC_COUNT>& p_values);

}  // namespace phenostat

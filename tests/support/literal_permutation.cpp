#include "support/literal_permutation.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace phenostat::literal {
namespace {

// Per compared statistic, the sum over pairs of groups i < j of the squared difference.
ComparedStatistics test_statistics(const std::vector<GroupedRow>& rows, const std::vector<std::string>& group_of_run,
                                   const std::vector<std::string>& groups) {
    std::vector<LocusStats> averages;
    for (const std::string& group : groups) averages.push_back(group_table(rows, group_of_run, group).average);
    ComparedStatistics out{};
    for (std::size_t k = 0; k < COMPARED_STATISTIC_COUNT; ++k) {
        for (std::size_t i = 0; i < averages.size(); ++i) {
            for (std::size_t j = i + 1; j < averages.size(); ++j) {
                const double d = averages[i].*COMPARED_FIELDS[k] - averages[j].*COMPARED_FIELDS[k];
                out[k] += d * d;
            }
        }
    }
    return out;
}

}  // namespace

ComparedStatistics permutation_p_values(const std::vector<GroupedRow>& rows, int permutations, std::uint32_t seed) {
    std::vector<std::string> slots, groups;  // slot k: the group on the first line of sample k
    for (std::size_t start : run_starts(rows)) {
        slots.push_back(rows[start].group);
        if (!slots.back().empty() && std::find(groups.begin(), groups.end(), slots.back()) == groups.end())
            groups.push_back(slots.back());
    }
    const ComparedStatistics observed = test_statistics(rows, slots, groups);
    std::vector<std::size_t> order(slots.size());
    for (std::size_t s = 0; s < order.size(); ++s) order[s] = s;
    std::vector<std::string> group_of(slots.size());
    std::uint32_t state = seed;
    ComparedStatistics p{};
    for (int r = 0; r < permutations; ++r) {
        for (std::size_t i = 0; i + 1 < order.size(); ++i) {
            state = state * 22695477u + 1u;
            const double x = static_cast<double>((state >> 16) & 0x7fffu), left = static_cast<double>(order.size() - i);
            std::swap(order[i], order[i + static_cast<std::size_t>(std::floor(x * left / 32768.0))]);
        }
        for (std::size_t k = 0; k < order.size(); ++k) group_of[order[k]] = slots[k];  // position k takes slot k
        const ComparedStatistics replicate = test_statistics(rows, group_of, groups);
        for (std::size_t k = 0; k < p.size(); ++k)
            if (replicate[k] >= observed[k]) p[k] += 1.0 / permutations;
    }
    return p;
}

}  // namespace phenostat::literal

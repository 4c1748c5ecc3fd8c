#include "literal_permutation.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "base/random_generator.h"

namespace phenostat::literal {

ComparedStatistics permutation_p_values(std::vector<GroupedRow> rows, int permutations, std::uint32_t seed) {
    // The samples (runs of equal names) and the group on each one's first row.
    std::vector<std::string> shuffled, slots;
    std::vector<GroupedRow> first_rows;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (r > 0 && rows[r].row.sample == rows[r - 1].row.sample) continue;
        shuffled.push_back(rows[r].row.sample);
        slots.push_back(rows[r].group);
        first_rows.push_back(rows[r]);
    }
    const std::vector<std::string> groups = group_names(first_rows);
    auto statistic_of = [&](const std::vector<GroupedRow>& current) {
        std::vector<ComparedStatistics> values;
        for (const std::string& group : groups) values.push_back(group_compared_statistics(current, group));
        return test_statistics(values);
    };
    const ComparedStatistics observed = statistic_of(rows);

    RandomGenerator random(seed);
    ComparedStatistics p{};
    const std::size_t count = shuffled.size();
    for (int r = 0; r < permutations; ++r) {
        for (std::size_t i = 0; i + 1 < count; ++i) {
            const double x = random.next();
            const auto k = i + static_cast<std::size_t>(std::floor(x * static_cast<double>(count - i) / 32768.0));
            std::swap(shuffled[i], shuffled[k]);
        }
        for (auto& row : rows) {
            const auto k = std::find(shuffled.begin(), shuffled.end(), row.row.sample) - shuffled.begin();
            row.group = slots[static_cast<std::size_t>(k)];
        }
        const ComparedStatistics replicate = statistic_of(rows);
        for (std::size_t k = 0; k < p.size(); ++k)
            if (replicate[k] >= observed[k]) p[k] += 1.0 / permutations;
    }
    return p;
}

}  // namespace phenostat::literal

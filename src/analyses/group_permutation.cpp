#include "analyses/group_permutation.h"

#include <algorithm>
#include <numeric>

#include "base/ties.h"

namespace phenostat {
namespace {

// Tasks handed out at a time: one per thread, as a block's replicates are
// shared evenly among them and cost about the same.
constexpr std::size_t TASKS_PER_THREAD_AND_BLOCK = 1;
// At most this many replicates computed together, each locus unpacked once
// for all of them; a block's replicates are shared evenly among its tasks.
constexpr std::size_t REPLICATES_PER_TASK = 128;

}  // namespace

void shuffle_samples(std::vector<std::size_t>& order, RandomGenerator& random) {
    const std::size_t count = order.size();
    for (std::size_t i = 0; i + 1 < count; ++i) {
        const auto x = static_cast<std::size_t>(random.next());
        const std::size_t k = i + x * (count - i) / 32768;
        std::swap(order[i], order[k]);
    }
}

ComparedValues test_statistics(std::span<const LocusStats> groups) {
    ComparedValues total{};
    for (std::size_t k = 0; k < total.size(); ++k) {
        // Groups whose values differ only by rounding (sums taken in another
        // order) do not differ: their statistic is 0, not noise in the last bits.
        double low = 0, high = 0;
        for (std::size_t i = 0; i < groups.size(); ++i) {
            const double v = groups[i].*COMPARED_FIELDS[k];
            low = i == 0 ? v : std::min(low, v);
            high = i == 0 ? v : std::max(high, v);
        }
        if (equal_up_to_rounding(low, high)) continue;
        for (std::size_t i = 0; i < groups.size(); ++i) {
            for (std::size_t j = i + 1; j < groups.size(); ++j) {
                const double d = groups[i].*COMPARED_FIELDS[k] - groups[j].*COMPARED_FIELDS[k];
                total[k] += d * d;
            }
        }
    }
    return total;
}

namespace {

// Each group's compared values from its averages.
std::vector<ComparedValues> compared_values(std::span<const LocusStats> averages) {
    std::vector<ComparedValues> values(averages.size());
    for (std::size_t g = 0; g < averages.size(); ++g)
        for (std::size_t k = 0; k < COMPARED_STATISTIC_COUNT; ++k) values[g][k] = averages[g].*COMPARED_FIELDS[k];
    return values;
}

}  // namespace

PermutationResult permutation_test(const Dataset& data, const GroupCatalogue& groups, int permutations,
                                   RandomGenerator& random, Progress& progress) {
    PermutationResult result;
    result.permutations = permutations;
    const std::size_t group_count = groups.names.size();
    const std::size_t sample_count = groups.slots.size();
    PerThread<GroupScratch> scratch;
    std::vector<LocusStats> averages(group_count);
    compute_group_averages(data, groups.slots, sample_count, group_count, scratch.local(), averages);
    result.group_values = compared_values(averages);
    result.observed = test_statistics(averages);

    // Replicates in blocks: each block's shuffles drawn in order from the one
    // generator, its replicates spread over the threads a few at a time, then
    // counted and reported in order.
    const auto total = static_cast<std::size_t>(permutations);
    const std::size_t block = std::min(total, REPLICATES_PER_TASK * TASKS_PER_THREAD_AND_BLOCK * team_size());
    std::vector<std::size_t> order(sample_count);
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::vector<std::size_t> group_of(block * sample_count);
    averages.resize(block * group_count);
    std::vector<ComparedValues> statistics(block);
    for (std::size_t start = 0; start < total; start += block) {
        const std::size_t size = std::min(block, total - start);
        for (std::size_t r = 0; r < size; ++r) {
            shuffle_samples(order, random);
            std::size_t* const assignment = &group_of[r * sample_count];
            for (std::size_t k = 0; k < sample_count; ++k) assignment[order[k]] = groups.slots[k];
        }
        // Each replicate's averages are its own whichever task computes it.
        const std::size_t tasks = std::min(size, TASKS_PER_THREAD_AND_BLOCK * team_size());
        const std::size_t per_task = (size + tasks - 1) / tasks;
        parallel_for(tasks, 1, [&](std::size_t t) {
            const std::size_t first = std::min(size, t * per_task), count = std::min(per_task, size - first);
            if (count == 0) return;
            const std::span<LocusStats> out(&averages[first * group_count], count * group_count);
            compute_group_averages(data, std::span(&group_of[first * sample_count], count * sample_count), sample_count,
                                   group_count, scratch.local(), out);
            for (std::size_t r = 0; r < count; ++r)
                statistics[first + r] = test_statistics(out.subspan(r * group_count, group_count));
        });
        for (std::size_t r = 0; r < size; ++r) {
            for (std::size_t k = 0; k < COMPARED_STATISTIC_COUNT; ++k) {
                if (!reaches(statistics[r][k], result.observed[k])) continue;
                ++result.at_least[k];
                result.p_values[k] += 1.0 / permutations;
            }
            progress.step(start + r + 1, total);
        }
    }
    return result;
}

}  // namespace phenostat

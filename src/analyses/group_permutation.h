#pragma once
// The group test: the observed differences between the groups' averages
// against those of the samples shuffled between the groups.

#include <array>
#include <cstddef>
#include <span>
#include <vector>

#include "analyses/groups.h"
#include "base/progress.h"
#include "base/random_generator.h"
#include "stats/dataset.h"

namespace phenostat {

using ComparedValues = std::array<double, COMPARED_STATISTIC_COUNT>;

struct PermutationResult {
    std::vector<ComparedValues> group_values;               // each group's compared averages, observed
    ComparedValues observed{};                              // the observed test statistics
    std::array<long, COMPARED_STATISTIC_COUNT> at_least{};  // replicates whose statistic reached the observed one
    ComparedValues p_values{};                              // at_least / permutations, summed as 1/N per replicate
    int permutations = 0;
};

// `permutations` replicates, each a further shuffle of the sample order
// (never reset) in which the sample at position k takes the group of slot k;
// every group's compared values come from the per-sample summaries. The
// observed values come from the very computation the replicates use, so a
// replicate that restores the observed grouping ties exactly.
PermutationResult permutation_test(const Dataset& data, const GroupCatalogue& groups, int permutations,
                                   RandomGenerator& random, Progress& progress);

// One replicate's shuffle of the sample order: for i = 0 .. S-2, draw x
// (0..32767) and exchange positions i and i + floor(x (S - i) / 32768).
void shuffle_samples(std::vector<std::size_t>& order, RandomGenerator& random);

// Per compared statistic, the sum over pairs of groups i < j of the squared
// difference of their averages; 0 when all the averages are equal up to
// rounding (base/ties.h).
ComparedValues test_statistics(std::span<const LocusStats> groups);

}  // namespace phenostat

#pragma once
// The group analysis, split so that its parts can be tested without files:
// the groups of the catalogue, the shuffle and the test statistic.

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "input/sample_catalogue.h"
#include "stats/random_generator.h"

namespace phenostat {

inline constexpr std::size_t NO_GROUP = static_cast<std::size_t>(-1);

// Every catalogue sample belongs, with all its rows, to the group named on its
// first row (an empty name: to no group).
struct GroupCatalogue {
    std::vector<std::string> names;      // distinct non-empty groups, in order of first appearance
    std::vector<std::size_t> sizes;      // samples per group
    std::vector<std::size_t> slots;      // group of each catalogue position, or NO_GROUP
};
GroupCatalogue build_group_catalogue(const SampleCatalogue& catalogue);

// One replicate's shuffle of the sample order: for i = 0 .. S-2, draw x and
// exchange positions i and i + floor(x (S - i) / 32768).
void shuffle_samples(std::vector<std::size_t>& order, RandomGenerator& random);

// The members of each group when the sample at position k of `order` takes
// the group of slot k; members are listed in catalogue order.
void assign_groups(const std::vector<std::size_t>& order, const std::vector<std::size_t>& slots,
                   std::vector<std::vector<std::size_t>>& members);

// Per compared statistic, the sum over pairs of groups i < j of the squared difference.
using ComparedValues = std::array<double, 13>;
ComparedValues test_statistics(const std::vector<ComparedValues>& groups);

}  // namespace phenostat

#pragma once
// The group analysis, split so that its parts can be tested without files:
// the groups of the catalogue, the shuffle and the test statistic.

#include <array>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "analyses/set_statistics.h"
#include "base/console.h"
#include "input/sample_catalogue.h"
#include "base/random_generator.h"

namespace phenostat {

// Every catalogue sample belongs, with all its rows, to the group named on its
// first row (an empty name: to no group).
struct GroupCatalogue {
    std::vector<std::string> names;      // distinct non-empty groups, in order of first appearance
    std::vector<std::size_t> sizes;      // samples per group
    std::vector<std::size_t> slots;      // group of each catalogue position, or NO_GROUP
};
GroupCatalogue build_group_catalogue(const SampleCatalogue& catalogue);

// One replicate's shuffle of the sample order: for i = 0 .. S-2, draw x
// (0..32767) and exchange positions i and i + floor(x (S - i) / 32768).
template <class Draw>
void shuffle_samples(std::vector<std::size_t>& order, Draw&& draw) {
    const std::size_t count = order.size();
    for (std::size_t i = 0; i + 1 < count; ++i) {
        const auto x = static_cast<std::size_t>(draw());
        const std::size_t k = i + x * (count - i) / 32768;
        std::swap(order[i], order[k]);
    }
}
inline void shuffle_samples(std::vector<std::size_t>& order, RandomGenerator& random) {
    shuffle_samples(order, [&random] { return random.next(); });
}

// The group of every sample when the sample at position k of `order` takes
// the group of slot k.
void assign_groups(const std::vector<std::size_t>& order, const std::vector<std::size_t>& slots,
                   std::vector<std::size_t>& group_of);

// The samples of group g, in catalogue order.
std::vector<std::size_t> members_of(const std::vector<std::size_t>& group_of, std::size_t g);

// Per compared statistic, the sum over pairs of groups i < j of the squared difference.
using ComparedValues = std::array<double, COMPARED_STATISTIC_COUNT>;
ComparedValues test_statistics(const std::vector<ComparedValues>& groups);

// The compared values of every group under the assignment `group_of`: the
// one computation behind both the observed values and every replicate's.
void group_compared_values(const CodedLoci& loci, const std::vector<std::size_t>& group_of,
                           std::size_t group_count, GroupScratch& scratch, std::vector<LocusStats>& averages,
                           std::vector<ComparedValues>& values);

// The permutation test proper: `permutations` replicates, each a further
// shuffle of `order` (never reset), every group's compared values computed from
// the per-sample summaries. A P-value adds 1/N for every replicate whose test
// statistic is at least the observed one. Prints one line per replicate.
ComparedValues permutation_p_values(const CodedLoci& loci, const GroupCatalogue& groups,
                                    const ComparedValues& observed, int permutations, RandomGenerator& random,
                                    Console& console);

}  // namespace phenostat

#pragma once
// The groups of samples (column 0 of each sample's first line) and the
// statistics of each group.

#include <cstddef>
#include <string>
#include <vector>

#include "analyses/set_statistics.h"
#include "base/warning.h"
#include "input/sample_catalogue.h"
#include "stats/dataset.h"

namespace phenostat {

// Every catalogue sample belongs, with all its rows, to the group named on its
// first row (an empty name: to no group).
struct GroupCatalogue {
    std::vector<std::string> names;  // distinct non-empty groups, in order of first appearance
    std::vector<std::size_t> sizes;  // samples per group
    std::vector<std::size_t> slots;  // group of each catalogue position, or NO_GROUP
};
GroupCatalogue build_group_catalogue(const SampleCatalogue& catalogue);

// The catalogue's groups; FatalError when no sample belongs to one.
GroupCatalogue compared_groups(const Dataset& data);
// Each group's statistics in turn, handed to `sink` locus by locus (begin and
// end around each group, by its number in `groups`).
void analyse_groups(const Dataset& data, const GroupCatalogue& groups, SetScratch& scratch, SetRecordSink& sink);

// What a group test of `permutations` replicates cannot show: one group
// alone, or fewer distinct assignments than replicates.
std::vector<Warning> group_test_warnings(const GroupCatalogue& groups, int permutations);

}  // namespace phenostat

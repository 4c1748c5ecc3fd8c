#pragma once
// The four analyses. Each reads the loaded data set only, returns plain
// records and does no file or console I/O; the long ones report how far they
// have come through a Progress.

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "analyses/bootstrap.h"
#include "analyses/set_statistics.h"
#include "base/progress.h"
#include "base/random_generator.h"
#include "input/coordinates.h"
#include "stats/dataset.h"

namespace phenostat {

// ---- All samples together ----

// The pooled tallies of one locus over all samples, in first-seen order
// (walking the samples in catalogue order and their individuals in file
// order); at most 500 phenotypes.
struct PooledTally {
    std::vector<TallyEntry> alleles;
    std::vector<TallyEntry> phenotypes;
};

struct AllSamplesResult {
    SetTable table;
    std::vector<PooledTally> tallies;  // one per locus
};
AllSamplesResult analyse_all_samples(const Dataset& data);

// ---- Pairs of samples ----

enum class DistanceStatus {
    none,          // no coordinates were given
    found,         // km holds the geodesic distance
    missing_site,  // a sample of the pair has no coordinates
    antipodal,     // nearly antipodal sites: the iteration did not converge
    not_finite,    // a coordinate is not a finite number
};

struct PairResult {
    std::size_t first = 0, second = 0;                     // catalogue indices, first < second
    double fst_unshared = 0, fst_shannon = 0, fst_pq = 0;  // the pair's averages across loci
    std::size_t loci_without_pairs_within = 0;
    DistanceStatus distance = DistanceStatus::none;
    double km = 0;         // when distance == found
    Interval fst_interval;  // of fst_unshared, with a bootstrap
};

// Every pair i < j in catalogue order, each analysed as a two-sample data
// set; with `sites`, the distance from sample j's site to sample i's; with
// `resamples`, a bootstrap interval of the F'st.
std::vector<PairResult> analyse_pairs(const Dataset& data, const Coordinates* sites, Progress& progress,
                                      const LocusResamples* resamples = nullptr);

// ---- Groups and the permutation test ----

// Every catalogue sample belongs, with all its rows, to the group named on its
// first row (an empty name: to no group).
struct GroupCatalogue {
    std::vector<std::string> names;  // distinct non-empty groups, in order of first appearance
    std::vector<std::size_t> sizes;  // samples per group
    std::vector<std::size_t> slots;  // group of each catalogue position, or NO_GROUP
};
GroupCatalogue build_group_catalogue(const SampleCatalogue& catalogue);

struct GroupTables {
    GroupCatalogue groups;
    std::vector<SetTable> tables;  // one per group, in name order
};
// FatalError when no sample belongs to a group.
GroupTables analyse_groups(const Dataset& data);

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

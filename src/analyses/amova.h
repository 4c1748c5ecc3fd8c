#pragma once
// AMOVA on allele presence over the samples (and the groups), with
// permutation tests of its Phi statistics, and the two-level Phi_ST of every
// pair of samples. Needs the data set's kept phenotype ids (Dataset::cells).

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "analyses/analyses.h"
#include "base/permutations.h"
#include "base/progress.h"
#include "stats/amova.h"
#include "stats/dataset.h"

namespace phenostat {

struct PhiTest {
    double value = 0;       // NaN: undefined
    long at_least = 0;      // replicates that reached the observed value
    long permutations = 0;  // replicates compared; 0: not tested (undefined value)
    bool exact = false;     // every distinct rearrangement compared, once each
    double p_value() const {
        return permutation_p(static_cast<std::uint64_t>(at_least), static_cast<std::uint64_t>(permutations), exact);
    }
};

struct AmovaResult {
    bool three_levels = false;          // two or more groups
    std::vector<std::size_t> samples;   // catalogue indices analysed, in file order
    std::vector<std::string> left_out;  // samples in no group, left out of a three-level analysis
    std::size_t individuals = 0, sample_count = 0, group_count = 0;  // typed at some locus
    std::size_t contributing_loci = 0;
    std::array<double, 3> ss{}, df{}, sigma2{};  // by level: AMONG_GROUPS, AMONG_SAMPLES, WITHIN_SAMPLES
    double total_ss = 0, total_df = 0;
    PhiTest phi_st, phi_sc, phi_ct;  // phi_sc and phi_ct only with three levels
};

// Three levels (groups, samples, individuals) when the samples fall in two
// or more groups, the samples in no group left out; else two levels over
// every sample. P-values from `permutations` replicates, each drawn from its
// own stream of `seed` (the same whatever the thread count), or from every
// rearrangement where a test has no more than that.
AmovaResult analyse_amova(const Dataset& data, const GroupCatalogue& groups, int permutations, std::uint32_t seed,
                          Progress& progress);

// The two-level Phi_ST of every pair of samples i < j in catalogue order
// (NaN where undefined), in the order of analyse_pairs.
std::vector<double> pairwise_phi_st(const Dataset& data);

}  // namespace phenostat

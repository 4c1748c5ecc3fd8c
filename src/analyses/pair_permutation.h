#pragma once
// A permutation test of every pair's unshared-alleles F'st (fst_unshared of
// analyse_pairs): the individuals of the two samples dealt anew between them,
// the sample sizes kept. Needs the data set's kept phenotype ids.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "analyses/analyses.h"
#include "base/progress.h"
#include "stats/dataset.h"

namespace phenostat {

struct PairTest {
    double observed = 0;           // the pair's fst_unshared, as the replicates compute it
    double p_value = 0;            // NaN: not tested (skipped by the adjustments)
    double p_bonferroni = 0;       // min(1, p m)
    double p_bh = 0;               // Benjamini-Hochberg
    bool exact = false;            // every split enumerated
    std::uint64_t replicates = 0;  // replicates or splits compared
};

// Every pair i < j in catalogue order (as analyse_pairs). A pair whose
// distinct splits number at most `permutations` is enumerated: P is the
// share of splits (the observed one included) that reach the observed value;
// else P = (1 + replicates reaching it) / (1 + permutations), each pair on its
// own stream of `seed`.
std::vector<PairTest> pair_tests(const Dataset& data, int permutations, std::uint32_t seed, Progress& progress);

// Adjusts the P-values (NaN ones skipped; m counts the others): Bonferroni
// min(1, p m), and Benjamini-Hochberg's step-up min over j >= rank of p_j m / j.
void adjust_p_values(std::vector<PairTest>& tests);

}  // namespace phenostat

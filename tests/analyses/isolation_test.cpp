// Isolation by distance on pairs made by hand: which pairs enter, and the
// Mantel test's count at ties.

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <vector>

#include "analyses/isolation.h"

namespace phenostat {
namespace {

// Every pair of `n` samples, with F'st and km from the functions given.
template <class Fst, class Km>
std::vector<PairResult> pairs_of(std::size_t n, Fst fst, Km km) {
    std::vector<PairResult> pairs;
    for (std::size_t i = 0; i + 1 < n; ++i) {
        for (std::size_t j = i + 1; j < n; ++j) {
            PairResult& pair = pairs.emplace_back();
            pair.first = i;
            pair.second = j;
            pair.fst_unshared = fst(i, j);
            pair.distance = DistanceStatus::found;
            pair.km = km(i, j);
        }
    }
    return pairs;
}

TEST(IsolationByDistance, PairsWithASampleOfOneIndividualAreLeftOut) {
    const auto pairs = pairs_of(
        5, [](std::size_t i, std::size_t j) { return 0.01 * static_cast<double>(i * 7 + j * j); },
        [](std::size_t i, std::size_t j) { return 10.0 * static_cast<double>(i + j * 3 + 1); });
    const std::vector<std::size_t> individuals = {4, 1, 2, 3, 2};
    const IsolationResult ibd =
        isolation_by_distance(pairs, individuals, GeneticScale::fst, GeographicScale::linear, 99, 5);
    std::vector<double> x, y;
    for (std::size_t k = 0; k < pairs.size(); ++k) {
        const bool with_sample_1 = pairs[k].first == 1 || pairs[k].second == 1;
        EXPECT_EQ(ibd.pairs[k].exclusion, with_sample_1 ? Exclusion::one_individual : Exclusion::none) << k;
        if (with_sample_1) continue;
        x.push_back(pairs[k].km);
        y.push_back(pairs[k].fst_unshared);
    }
    EXPECT_EQ(ibd.excluded[static_cast<std::size_t>(Exclusion::one_individual)], 4u);
    EXPECT_EQ(ibd.pairs_used, 6u);
    EXPECT_EQ(ibd.samples_used, 4u);
    EXPECT_DOUBLE_EQ(ibd.r, fit_line(x, y).r);
}

// Four samples at the corners of a rectangle, the genetic distance a function
// of the geographic one, decreasing, and off by a few units in the last place
// from pair to pair (as F'st computed from data can be): the observed r is the
// lowest any permutation can give, and the rectangle's symmetries give it
// again up to rounding. Every permutation reaches it.
TEST(IsolationByDistance, MantelReplicatesEqualUpToRoundingReachTheObservedR) {
    const double sides[][2] = {{0.3, 0.7}, {1.1, 0.37}, {2.9, 5.3}, {0.013, 0.071}, {7.7, 1.9}, {3.3, 3.1}};
    for (const auto& side : sides) {
        const double corner[4][2] = {{0, 0}, {side[0], 0}, {side[0], side[1]}, {0, side[1]}};
        auto km = [&](std::size_t i, std::size_t j) {
            return std::hypot(corner[i][0] - corner[j][0], corner[i][1] - corner[j][1]) * 123.4567;
        };
        const auto pairs = pairs_of(
            4,
            [&](std::size_t i, std::size_t j) {
                return 0.9 / (1 + km(i, j) / 77.7) * (1 + static_cast<double>(i + j) * DBL_EPSILON);
            },
            km);
        const std::vector<std::size_t> individuals(4, 2);
        const IsolationResult ibd =
            isolation_by_distance(pairs, individuals, GeneticScale::rousset, GeographicScale::log, 199, 11);
        ASSERT_TRUE(ibd.defined);
        EXPECT_LT(ibd.r, -0.5) << side[0];
        // Four samples have 24 orders, fewer than asked: each is compared once.
        EXPECT_TRUE(ibd.exact);
        EXPECT_EQ(ibd.permutations, 24);
        EXPECT_EQ(ibd.at_least, 24) << side[0];
    }
}

}  // namespace
}  // namespace phenostat

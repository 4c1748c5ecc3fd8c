// Consecutive seeds give independent results: for every analysis that draws
// at random, the P-values (or, for the bootstrap, an interval bound) of seeds
// 1..96 are correlated with those of seeds 1 + lag..96 + lag no more than
// independent runs would be, at every lag up to 16.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <string>

#include "analyses/bootstrap.h"
#include "analyses/isolation.h"
#include "support/program.h"

namespace phenostat {
namespace {

constexpr int SEEDS = 96, MAX_LAG = 16;

// Twelve samples of eight individuals in four groups, five loci of alleles
// drawn alike everywhere: no structure, so P-values spread over (0, 1].
const Dataset& unstructured_data() {
    static const Dataset data = [] {
        std::mt19937 random(7);
        std::string text = "group\tsample\tindividual\tL1\tL2\tL3\tL4\tL5";
        for (int s = 0; s < 12; ++s)
            for (int i = 0; i < 8; ++i) {
                text.append("\nG").append(std::to_string(s % 4)).append("\tS").append(std::to_string(s));
                text.append("\tx");
                for (int l = 0; l < 5; ++l) {
                    text.append("\t").append(std::to_string(11 + random() % 3));
                    text.append(",").append(std::to_string(14 + random() % 3));
                }
            }
        return testing::load_with_cells(text.append("\n"));
    }();
    return data;
}

double amova_p(std::uint32_t seed, PhiTest AmovaResult::*test) {
    NoProgress quiet;
    const Dataset& data = unstructured_data();
    const AmovaResult result = analyse_amova(data, build_group_catalogue(data.catalogue), 49, seed, quiet);
    return (result.*test).p_value();
}

double pair_test_p(std::uint32_t seed) {
    NoProgress quiet;
    return pair_tests(unstructured_data(), 49, seed, quiet)[0].p_value;
}

double mantel_p(std::uint32_t seed) {
    std::mt19937 random(3);
    std::vector<PairResult> pairs;
    for (std::size_t i = 0; i < 9; ++i)
        for (std::size_t j = i + 1; j < 9; ++j) {
            PairResult& pair = pairs.emplace_back();
            pair.first = i;
            pair.second = j;
            pair.fst_unshared = 0.01 * static_cast<double>(random() % 50);
            pair.distance = DistanceStatus::found;
            pair.km = 10.0 + static_cast<double>(random() % 1000);
        }
    const std::vector<std::size_t> individuals(9, 5);
    return isolation_by_distance(pairs, individuals, GeneticScale::fst, GeographicScale::linear, 49, seed).p;
}

double bootstrap_low(std::uint32_t seed) {
    const std::size_t loci = 20, replicates = 40;
    const LocusResamples resamples = draw_resamples(loci, replicates, seed);
    std::vector<double> means;
    for (std::size_t r = 0; r < replicates; ++r) {
        double sum = 0;
        for (std::size_t l = 0; l < loci; ++l) sum += resamples.replicate(r)[l] * static_cast<double>(l * l % 7);
        means.push_back(sum / static_cast<double>(loci));
    }
    return percentile_interval(means).low;
}

double correlation(const std::vector<double>& x, const std::vector<double>& y) {
    const auto n = static_cast<double>(x.size());
    double mx = 0, my = 0, sxy = 0, sxx = 0, syy = 0;
    for (std::size_t k = 0; k < x.size(); ++k) mx += x[k] / n, my += y[k] / n;
    for (std::size_t k = 0; k < x.size(); ++k) {
        sxy += (x[k] - mx) * (y[k] - my);
        sxx += (x[k] - mx) * (x[k] - mx);
        syy += (y[k] - my) * (y[k] - my);
    }
    return sxy / std::sqrt(sxx * syy);
}

TEST(SeedStreams, ConsecutiveSeedsGiveUncorrelatedResults) {
    const std::pair<const char*, std::function<double(std::uint32_t)>> analyses[] = {
        {"amova phi_st", [](std::uint32_t s) { return amova_p(s, &AmovaResult::phi_st); }},
        {"amova phi_sc", [](std::uint32_t s) { return amova_p(s, &AmovaResult::phi_sc); }},
        {"amova phi_ct", [](std::uint32_t s) { return amova_p(s, &AmovaResult::phi_ct); }},
        {"pair test", pair_test_p},
        {"mantel", mantel_p},
        {"bootstrap", bootstrap_low},
    };
    for (const auto& [name, result_of] : analyses) {
        std::vector<double> values;
        for (std::uint32_t seed = 1; seed <= SEEDS + MAX_LAG; ++seed) values.push_back(result_of(seed));
        for (int lag = 1; lag <= MAX_LAG; ++lag) {
            const std::vector<double> x(values.begin(), values.begin() + SEEDS);
            const std::vector<double> y(values.begin() + lag, values.begin() + lag + SEEDS);
            // Independent runs: r about normal with sd 1 / sqrt(n); allow four of them.
            EXPECT_LT(std::fabs(correlation(x, y)), 4.0 / std::sqrt(double{SEEDS})) << name << ", lag " << lag;
        }
    }
}

}  // namespace
}  // namespace phenostat

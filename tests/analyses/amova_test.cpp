// The AMOVA and the pair test against direct computations: sums of squares
// and components from the matrix of distances between individuals, P-values
// from independent permutations done that way, and the adjusted P-values of
// a hand-made list.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <map>
#include <numeric>
#include <random>
#include <set>

#include "support/program.h"

namespace phenostat {
namespace {

// Individuals with their group, sample and allele sets per locus (empty: not typed).
struct Individual {
    int group, sample;
    std::vector<std::set<int>> loci;
};

std::vector<Individual> random_individuals(std::mt19937& random, int groups, int samples, int loci, int missing,
                                           double shift) {
    std::vector<Individual> out;
    for (int s = 0; s < samples; ++s) {
        const int size = std::uniform_int_distribution<int>(1, 9)(random) + (s == 0 ? 0 : 2);
        for (int i = 0; i < size; ++i) {
            Individual individual{s % groups, s, {}};
            for (int l = 0; l < loci; ++l) {
                std::set<int> alleles;
                if (std::uniform_int_distribution<int>(1, 100)(random) > missing) {
                    const int count = std::uniform_int_distribution<int>(1, 3)(random);
                    std::normal_distribution<double> code(2.0 + shift * s, 1.5);
                    while (static_cast<int>(alleles.size()) < count)
                        alleles.insert(10 + std::clamp(static_cast<int>(std::lround(code(random))), 0, 8));
                }
                individual.loci.push_back(alleles);
            }
            out.push_back(individual);
        }
    }
    return out;
}

std::string data_text(const std::vector<Individual>& individuals, int loci) {
    std::string text = "group\tsample\tindividual";
    for (int l = 0; l < loci; ++l) text.append("\tL").append(std::to_string(l));
    for (std::size_t i = 0; i < individuals.size(); ++i) {
        const Individual& x = individuals[i];
        text.append("\nG").append(std::to_string(x.group)).append("\tS").append(std::to_string(x.sample));
        text.append("\t").append(std::to_string(i));
        for (const std::set<int>& alleles : x.loci) {
            text.append("\t");
            if (alleles.empty()) text.append("0");
            for (const int a : alleles) text.append(a == *alleles.begin() ? "" : ",").append(std::to_string(a));
        }
    }
    return text.append("\n");
}

struct Direct {
    std::array<double, 3> ss{}, sigma2{};
    double phi(int which) const {  // 0: ST, 1: SC, 2: CT
        const double total = sigma2[0] + sigma2[1] + sigma2[2];
        return which == 0   ? (sigma2[0] + sigma2[1]) / total
               : which == 1 ? sigma2[1] / (sigma2[1] + sigma2[2])
                            : sigma2[0] / total;
    }
};

// Locus by locus from the distances of the typed individuals; `sample_of`
// and `group_of` give each individual's labels.
Direct direct_amova(const std::vector<Individual>& x, const std::vector<int>& sample_of,
                    const std::vector<int>& group_of, bool three_levels) {
    Direct out;
    for (std::size_t l = 0; l < x[0].loci.size(); ++l) {
        std::vector<std::size_t> typed;
        for (std::size_t i = 0; i < x.size(); ++i)
            if (!x[i].loci[l].empty()) typed.push_back(i);
        const auto distance = [&](std::size_t i, std::size_t j) {
            std::vector<int> differ;
            std::set_symmetric_difference(x[i].loci[l].begin(), x[i].loci[l].end(), x[j].loci[l].begin(),
                                          x[j].loci[l].end(), std::back_inserter(differ));
            return static_cast<double>(differ.size());
        };
        // Sum over sets of sum_{i<j in set} d_ij / n_set, sets keyed by `key`.
        const auto ssd = [&](auto key) {
            std::map<int, std::pair<double, double>> sets;  // sum of distances, size
            for (std::size_t a = 0; a < typed.size(); ++a) {
                sets[key(typed[a])].second += 1;
                for (std::size_t b = a + 1; b < typed.size(); ++b)
                    if (key(typed[a]) == key(typed[b])) sets[key(typed[a])].first += distance(typed[a], typed[b]);
            }
            double sum = 0;
            for (const auto& [k, set] : sets) sum += set.first / set.second;
            return std::pair{sum, sets};
        };
        const auto [total, all] = ssd([](std::size_t) { return 0; });
        const auto [within_groups, groups] = ssd([&](std::size_t i) { return three_levels ? group_of[i] : 0; });
        const auto [within, samples] = ssd([&](std::size_t i) { return sample_of[i]; });
        const double n = static_cast<double>(typed.size()), p = static_cast<double>(samples.size()),
                     g = static_cast<double>(groups.size());
        if (n - p < 1 || p - g < 1 || (three_levels && g < 2)) continue;
        double squares_in_groups = 0, squares = 0, group_squares = 0;
        for (const auto& [k, set] : samples) {
            squares += set.second * set.second / n;
            const int sample = k;
            const std::size_t member =
                *std::find_if(typed.begin(), typed.end(), [&](std::size_t i) { return sample_of[i] == sample; });
            squares_in_groups += set.second * set.second / groups.at(three_levels ? group_of[member] : 0).second;
        }
        for (const auto& [k, set] : groups) group_squares += set.second * set.second / n;
        const double c = within / (n - p);
        const double b = ((within_groups - within) / (p - g) - c) / ((n - squares_in_groups) / (p - g));
        const double a = three_levels
                             ? ((total - within_groups) / (g - 1) - c - (squares_in_groups - squares) / (g - 1) * b) /
                                   ((n - group_squares) / (g - 1))
                             : 0.0;
        const std::array<double, 3> ss = {total - within_groups, within_groups - within, within};
        const std::array<double, 3> sigma2 = {a, b, c};
        for (std::size_t k = 0; k < 3; ++k) {
            out.ss[k] += ss[k];
            out.sigma2[k] += sigma2[k];
        }
    }
    return out;
}

struct Labels {
    std::vector<int> sample, group;
};
Labels labels(const std::vector<Individual>& x) {
    Labels out;
    for (const Individual& i : x) {
        out.sample.push_back(i.sample);
        out.group.push_back(i.group);
    }
    return out;
}

TEST(Amova, SumsOfSquaresAndComponentsMatchTheDistanceMatrix) {
    struct Case {
        int groups, samples, loci, missing;
    };
    for (const Case c : {Case{1, 2, 1, 0}, Case{1, 5, 4, 0}, Case{1, 4, 3, 30}, Case{2, 4, 3, 0}, Case{3, 7, 5, 0},
                         Case{3, 7, 5, 25}, Case{2, 6, 2, 60}}) {
        std::mt19937 random(static_cast<unsigned>(c.groups * 100 + c.samples * 10 + c.missing));
        const std::vector<Individual> x = random_individuals(random, c.groups, c.samples, c.loci, c.missing, 0.3);
        const Dataset data = testing::load_with_cells(data_text(x, c.loci));
        NoProgress quiet;
        const AmovaResult result = analyse_amova(data, build_group_catalogue(data.catalogue), 0, 1, quiet);
        const Labels l = labels(x);
        const Direct direct = direct_amova(x, l.sample, l.group, c.groups >= 2);
        SCOPED_TRACE(::testing::Message() << c.groups << " groups, " << c.samples << " samples, " << c.missing << "%");
        for (std::size_t k = c.groups >= 2 ? 0 : 1; k < 3; ++k) {
            EXPECT_NEAR(result.ss[k], direct.ss[k], 1e-9 * (1 + direct.ss[k]));
            EXPECT_NEAR(result.sigma2[k], direct.sigma2[k], 1e-9 * (1 + std::fabs(direct.sigma2[k])));
        }
        EXPECT_NEAR(result.phi_st.value, direct.phi(0), 1e-9);
        if (c.groups >= 2) {
            EXPECT_NEAR(result.phi_ct.value, direct.phi(2), 1e-9);
        }
        // The pairwise Phi_ST of the first two samples, as a data set of its own.
        std::vector<Individual> two;
        for (const Individual& i : x)
            if (i.sample < 2) two.push_back(i);
        const Labels l2 = labels(two);
        EXPECT_NEAR(pairwise_phi_st(data)[0], direct_amova(two, l2.sample, l2.group, false).phi(0), 1e-9);
    }
}

// P within four standard errors of the two Monte Carlo estimates.
void expect_close_p(double p, long at_least, int replicates, int program_replicates) {
    const double q = (1.0 + static_cast<double>(at_least)) / (1.0 + replicates);
    const double error = std::sqrt(std::max(q * (1 - q), 0.01) * (1.0 / replicates + 1.0 / program_replicates));
    EXPECT_NEAR(p, q, 4 * error + 2.0 / replicates);
}

TEST(Amova, PValuesAgreeWithIndependentPermutations) {
    std::mt19937 random(7);
    const std::vector<Individual> x = random_individuals(random, 2, 6, 3, 10, 0.12);
    const Dataset data = testing::load_with_cells(data_text(x, 3));
    NoProgress quiet;
    const AmovaResult result = analyse_amova(data, build_group_catalogue(data.catalogue), 999, 5, quiet);
    const Labels l = labels(x);
    const Direct observed = direct_amova(x, l.sample, l.group, true);
    constexpr int REPLICATES = 300;
    std::array<long, 3> at_least{};
    for (int r = 0; r < REPLICATES; ++r) {
        Labels across = l, within = l;  // individuals across all samples; within groups
        std::shuffle(across.sample.begin(), across.sample.end(), random);
        for (int g = 0; g < 2; ++g) {
            std::vector<int> members;
            for (std::size_t i = 0; i < x.size(); ++i)
                if (l.group[i] == g) members.push_back(l.sample[i]);
            std::shuffle(members.begin(), members.end(), random);
            for (std::size_t i = 0, k = 0; i < x.size(); ++i)
                if (l.group[i] == g) within.sample[i] = members[k++];
        }
        for (std::size_t i = 0; i < x.size(); ++i) across.group[i] = across.sample[i] % 2;
        std::vector<int> sample_group = {0, 1, 0, 1, 0, 1};  // whole samples among groups
        std::shuffle(sample_group.begin(), sample_group.end(), random);
        Labels moved = l;
        for (std::size_t i = 0; i < x.size(); ++i) moved.group[i] = sample_group[static_cast<std::size_t>(l.sample[i])];
        at_least[0] += direct_amova(x, across.sample, across.group, true).phi(0) >= observed.phi(0) - 1e-12;
        at_least[1] += direct_amova(x, within.sample, within.group, true).phi(1) >= observed.phi(1) - 1e-12;
        at_least[2] += direct_amova(x, moved.sample, moved.group, true).phi(2) >= observed.phi(2) - 1e-12;
    }
    expect_close_p(result.phi_st.p_value(), at_least[0], REPLICATES, 999);
    expect_close_p(result.phi_sc.p_value(), at_least[1], REPLICATES, 999);
    expect_close_p(result.phi_ct.p_value(), at_least[2], REPLICATES, 999);
}

// The pair's fst_unshared with its individuals dealt anew, read from a data
// set written that way.
TEST(PairTest, AgreesWithFstOfRelabelledDataSets) {
    struct Case {
        int first_size, second_size, permutations;  // small pairs are enumerated
    };
    for (const Case c : {Case{3, 3, 999}, Case{2, 30, 999}, Case{15, 12, 400}, Case{40, 33, 200}}) {
        std::mt19937 random(static_cast<unsigned>(c.first_size * 31 + c.second_size));
        std::vector<Individual> x;
        for (int s = 0; s < 2; ++s) {
            for (int i = 0; i < (s == 0 ? c.first_size : c.second_size); ++i) {
                Individual copy = random_individuals(random, 1, 1, 3, 15, 0.4 * s)[0];
                copy.sample = s;
                x.push_back(copy);
            }
        }
        const Dataset data = testing::load_with_cells(data_text(x, 3));
        NoProgress quiet;
        const std::vector<PairTest> test = pair_tests(data, c.permutations, 3, quiet);
        const auto fst_of = [&](const std::vector<Individual>& y) {
            return testing::Program(data_text(y, 3)).compute_set({0, 1}).compared.fst_unshared;
        };
        EXPECT_NEAR(test[0].observed, fst_of(x), 1e-12);
        const auto n = x.size();
        long at_least = 0, replicates = 0;
        std::vector<char> chosen(n, 0);
        std::fill(chosen.begin(), chosen.begin() + c.first_size, 1);
        for (bool more = true; more && (test[0].exact || replicates < 300); ++replicates) {
            if (test[0].exact) {
                more = std::prev_permutation(chosen.begin(), chosen.end());
            } else {
                std::shuffle(chosen.begin(), chosen.end(), random);
            }
            std::vector<Individual> y;  // the chosen ones first, as sample 0
            for (int pass = 1; pass >= 0; --pass)
                for (std::size_t i = 0; i < n; ++i)
                    if (chosen[i] == pass) {
                        y.push_back(x[i]);
                        y.back().sample = 1 - pass;
                    }
            at_least += fst_of(y) >= test[0].observed - 1e-12;
        }
        if (test[0].exact) {
            EXPECT_DOUBLE_EQ(test[0].p_value, static_cast<double>(at_least) / static_cast<double>(replicates));
        } else {
            expect_close_p(test[0].p_value, at_least - 1, static_cast<int>(replicates), c.permutations);
        }
    }
}

TEST(PairTest, AdjustsPValuesForTheNumberOfTests) {
    // p, Bonferroni, Benjamini-Hochberg; NaN: untested, not counted (m = 5).
    const double nan = std::nan("");
    const std::vector<std::array<double, 3>> rows = {{0.01, 0.05, 0.025}, {0.04, 0.2, 0.05}, {nan, nan, nan},
                                                     {0.03, 0.15, 0.05},  {0.5, 1, 0.5},     {0.009, 0.045, 0.025}};
    std::vector<PairTest> tests(rows.size());
    for (std::size_t k = 0; k < rows.size(); ++k) tests[k].p_value = rows[k][0];
    adjust_p_values(tests);
    for (std::size_t k = 0; k < rows.size(); ++k) {
        if (std::isnan(rows[k][0])) {
            EXPECT_TRUE(std::isnan(tests[k].p_bonferroni) && std::isnan(tests[k].p_bh));
            continue;
        }
        EXPECT_DOUBLE_EQ(tests[k].p_bonferroni, rows[k][1]) << k;
        EXPECT_DOUBLE_EQ(tests[k].p_bh, rows[k][2]) << k;
    }
}

}  // namespace
}  // namespace phenostat

#include "analyses/pair_permutation.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "analyses/pairs.h"
#include "base/parallel.h"
#include "base/permutations.h"
#include "base/random_generator.h"
#include "base/ties.h"
#include "stats/locus_computation.h"

namespace phenostat {
namespace {

// One pair's individuals at every locus: who is typed, with which alleles,
// and what the replicates never change (the pooled carriers).
struct PairData {
    std::size_t individuals = 0, first_size = 0;
    struct Locus {
        std::vector<std::uint32_t> begin;  // individual k owns alleles[begin[k], begin[k + 1])
        std::vector<std::uint8_t> alleles;
        std::vector<std::int32_t> pooled;  // carriers of each allele in the pair
        std::int64_t typed = 0, allele_total = 0, shared_across = 0;
        bool varies = false;  // more than one phenotype in the pair
    };
    std::vector<Locus> loci;
    std::int64_t weight = 0;  // typed individuals summed over loci
};

// The alleles of every locus's phenotypes, unpacked once for all the pairs:
// phenotype p of locus l owns alleles[begin[first[l] + p], begin[first[l] + p + 1]).
struct LocusCodings {
    std::vector<std::size_t> first;
    std::vector<std::uint64_t> begin;
    std::vector<std::uint8_t> alleles;
    std::vector<std::size_t> allele_count;  // per locus
};

LocusCodings unpack_codings(const Dataset& data) {
    LocusCodings codings;
    CodedLocus coded;
    for (std::size_t l = 0; l < data.locus_count(); ++l) {
        unpack_coding(data.loci.locus(l), coded);
        codings.first.push_back(codings.begin.size());
        codings.allele_count.push_back(coded.allele_count());
        for (const std::uint32_t b : coded.phenotype_begin) codings.begin.push_back(codings.alleles.size() + b);
        codings.alleles.insert(codings.alleles.end(), coded.phenotype_alleles.begin(), coded.phenotype_alleles.end());
    }
    return codings;
}

void gather(const Dataset& data, const LocusCodings& codings, std::size_t first, std::size_t second, PairData& pair) {
    const Sample& a = data.catalogue.samples[first];
    const Sample& b = data.catalogue.samples[second];
    pair.first_size = a.row_count();
    pair.individuals = a.row_count() + b.row_count();
    pair.loci.resize(data.locus_count());
    pair.weight = 0;
    for (std::size_t l = 0; l < data.locus_count(); ++l) {
        const std::uint64_t* const phenotype_begin = &codings.begin[codings.first[l]];
        const CellIds& cells = data.cells[l];
        PairData::Locus& locus = pair.loci[l];
        locus.begin.assign(1, 0);
        locus.alleles.clear();
        locus.pooled.assign(codings.allele_count[l], 0);
        locus.typed = locus.allele_total = locus.shared_across = 0;
        std::int32_t phenotype = CellIds::MISSING;
        locus.varies = false;
        for (const Sample* sample : {&a, &b}) {
            for (std::size_t row = sample->first_row; row < sample->end_row; ++row) {
                const std::int32_t id = row < cells.size() ? cells[row] : CellIds::MISSING;
                if (id >= 0) {
                    if (phenotype >= 0 && id != phenotype) locus.varies = true;
                    phenotype = id;
                    ++locus.typed;
                    for (std::uint64_t k = phenotype_begin[id]; k < phenotype_begin[id + 1]; ++k) {
                        locus.alleles.push_back(codings.alleles[k]);
                        ++locus.pooled[codings.alleles[k]];
                    }
                }
                locus.begin.push_back(static_cast<std::uint32_t>(locus.alleles.size()));
            }
        }
        locus.allele_total = static_cast<std::int64_t>(locus.alleles.size());
        for (const std::int32_t c : locus.pooled) locus.shared_across += std::int64_t{c} * (c - 1) / 2;
        pair.weight += locus.typed;
    }
}

// The pair's fst_unshared with the individuals `members` in one sample and
// the others in the other: each locus's F'st weighted by its typed
// individuals, in locus order.
double statistic(const PairData& pair, const std::vector<std::uint32_t>& members, std::vector<std::int32_t>& counts) {
    double sum = 0;
    if (pair.weight == 0) return 0.0;
    for (const PairData::Locus& locus : pair.loci) {
        if (locus.typed == 0) continue;
        double fst = 0;
        if (locus.varies) {
            // Each carrier moved into the first sample adds the carriers of
            // its allele already there to that sample's shared alleles, and
            // takes those left behind from the other's.
            if (counts.size() < locus.pooled.size()) counts.resize(locus.pooled.size(), 0);
            std::int64_t n_a = 0, total_a = 0, shared_a = 0, shared_b = locus.shared_across;
            for (const std::uint32_t k : members) {
                const std::uint32_t begin = locus.begin[k], end = locus.begin[k + 1];
                n_a += begin != end;
                total_a += end - begin;
                for (std::uint32_t e = begin; e < end; ++e) {
                    std::int32_t& c = counts[locus.alleles[e]];
                    shared_a += c;
                    shared_b -= locus.pooled[locus.alleles[e]] - c - 1;
                    ++c;
                }
            }
            for (const std::uint32_t k : members)  // counts back to zero
                for (std::uint32_t e = locus.begin[k]; e < locus.begin[k + 1]; ++e) counts[locus.alleles[e]] = 0;
            const std::int64_t n_b = locus.typed - n_a, total_b = locus.allele_total - total_a;
            const std::int64_t within_pairs = n_a * (n_a - 1) / 2 + n_b * (n_b - 1) / 2;
            const std::int64_t unshared_within =
                (n_a - 1) * total_a - 2 * shared_a + (n_b - 1) * total_b - 2 * shared_b;
            const double within = pair_mean(unshared_within, within_pairs);
            const double across = pair_mean((locus.typed - 1) * locus.allele_total - 2 * locus.shared_across,
                                            locus.typed * (locus.typed - 1) / 2);
            fst = modified_fst(across, within);
        }
        sum += static_cast<double>(locus.typed) / static_cast<double>(pair.weight) * fst;
    }
    return sum;
}

// C(n, k), or more than `cap` (returned as cap + 1).
std::uint64_t splits(std::size_t n, std::size_t k, std::uint64_t cap) {
    k = std::min(k, n - k);
    long double count = 1;
    for (std::size_t i = 1; i <= k; ++i) {
        count = count * static_cast<long double>(n - k + i) / static_cast<long double>(i);
        if (count > static_cast<long double>(cap) + 0.5L) return cap + 1;
    }
    return static_cast<std::uint64_t>(std::llround(count));
}

struct Scratch {
    PairData pair;
    std::vector<std::uint32_t> members, order;
    std::vector<std::int32_t> counts;
    std::vector<char> chosen;
};

void test_pair(const Dataset& data, const LocusCodings& codings, std::size_t first, std::size_t second,
               std::size_t pair_number, int permutations, std::uint32_t seed, Scratch& local, PairTest& test) {
    PairData& pair = local.pair;
    gather(data, codings, first, second, pair);
    // The statistic is the same whichever sample the members form: the
    // smaller one, for fewer carriers to count.
    const std::size_t second_size = pair.individuals - pair.first_size;
    const std::size_t chosen = std::min(pair.first_size, second_size);
    local.members.resize(chosen);
    std::iota(local.members.begin(), local.members.end(),
              static_cast<std::uint32_t>(pair.first_size <= second_size ? 0 : pair.first_size));
    test.observed = statistic(pair, local.members, local.counts);
    const std::uint64_t cap = static_cast<std::uint64_t>(permutations);
    const std::uint64_t all = splits(pair.individuals, chosen, cap);
    std::uint64_t at_least = 0;
    if (all <= cap) {
        // Every split, the observed one included.
        test.exact = true;
        local.chosen.assign(pair.individuals, 0);
        std::fill(local.chosen.begin(), local.chosen.begin() + static_cast<std::ptrdiff_t>(chosen), 1);
        do {
            local.members.clear();
            for (std::uint32_t k = 0; k < pair.individuals; ++k)
                if (local.chosen[k]) local.members.push_back(k);
            at_least += reaches(statistic(pair, local.members, local.counts), test.observed);
        } while (std::prev_permutation(local.chosen.begin(), local.chosen.end()));
        test.replicates = all;
        test.p_value = permutation_p(at_least, all, true);
        return;
    }
    local.order.resize(pair.individuals);
    for (int r = 0; r < permutations; ++r) {
        // The members: a partial Fisher-Yates shuffle, from the replicate's own stream.
        Draws random(seed, RandomAnalysis::pair_test, static_cast<std::uint64_t>(r), pair_number);
        std::iota(local.order.begin(), local.order.end(), std::uint32_t{0});
        for (std::size_t i = 0; i < chosen; ++i)
            std::swap(local.order[i], local.order[i + random.below(pair.individuals - i)]);
        local.members.assign(local.order.begin(), local.order.begin() + static_cast<std::ptrdiff_t>(chosen));
        at_least += reaches(statistic(pair, local.members, local.counts), test.observed);
    }
    test.replicates = cap;
    test.p_value = permutation_p(at_least, cap, false);
}

}  // namespace

std::vector<PairTest> pair_tests(const Dataset& data, int permutations, std::uint32_t seed, Progress& progress) {
    const std::vector<SamplePair> pairs = sample_pairs(data.sample_count());
    const std::size_t total = pairs.size();
    std::vector<PairTest> tests(total);
    const LocusCodings codings = unpack_codings(data);
    PerThread<Scratch> scratch;
    const std::size_t block = 16 * team_size();
    for (std::size_t start = 0; start < total; start += block) {
        const std::size_t end = std::min(total, start + block);
        parallel_for(end - start, 1, [&](std::size_t k) {
            const std::size_t pair = start + k;
            test_pair(data, codings, pairs[pair].first, pairs[pair].second, pair, permutations, seed, scratch.local(),
                      tests[pair]);
        });
        progress.step(end, total);
    }
    adjust_p_values(tests);
    return tests;
}

void adjust_p_values(std::vector<PairTest>& tests) {
    std::vector<std::size_t> order;
    for (std::size_t k = 0; k < tests.size(); ++k) {
        if (std::isnan(tests[k].p_value)) {
            tests[k].p_bonferroni = tests[k].p_bh = tests[k].p_value;
            continue;
        }
        order.push_back(k);
    }
    const auto m = static_cast<double>(order.size());
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t x, std::size_t y) { return tests[x].p_value < tests[y].p_value; });
    double running = 1.0;
    for (std::size_t r = order.size(); r-- > 0;) {
        PairTest& test = tests[order[r]];
        test.p_bonferroni = std::min(1.0, test.p_value * m);
        running = std::min(running, test.p_value * m / static_cast<double>(r + 1));
        test.p_bh = running;
    }
}

}  // namespace phenostat

#include "analyses/pair_permutation.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <optional>

#include "analyses/carrier_bits.h"
#include "analyses/pairs.h"
#include "base/parallel.h"
#include "base/permutations.h"
#include "base/random_generator.h"
#include "base/ties.h"
#include "stats/locus_computation.h"

namespace phenostat {
namespace {

// Replicates evaluated together, in one pass over the loci.
constexpr std::size_t BATCH = 8;

// One pair's individuals as bit sets (the first sample's, then the
// second's), and what the replicates never change, for each locus where the
// pair has two phenotypes or more (an F'st of 0 elsewhere).
struct PairData {
    std::size_t individuals = 0, first_size = 0;
    std::optional<CarrierBits> bits;
    struct Term {
        const CarrierBits::Locus* locus = nullptr;
        std::int64_t pooled_pairs = 0;  // sum over the allele rows of C(p, 2), p carriers in the pair
        double across = 0;              // mean unshared alleles between the pair's typed individuals
        double share = 0;               // the locus's typed individuals over those of every locus
    };
    std::vector<Term> terms;  // in locus order
};

void gather(const Dataset& data, const PhenotypeAlleles& phenotypes, std::size_t first, std::size_t second,
            std::vector<std::size_t>& rows, PairData& pair) {
    rows.clear();
    for (const std::size_t s : {first, second}) {
        const Sample& sample = data.catalogue.samples[s];
        for (std::size_t row = sample.first_row; row < sample.end_row; ++row) rows.push_back(row);
    }
    pair.first_size = data.catalogue.samples[first].row_count();
    pair.individuals = rows.size();
    pair.bits.emplace(data, phenotypes, rows, CarrierRowChoice{2, true});
    std::int64_t weight = 0;
    for (const CarrierBits::Locus& locus : pair.bits->loci()) weight += locus.typed;
    pair.terms.clear();
    for (const CarrierBits::Locus& locus : pair.bits->loci()) {
        if (!locus.varies) continue;
        std::int64_t pooled_pairs = 0;
        for (std::uint32_t a = 1; a <= locus.alleles; ++a) {
            const std::int64_t p = pair.bits->carriers(locus.first_row + a);
            pooled_pairs += p * (p - 1) / 2;
        }
        const std::int64_t typed = locus.typed;
        const std::int64_t shared = pooled_pairs + locus.everywhere * (typed * (typed - 1) / 2);
        pair.terms.push_back({&locus, pooled_pairs,
                              pair_mean((typed - 1) * locus.allele_total - 2 * shared, typed * (typed - 1) / 2),
                              static_cast<double>(typed) / static_cast<double>(weight)});
    }
}

// The pair's fst_unshared for BATCH replicates at once, replicate j with the
// individuals of masks[j * words ..] in one sample and the others in the
// other: each locus's F'st weighted by its typed individuals, in locus order.
//
// An allele with c carriers in the mask's sample and p in the pair is shared
// within samples by C(c, 2) + C(p - c, 2) = c (c - p) + C(p, 2) pairs of
// individuals; the integers are those of counting pair by pair.
// `Words` is the words of a mask, or 0 for any number.
template <std::size_t Words>
[[gnu::always_inline]] inline void statistics_of(const PairData& pair, const std::uint64_t* masks, double* out) {
    const CarrierBits& bits = *pair.bits;
    const std::size_t words = Words != 0 ? Words : bits.words();
    double sum[BATCH] = {};
    std::int64_t n_a[BATCH], shared[BATCH], total_a[BATCH];
    for (const PairData::Term& term : pair.terms) {
        const CarrierBits::Locus& locus = *term.locus;
        const std::uint64_t* row = bits.row(locus.first_row);
        for (std::size_t j = 0; j < BATCH; ++j) {
            n_a[j] = common(row, masks + j * words, words);
            shared[j] = term.pooled_pairs;
            total_a[j] = 0;
        }
        std::size_t r = locus.first_row + 1;
        for (const std::size_t end = r + locus.alleles; r < end; ++r) {
            row += words;
            const std::int64_t p = bits.carriers(r);
            for (std::size_t j = 0; j < BATCH; ++j) {
                const std::int64_t c = common(row, masks + j * words, words);
                shared[j] += c * (c - p);
            }
        }
        for (std::uint32_t b = 0; b < locus.count_bits; ++b) {
            row += words;
            for (std::size_t j = 0; j < BATCH; ++j)
                total_a[j] += std::int64_t{common(row, masks + j * words, words)} << b;
        }
        for (std::size_t j = 0; j < BATCH; ++j) {
            const std::int64_t n_b = locus.typed - n_a[j], total_b = locus.allele_total - total_a[j];
            const std::int64_t within_pairs = n_a[j] * (n_a[j] - 1) / 2 + n_b * (n_b - 1) / 2;
            const std::int64_t shared_within = shared[j] + locus.everywhere * within_pairs;
            const std::int64_t unshared_within = (n_a[j] - 1) * total_a[j] + (n_b - 1) * total_b - 2 * shared_within;
            sum[j] += term.share * modified_fst(term.across, pair_mean(unshared_within, within_pairs));
        }
    }
    std::copy(sum, sum + BATCH, out);
}

// Pairs of at most 256 individuals, the most common, get loops of their own,
// which the compiler unrolls.
[[gnu::always_inline]] inline void statistics_in(const PairData& pair, const std::uint64_t* masks, double* out) {
    switch (pair.bits->words()) {
        case 1:
            return statistics_of<1>(pair, masks, out);
        case 2:
            return statistics_of<2>(pair, masks, out);
        case 3:
            return statistics_of<3>(pair, masks, out);
        case 4:
            return statistics_of<4>(pair, masks, out);
        default:
            return statistics_of<0>(pair, masks, out);
    }
}
PHENOSTAT_POPCOUNT_BUILDS(void, statistics, (const PairData& pair, const std::uint64_t* masks, double* out),
                          (pair, masks, out))

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
    std::vector<std::size_t> rows;
    std::vector<std::uint32_t> order;
    std::vector<char> chosen;
    std::vector<std::uint64_t> masks;  // BATCH masks
    double values[BATCH];
    std::size_t filled = 0;  // masks set
};

// Replicates to compare with the observed value, counted BATCH at a time.
class BatchCounter {
public:
    BatchCounter(const PairData& pair, double observed, Scratch& scratch)
        : pair_(pair), observed_(observed), s_(scratch) {
        s_.masks.assign(BATCH * pair.bits->words(), 0);
        s_.filled = 0;
    }
    // The next replicate's mask, cleared.
    std::uint64_t* next() {
        if (s_.filled == BATCH) flush();
        const std::size_t words = pair_.bits->words();
        std::uint64_t* mask = s_.masks.data() + s_.filled++ * words;
        std::fill(mask, mask + words, 0);
        return mask;
    }
    // The replicates that reached the observed value.
    std::uint64_t finish() {
        flush();
        return at_least_;
    }

private:
    void flush() {
        statistics(pair_, s_.masks.data(), s_.values);
        for (std::size_t j = 0; j < s_.filled; ++j) at_least_ += reaches(s_.values[j], observed_);
        s_.filled = 0;
    }
    const PairData& pair_;
    double observed_;
    Scratch& s_;
    std::uint64_t at_least_ = 0;
};

void set_bit(std::uint64_t* mask, std::size_t k) { mask[k / 64] |= std::uint64_t{1} << (k % 64); }

// The pair's statistic with its own samples.
double observed_statistic(const PairData& pair, Scratch& local) {
    // The statistic is the same whichever sample the mask holds.
    local.masks.assign(BATCH * pair.bits->words(), 0);
    for (std::size_t k = 0; k < pair.first_size; ++k) set_bit(local.masks.data(), k);
    statistics(pair, local.masks.data(), local.values);
    return local.values[0];
}

void test_pair(const Dataset& data, const PhenotypeAlleles& phenotypes, std::size_t first, std::size_t second,
               std::size_t pair_number, int permutations, std::uint32_t seed, Scratch& local, PairTest& test) {
    PairData& pair = local.pair;
    gather(data, phenotypes, first, second, local.rows, pair);
    test.observed = observed_statistic(pair, local);
    // The smaller sample's individuals are the fewer to draw.
    const std::size_t chosen = std::min(pair.first_size, pair.individuals - pair.first_size);
    const std::uint64_t cap = static_cast<std::uint64_t>(permutations);
    const std::uint64_t all = splits(pair.individuals, chosen, cap);
    BatchCounter counter(pair, test.observed, local);
    if (all <= cap) {
        // Every split, the observed one included.
        test.exact = true;
        local.chosen.assign(pair.individuals, 0);
        std::fill(local.chosen.begin(), local.chosen.begin() + static_cast<std::ptrdiff_t>(chosen), 1);
        do {
            std::uint64_t* mask = counter.next();
            for (std::size_t k = 0; k < pair.individuals; ++k)
                if (local.chosen[k]) set_bit(mask, k);
        } while (std::prev_permutation(local.chosen.begin(), local.chosen.end()));
        test.replicates = all;
        test.p_value = permutation_p(counter.finish(), all, true);
        return;
    }
    local.order.resize(pair.individuals);
    for (int r = 0; r < permutations; ++r) {
        // The members: a partial Fisher-Yates shuffle, from the replicate's own stream.
        Draws random(seed, RandomAnalysis::pair_test, static_cast<std::uint64_t>(r), pair_number);
        std::iota(local.order.begin(), local.order.end(), std::uint32_t{0});
        std::uint64_t* mask = counter.next();
        for (std::size_t i = 0; i < chosen; ++i) {
            std::swap(local.order[i], local.order[i + random.below(pair.individuals - i)]);
            set_bit(mask, local.order[i]);
        }
    }
    test.replicates = cap;
    test.p_value = permutation_p(counter.finish(), cap, false);
}

}  // namespace

std::vector<PairTest> pair_tests(const Dataset& data, int permutations, std::uint32_t seed, Progress& progress) {
    const std::vector<SamplePair> pairs = sample_pairs(data.sample_count());
    const std::size_t total = pairs.size();
    std::vector<PairTest> tests(total);
    const PhenotypeAlleles phenotypes(data);
    PerThread<Scratch> scratch;
    const std::size_t block = 16 * team_size();
    for (std::size_t start = 0; start < total; start += block) {
        const std::size_t end = std::min(total, start + block);
        parallel_for(end - start, 1, [&](std::size_t k) {
            const std::size_t pair = start + k;
            test_pair(data, phenotypes, pairs[pair].first, pairs[pair].second, pair, permutations, seed,
                      scratch.local(), tests[pair]);
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

#include "analyses/isolation.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

#include "base/parallel.h"
#include "base/permutations.h"
#include "base/random_generator.h"
#include "base/ties.h"

namespace phenostat {

namespace {

// Permutations drawn at a time, and handed to a thread at a time.
constexpr std::size_t PERMUTATIONS_PER_THREAD_AND_BLOCK = 256;
constexpr std::size_t PERMUTATIONS_PER_CHUNK = 8;
const double UNDEFINED = std::numeric_limits<double>::quiet_NaN();

}  // namespace

Line fit_line(const std::vector<double>& x, const std::vector<double>& y) {
    Line line;
    const std::size_t n = x.size();
    if (n < 3) return line;
    double mean_x = 0, mean_y = 0;
    for (std::size_t k = 0; k < n; ++k) {
        mean_x += x[k];
        mean_y += y[k];
    }
    mean_x /= static_cast<double>(n);
    mean_y /= static_cast<double>(n);
    double sxx = 0, syy = 0, sxy = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const double dx = x[k] - mean_x, dy = y[k] - mean_y;
        sxx += dx * dx;
        syy += dy * dy;
        sxy += dx * dy;
    }
    if (sxx == 0 || syy == 0) return line;
    line.defined = true;
    line.r = sxy / std::sqrt(sxx * syy);
    line.slope = sxy / sxx;
    line.intercept = mean_y - line.slope * mean_x;
    return line;
}

namespace {

constexpr std::size_t NO_SLOT = std::numeric_limits<std::size_t>::max();

// Both distances of every pair as full matrices over the samples of at least
// two individuals (numbered anew in `slot`), NaN where a pair has none.
struct DistanceMatrices {
    std::vector<std::size_t> slot;  // each catalogue sample's place in the matrices, or NO_SLOT
    std::size_t samples = 0;
    std::vector<double> genetic, geographic;
    explicit DistanceMatrices(std::span<const std::size_t> individuals) : slot(individuals.size(), NO_SLOT) {
        for (std::size_t s = 0; s < individuals.size(); ++s)
            if (individuals[s] >= 2) slot[s] = samples++;
        genetic.assign(samples * samples, UNDEFINED);
        geographic.assign(samples * samples, UNDEFINED);
    }
    bool holds(const PairResult& pair) const { return slot[pair.first] != NO_SLOT && slot[pair.second] != NO_SLOT; }
    void set(std::vector<double>& matrix, const PairResult& pair, double value) const {
        if (!holds(pair)) return;
        const std::size_t a = slot[pair.first], b = slot[pair.second];
        matrix[a * samples + b] = matrix[b * samples + a] = value;
    }
};

// Each pair's distances on the chosen scales and why it is left out, if it is;
// `x` and `y` receive the pairs used.
void scale_pairs(const std::vector<PairResult>& pairs, GeneticScale genetic, GeographicScale geographic,
                 IsolationResult& result, DistanceMatrices& matrices, std::vector<double>& x, std::vector<double>& y) {
    std::vector<char> used_sample(matrices.slot.size(), 0);
    for (const PairResult& pair : pairs) {
        IsolationPair& out = result.pairs.emplace_back();
        const double f = pair.fst_unshared;
        const bool genetic_defined = genetic == GeneticScale::fst || f != 1.0;
        out.genetic = genetic == GeneticScale::fst ? f : f / (1.0 - f);
        if (genetic_defined) matrices.set(matrices.genetic, pair, out.genetic);
        const bool located = pair.distance == DistanceStatus::found;
        const bool geographic_defined = located && (geographic == GeographicScale::linear || pair.km > 0);
        out.geographic = geographic == GeographicScale::linear ? pair.km : std::log(pair.km);
        if (geographic_defined) matrices.set(matrices.geographic, pair, out.geographic);
        out.exclusion = !located                ? Exclusion::no_distance
                        : !geographic_defined   ? Exclusion::zero_distance
                        : !genetic_defined      ? Exclusion::fst_one
                        : !matrices.holds(pair) ? Exclusion::one_individual
                                                : Exclusion::none;
        ++result.excluded[static_cast<std::size_t>(out.exclusion)];
        if (out.exclusion != Exclusion::none) continue;
        x.push_back(out.geographic);
        y.push_back(out.genetic);
        used_sample[pair.first] = used_sample[pair.second] = 1;
    }
    result.excluded[static_cast<std::size_t>(Exclusion::none)] = 0;
    result.pairs_used = x.size();
    result.samples_used = static_cast<std::size_t>(std::count(used_sample.begin(), used_sample.end(), 1));
}

// Mantel test: the genetic matrix's samples take the places of a
// permutation; r over the pairs where both distances are defined. Replicate k
// draws its permutation from its own stream; with no more permutations of the
// samples than asked for, each is compared once instead (the identity among
// them). The permutations are laid out a block at a time, and the block's r
// spread over the threads. Returns the permutations whose r reached
// `observed_r`, and sets result.permutations and result.exact.
long mantel_at_least(const DistanceMatrices& matrices, double observed_r, int permutations, std::uint32_t seed,
                     IsolationResult& result) {
    const std::size_t sample_count = matrices.samples;
    const std::vector<double>& d = matrices.geographic;
    const std::vector<double>& g = matrices.genetic;
    std::vector<std::size_t> place(sample_count);
    std::iota(place.begin(), place.end(), std::size_t{0});
    const Arrangement anywhere{place, {0, sample_count}};
    const auto cap = static_cast<std::uint64_t>(std::max(permutations, 0));
    const std::uint64_t all = count_rearrangements(place, anywhere, cap);
    result.exact = all <= cap;
    const std::size_t total = result.exact ? all : cap;
    result.permutations = static_cast<long>(total);
    const std::size_t block = std::min(total, PERMUTATIONS_PER_THREAD_AND_BLOCK * team_size());
    std::vector<std::size_t> places(block * sample_count);
    std::vector<char> reached(block);
    struct Scratch {
        std::vector<double> x, y;
        std::vector<std::size_t> place;
    };
    PerThread<Scratch> scratch;
    long at_least = 0;
    for (std::size_t start = 0; start < total; start += block) {
        const std::size_t size = std::min(block, total - start);
        for (std::size_t k = 0; result.exact && k < size; ++k) {
            std::copy(place.begin(), place.end(), places.begin() + static_cast<std::ptrdiff_t>(k * sample_count));
            std::next_permutation(place.begin(), place.end());
        }
        parallel_for(size, PERMUTATIONS_PER_CHUNK, [&](std::size_t k) {
            Scratch& local = scratch.local();
            std::size_t* const at = &places[k * sample_count];
            if (!result.exact) {
                local.place.resize(sample_count);
                std::iota(local.place.begin(), local.place.end(), std::size_t{0});
                Draws random(seed, RandomAnalysis::mantel, start + k);
                shuffle_within(local.place, anywhere, random);
                std::copy(local.place.begin(), local.place.end(), at);
            }
            local.x.clear();
            local.y.clear();
            for (std::size_t i = 0; i < sample_count; ++i) {
                for (std::size_t j = i + 1; j < sample_count; ++j) {
                    const double geo = d[i * sample_count + j];
                    const double gen = g[at[i] * sample_count + at[j]];
                    if (std::isnan(geo) || std::isnan(gen)) continue;
                    local.x.push_back(geo);
                    local.y.push_back(gen);
                }
            }
            const Line permuted = fit_line(local.x, local.y);
            reached[k] = permuted.defined && reaches(permuted.r, observed_r);
        });
        at_least += std::count(reached.begin(), reached.begin() + static_cast<std::ptrdiff_t>(size), 1);
    }
    return at_least;
}

}  // namespace

std::vector<std::size_t> individual_counts(const SampleCatalogue& catalogue) {
    std::vector<std::size_t> counts;
    counts.reserve(catalogue.sample_count());
    for (const Sample& sample : catalogue.samples) counts.push_back(sample.row_count());
    return counts;
}

IsolationResult isolation_by_distance(const std::vector<PairResult>& pairs, std::span<const std::size_t> individuals,
                                      GeneticScale genetic, GeographicScale geographic, int permutations,
                                      std::uint32_t seed) {
    IsolationResult result;
    result.permutations = permutations;
    DistanceMatrices matrices(individuals);
    std::vector<double> x, y;
    scale_pairs(pairs, genetic, geographic, result, matrices, x, y);
    const Line observed = fit_line(x, y);
    result.defined = observed.defined;
    result.r = observed.r;
    result.slope = observed.slope;
    result.intercept = observed.intercept;
    if (!observed.defined) return result;
    result.at_least = mantel_at_least(matrices, observed.r, permutations, seed, result);
    result.p = permutation_p(static_cast<std::uint64_t>(result.at_least),
                             static_cast<std::uint64_t>(result.permutations), result.exact);
    return result;
}

}  // namespace phenostat

#include "analyses/pairs.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "stats/geodesic.h"

namespace phenostat {
namespace {

// Pairs handed out at a time: enough per thread to even out their lengths,
// few enough that progress is reported often.
constexpr std::size_t PAIRS_PER_THREAD_AND_BLOCK = 16;

}  // namespace

namespace {

DistanceStatus pair_distance(const Coordinates& sites, std::size_t i, std::size_t j, double& km) {
    if (!sites.has(i) || !sites.has(j)) return DistanceStatus::missing_site;
    const std::optional<double> distance =
        geodesic_distance_km(sites.latitude[j], sites.longitude[j], sites.latitude[i], sites.longitude[i]);
    if (distance) {
        km = *distance;
        return DistanceStatus::found;
    }
    // A coordinate too large for a number (such as 1e999) reads as infinite.
    const bool finite = std::isfinite(sites.latitude[i]) && std::isfinite(sites.longitude[i]) &&
                        std::isfinite(sites.latitude[j]) && std::isfinite(sites.longitude[j]);
    return finite ? DistanceStatus::antipodal : DistanceStatus::not_finite;
}

}  // namespace

std::vector<PairResult> analyse_pairs(const Dataset& data, const Coordinates* sites, Progress& progress,
                                      const LocusResamples* resamples) {
    const std::size_t count = data.sample_count();
    const std::size_t total = count < 2 ? 0 : count * (count - 1) / 2;
    std::vector<PairResult> pairs(total);
    for (std::size_t i = 0, k = 0; i + 1 < count; ++i) {
        for (std::size_t j = i + 1; j < count; ++j, ++k) {
            pairs[k].first = i;
            pairs[k].second = j;
        }
    }
    struct Scratch {
        CombineScratch combine;
        std::vector<LocusOutcome> loci;
    };
    PerThread<Scratch> scratch;
    // Blocks of pairs, each spread over the threads, then reported in order.
    const std::size_t block = PAIRS_PER_THREAD_AND_BLOCK * team_size();
    for (std::size_t start = 0; start < total; start += block) {
        const std::size_t end = std::min(total, start + block);
        parallel_for(end - start, 1, [&](std::size_t k) {
            PairResult& pair = pairs[start + k];
            Scratch& local = scratch.local();
            const std::size_t set[2] = {pair.first, pair.second};
            const ComparedAverage compared =
                compute_compared_average(data, set, local.combine, resamples != nullptr ? &local.loci : nullptr);
            pair.fst_unshared = compared.average.fst_unshared;
            pair.fst_shannon = compared.average.fst_shannon;
            pair.fst_pq = compared.average.fst_pq;
            pair.loci_without_pairs_within = compared.loci_without_pairs_within;
            if (sites != nullptr) pair.distance = pair_distance(*sites, pair.first, pair.second, pair.km);
            if (resamples != nullptr)
                pair.fst_interval = bootstrap_field(local.loci, &LocusStats::fst_unshared, *resamples);
        });
        for (std::size_t k = start; k < end; ++k) progress.step(k + 1, total);
    }
    return pairs;
}

}  // namespace phenostat

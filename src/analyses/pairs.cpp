#include "analyses/pairs.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "stats/geodesic.h"

namespace phenostat {
namespace {

// Pairs computed together, each locus unpacked once for them all: many, as
// unpacking a locus costs about as much as combining a few sets over it, but
// fewer with a bootstrap, whose terms (24 bytes a locus) each pair keeps.
constexpr std::size_t PAIRS_PER_TASK = 256;
constexpr std::size_t PAIRS_PER_TASK_WITH_BOOTSTRAP = 32;
// Tasks handed out at a time: enough per thread to even out their lengths,
// few enough that progress is reported often.
constexpr std::size_t TASKS_PER_THREAD_AND_BLOCK = 2;

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

std::vector<SamplePair> sample_pairs(std::size_t count) {
    std::vector<SamplePair> pairs;
    pairs.reserve(count < 2 ? 0 : count * (count - 1) / 2);
    for (std::size_t i = 0; i + 1 < count; ++i)
        for (std::size_t j = i + 1; j < count; ++j) pairs.push_back({i, j});
    return pairs;
}

std::vector<PairResult> analyse_pairs(const Dataset& data, const Coordinates* sites, Progress& progress,
                                      const LocusResamples* resamples) {
    const std::vector<SamplePair> order = sample_pairs(data.sample_count());
    const std::size_t total = order.size();
    std::vector<PairResult> pairs(total);
    for (std::size_t k = 0; k < total; ++k) {
        pairs[k].first = order[k].first;
        pairs[k].second = order[k].second;
    }
    struct Scratch {
        CombineScratch combine;
        std::vector<std::size_t> members;
        std::vector<ComparedAverage> compared;
        std::vector<ResampledFieldAverage> intervals;  // the terms of each pair's F'st, for its bootstrap
    };
    PerThread<Scratch> scratch;
    // Blocks of tasks, each spread over the threads, then reported in order.
    // Each pair's values are its own whichever task computes it.
    const std::size_t per_task = resamples != nullptr ? PAIRS_PER_TASK_WITH_BOOTSTRAP : PAIRS_PER_TASK;
    const std::size_t block = per_task * TASKS_PER_THREAD_AND_BLOCK * team_size();
    for (std::size_t start = 0; start < total; start += block) {
        const std::size_t end = std::min(total, start + block);
        // The block's pairs shared evenly among its tasks.
        const std::size_t tasks = std::min(end - start, TASKS_PER_THREAD_AND_BLOCK * team_size());
        const std::size_t share = (end - start + tasks - 1) / tasks;
        parallel_for(tasks, 1, [&](std::size_t t) {
            const std::size_t first = std::min(end, start + t * share), size = std::min(share, end - first);
            if (size == 0) return;
            Scratch& local = scratch.local();
            local.members.clear();
            for (std::size_t k = first; k < first + size; ++k) {
                local.members.push_back(pairs[k].first);
                local.members.push_back(pairs[k].second);
            }
            local.compared.resize(size);
            if (resamples == nullptr) {
                compute_compared_averages(data, local.members, 2, local.combine, local.compared);
            } else {
                local.intervals.assign(size, ResampledFieldAverage(data.locus_count()));
                const LocusRecordSink keep = [&](std::size_t k, std::size_t i, const LocusOutcome& record) {
                    local.intervals[k].set(i, record, &LocusStats::fst_unshared);
                };
                compute_compared_averages(data, local.members, 2, local.combine, local.compared, &keep);
            }
            for (std::size_t k = 0; k < size; ++k) {
                PairResult& pair = pairs[first + k];
                const ComparedAverage& compared = local.compared[k];
                pair.fst_unshared = compared.average.fst_unshared;
                pair.fst_shannon = compared.average.fst_shannon;
                pair.fst_pq = compared.average.fst_pq;
                pair.loci_without_pairs_within = compared.loci_without_pairs_within;
                if (sites != nullptr) pair.distance = pair_distance(*sites, pair.first, pair.second, pair.km);
                if (resamples != nullptr) pair.fst_interval = bootstrap_field(local.intervals[k], *resamples);
            }
        });
        for (std::size_t k = start; k < end; ++k) progress.step(k + 1, total);
    }
    return pairs;
}

}  // namespace phenostat

#include "analyses/analyses.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <optional>

#include "base/fatal_error.h"
#include "base/ties.h"
#include "stats/geodesic.h"

namespace phenostat {

namespace {

constexpr std::size_t LOCI_PER_CHUNK = 16;
// Work handed out at a time: enough pieces per thread to even out their
// lengths, few enough that progress is reported often.
constexpr std::size_t PAIRS_PER_THREAD_AND_BLOCK = 16;
constexpr std::size_t TASKS_PER_THREAD_AND_BLOCK = 4;
// Replicates computed together, each locus read once for all of them (the
// data set is larger than a core's cache).
constexpr std::size_t REPLICATES_PER_TASK = 8;

}  // namespace

AllSamplesResult analyse_all_samples(const Dataset& data) {
    AllSamplesResult result;
    result.table.loci.resize(data.locus_count());
    result.tallies.resize(data.locus_count());
    std::vector<std::int64_t> typed(data.locus_count(), 0);
    SetScratch scratch;
    parallel_for(data.locus_count(), LOCI_PER_CHUNK, [&](std::size_t i) {
        const CodedLocus& locus = data.coded.loci[i];
        const LocusSummary& summary = data.summaries[i];
        std::int64_t allele_total = 0;
        for (const SampleSummary& sample : summary.samples) {
            typed[i] += sample.typed;
            allele_total += sample.allele_total;
        }
        CombineScratch& local = scratch.local();
        SetAccumulator& accumulator = local.accumulator;
        accumulator.begin(locus, typed[i], allele_total, Detail::full);
        for (std::size_t s = 0; s < data.sample_count(); ++s) accumulator.add(locus, summary, s);
        accumulator.pooled(result.tallies[i].alleles, result.tallies[i].phenotypes);
        result.table.loci[i] = accumulator.finish(local.cache);
    });
    std::int64_t total = 0;
    for (const std::int64_t n : typed) total += n;
    LocusAverager averager(total, Detail::full);
    for (const LocusOutcome& outcome : result.table.loci) averager.add(outcome.stats, outcome.typed);
    result.table.average = averager.result();
    return result;
}

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

GroupCatalogue build_group_catalogue(const SampleCatalogue& catalogue) {
    GroupCatalogue groups;
    groups.slots.assign(catalogue.sample_count(), NO_GROUP);
    for (std::size_t s = 0; s < catalogue.sample_count(); ++s) {
        const std::string& group = catalogue.samples[s].group;
        if (group.empty()) continue;
        const auto found = std::find(groups.names.begin(), groups.names.end(), group);
        const auto g = static_cast<std::size_t>(found - groups.names.begin());
        if (found == groups.names.end()) {
            groups.names.push_back(group);
            groups.sizes.push_back(0);
        }
        groups.slots[s] = g;
        ++groups.sizes[g];
    }
    return groups;
}

GroupTables analyse_groups(const Dataset& data) {
    GroupTables result;
    result.groups = build_group_catalogue(data.catalogue);
    if (result.groups.names.empty()) {
        throw FatalError(
            "\n\nNo sample belongs to a group: the first column of every sample's first line is empty, "
            "so there are no groups to compare.");
    }
    SetScratch scratch;
    for (std::size_t g = 0; g < result.groups.names.size(); ++g) {
        std::vector<std::size_t> members;
        for (std::size_t s = 0; s < result.groups.slots.size(); ++s)
            if (result.groups.slots[s] == g) members.push_back(s);
        result.tables.push_back(compute_set_table(data, members, scratch));
    }
    return result;
}

void shuffle_samples(std::vector<std::size_t>& order, RandomGenerator& random) {
    const std::size_t count = order.size();
    for (std::size_t i = 0; i + 1 < count; ++i) {
        const auto x = static_cast<std::size_t>(random.next());
        const std::size_t k = i + x * (count - i) / 32768;
        std::swap(order[i], order[k]);
    }
}

ComparedValues test_statistics(std::span<const LocusStats> groups) {
    ComparedValues total{};
    for (std::size_t k = 0; k < total.size(); ++k) {
        // Groups whose values differ only by rounding (sums taken in another
        // order) do not differ: their statistic is 0, not noise in the last bits.
        double low = 0, high = 0;
        for (std::size_t i = 0; i < groups.size(); ++i) {
            const double v = groups[i].*COMPARED_FIELDS[k];
            low = i == 0 ? v : std::min(low, v);
            high = i == 0 ? v : std::max(high, v);
        }
        if (equal_up_to_rounding(low, high)) continue;
        for (std::size_t i = 0; i < groups.size(); ++i) {
            for (std::size_t j = i + 1; j < groups.size(); ++j) {
                const double d = groups[i].*COMPARED_FIELDS[k] - groups[j].*COMPARED_FIELDS[k];
                total[k] += d * d;
            }
        }
    }
    return total;
}

namespace {

// Each group's compared values from its averages.
std::vector<ComparedValues> compared_values(std::span<const LocusStats> averages) {
    std::vector<ComparedValues> values(averages.size());
    for (std::size_t g = 0; g < averages.size(); ++g)
        for (std::size_t k = 0; k < COMPARED_STATISTIC_COUNT; ++k) values[g][k] = averages[g].*COMPARED_FIELDS[k];
    return values;
}

}  // namespace

PermutationResult permutation_test(const Dataset& data, const GroupCatalogue& groups, int permutations,
                                   RandomGenerator& random, Progress& progress) {
    PermutationResult result;
    result.permutations = permutations;
    const std::size_t group_count = groups.names.size();
    const std::size_t sample_count = groups.slots.size();
    PerThread<GroupScratch> scratch;
    std::vector<LocusStats> averages(group_count);
    compute_group_averages(data, groups.slots, sample_count, group_count, scratch.local(), averages);
    result.group_values = compared_values(averages);
    result.observed = test_statistics(averages);

    // Replicates in blocks: each block's shuffles drawn in order from the one
    // generator, its replicates spread over the threads a few at a time, then
    // counted and reported in order.
    const auto total = static_cast<std::size_t>(permutations);
    const std::size_t block = std::min(total, REPLICATES_PER_TASK * TASKS_PER_THREAD_AND_BLOCK * team_size());
    std::vector<std::size_t> order(sample_count);
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::vector<std::size_t> group_of(block * sample_count);
    averages.resize(block * group_count);
    std::vector<ComparedValues> statistics(block);
    for (std::size_t start = 0; start < total; start += block) {
        const std::size_t size = std::min(block, total - start);
        for (std::size_t r = 0; r < size; ++r) {
            shuffle_samples(order, random);
            std::size_t* const assignment = &group_of[r * sample_count];
            for (std::size_t k = 0; k < sample_count; ++k) assignment[order[k]] = groups.slots[k];
        }
        const std::size_t tasks = (size + REPLICATES_PER_TASK - 1) / REPLICATES_PER_TASK;
        parallel_for(tasks, 1, [&](std::size_t t) {
            const std::size_t first = t * REPLICATES_PER_TASK, count = std::min(REPLICATES_PER_TASK, size - first);
            const std::span<LocusStats> out(&averages[first * group_count], count * group_count);
            compute_group_averages(data, std::span(&group_of[first * sample_count], count * sample_count),
                                   sample_count, group_count, scratch.local(), out);
            for (std::size_t r = 0; r < count; ++r)
                statistics[first + r] = test_statistics(out.subspan(r * group_count, group_count));
        });
        for (std::size_t r = 0; r < size; ++r) {
            for (std::size_t k = 0; k < COMPARED_STATISTIC_COUNT; ++k) {
                if (!reaches(statistics[r][k], result.observed[k])) continue;
                ++result.at_least[k];
                result.p_values[k] += 1.0 / permutations;
            }
            progress.step(start + r + 1, total);
        }
    }
    return result;
}

}  // namespace phenostat

#include "analyses/analyses.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <optional>

#include "base/fatal_error.h"
#include "stats/geodesic.h"

namespace phenostat {

AllSamplesResult analyse_all_samples(const Dataset& data) {
    std::vector<std::size_t> set(data.sample_count());
    std::iota(set.begin(), set.end(), std::size_t{0});
    AllSamplesResult result;
    result.table.loci.reserve(data.locus_count());
    result.tallies.resize(data.locus_count());
    CombineScratch scratch;
    SetAccumulator& accumulator = scratch.accumulator;
    std::int64_t total = 0;
    for (std::size_t i = 0; i < data.locus_count(); ++i) {
        const CodedLocus& locus = data.coded.loci[i];
        const LocusSummary& summary = data.summaries[i];
        std::int64_t typed = 0, allele_total = 0;
        for (const SampleSummary& sample : summary.samples) {
            typed += sample.typed;
            allele_total += sample.allele_total;
        }
        accumulator.begin(locus, typed, allele_total, Detail::full);
        for (const std::size_t s : set) accumulator.add(locus, summary, s);
        accumulator.pooled(result.tallies[i].alleles, result.tallies[i].phenotypes);
        result.table.loci.push_back(accumulator.finish(scratch.cache));
        total += typed;
    }
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
    std::vector<PairResult> pairs;
    pairs.reserve(total);
    CombineScratch scratch;
    std::vector<LocusOutcome> loci;
    for (std::size_t i = 0; i + 1 < count; ++i) {
        for (std::size_t j = i + 1; j < count; ++j) {
            const std::size_t set[2] = {i, j};
            const ComparedAverage compared =
                compute_compared_average(data, set, scratch, resamples != nullptr ? &loci : nullptr);
            PairResult& pair = pairs.emplace_back();
            pair.first = i;
            pair.second = j;
            pair.fst_unshared = compared.average.fst_unshared;
            pair.fst_shannon = compared.average.fst_shannon;
            pair.fst_pq = compared.average.fst_pq;
            pair.loci_without_pairs_within = compared.loci_without_pairs_within;
            if (sites != nullptr) pair.distance = pair_distance(*sites, i, j, pair.km);
            if (resamples != nullptr) pair.fst_interval = bootstrap_field(loci, &LocusStats::fst_unshared, *resamples);
            progress.step(pairs.size(), total);
        }
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
    CombineScratch scratch;
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

ComparedValues test_statistics(const std::vector<ComparedValues>& groups) {
    ComparedValues total{};
    for (std::size_t i = 0; i < groups.size(); ++i) {
        for (std::size_t j = i + 1; j < groups.size(); ++j) {
            for (std::size_t k = 0; k < total.size(); ++k) {
                const double d = groups[i][k] - groups[j][k];
                total[k] += d * d;
            }
        }
    }
    return total;
}

namespace {

// Every group's compared values under the assignment `group_of`.
void group_values(const Dataset& data, const std::vector<std::size_t>& group_of, std::size_t group_count,
                  GroupScratch& scratch, std::vector<LocusStats>& averages, std::vector<ComparedValues>& values) {
    compute_group_averages(data, group_of, group_count, scratch, averages);
    values.resize(group_count);
    for (std::size_t g = 0; g < group_count; ++g)
        for (std::size_t k = 0; k < COMPARED_STATISTIC_COUNT; ++k) values[g][k] = averages[g].*COMPARED_FIELDS[k];
}

}  // namespace

PermutationResult permutation_test(const Dataset& data, const GroupCatalogue& groups, int permutations,
                                   RandomGenerator& random, Progress& progress) {
    PermutationResult result;
    result.permutations = permutations;
    const std::size_t group_count = groups.names.size();
    GroupScratch scratch;
    std::vector<LocusStats> averages;
    group_values(data, groups.slots, group_count, scratch, averages, result.group_values);
    result.observed = test_statistics(result.group_values);

    const std::size_t sample_count = groups.slots.size();
    std::vector<std::size_t> order(sample_count), group_of(sample_count);
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::vector<ComparedValues> values;
    for (int r = 0; r < permutations; ++r) {
        shuffle_samples(order, random);
        for (std::size_t k = 0; k < sample_count; ++k) group_of[order[k]] = groups.slots[k];
        group_values(data, group_of, group_count, scratch, averages, values);
        const ComparedValues replicate = test_statistics(values);
        for (std::size_t k = 0; k < COMPARED_STATISTIC_COUNT; ++k) {
            if (replicate[k] < result.observed[k]) continue;
            ++result.at_least[k];
            result.p_values[k] += 1.0 / permutations;
        }
        progress.step(static_cast<std::size_t>(r) + 1, static_cast<std::size_t>(permutations));
    }
    return result;
}

}  // namespace phenostat

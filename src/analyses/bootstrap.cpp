#include "analyses/bootstrap.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "base/parallel.h"
#include "base/random_generator.h"

namespace phenostat {

namespace {

constexpr std::size_t REPLICATES_PER_BLOCK = 4096;
constexpr std::size_t REPLICATES_PER_CHUNK = 8;

}  // namespace

LocusResamples draw_resamples(std::size_t loci, std::size_t replicates, std::uint32_t seed) {
    LocusResamples resamples{loci, replicates, std::vector<double>(loci * replicates, 0.0)};
    parallel_for(replicates, REPLICATES_PER_CHUNK, [&](std::size_t r) {
        Draws random(seed, RandomAnalysis::bootstrap, r);
        for (std::size_t k = 0; k < loci; ++k) ++resamples.counts[r * loci + random.below(loci)];
    });
    return resamples;
}

Interval percentile_interval(std::vector<double>& values) {
    Interval interval;
    interval.replicates = values.size();
    if (values.empty()) return interval;
    std::sort(values.begin(), values.end());
    auto quantile = [&](double p) {
        const double h = static_cast<double>(values.size() - 1) * p;
        const auto below = static_cast<std::size_t>(std::floor(h));
        const std::size_t above = std::min(below + 1, values.size() - 1);
        return values[below] + (h - static_cast<double>(below)) * (values[above] - values[below]);
    };
    interval.low = quantile(0.025);
    interval.high = quantile(0.975);
    return interval;
}

std::array<Interval, STATISTIC_COUNT> bootstrap_table(const SetTable& table, const LocusResamples& resamples) {
    return bootstrap_table(ResampledAverage(table.loci), resamples);
}

std::array<Interval, STATISTIC_COUNT> bootstrap_table(const ResampledAverage& average,
                                                      const LocusResamples& resamples) {
    // The replicates in blocks, spread over the threads; each replicate's
    // averages are kept by its number and gathered in replicate order.
    struct Averages {
        std::array<double, STATISTIC_COUNT> values;
        std::uint64_t defined;  // 0: the replicate drew no typed individual
    };
    std::array<std::vector<double>, STATISTIC_COUNT> values;
    const std::size_t block = std::min(resamples.replicates, REPLICATES_PER_BLOCK);
    std::vector<Averages> averages(block);
    for (std::size_t start = 0; start < resamples.replicates; start += block) {
        const std::size_t size = std::min(block, resamples.replicates - start);
        parallel_for(size, REPLICATES_PER_CHUNK, [&](std::size_t b) {
            averages[b].defined = average.average(resamples.replicate(start + b), averages[b].values);
        });
        for (std::size_t b = 0; b < size; ++b)
            for (std::size_t f = 0; f < STATISTIC_COUNT; ++f)
                if (averages[b].defined >> f & 1) values[f].push_back(averages[b].values[f]);
    }
    std::array<Interval, STATISTIC_COUNT> intervals;
    for (std::size_t f = 0; f < STATISTIC_COUNT; ++f) intervals[f] = percentile_interval(values[f]);
    return intervals;
}

Interval bootstrap_field(std::span<const LocusOutcome> loci, LocusStatsField field, const LocusResamples& resamples) {
    return bootstrap_field(ResampledFieldAverage(loci, field), resamples);
}

Interval bootstrap_field(const ResampledFieldAverage& average, const LocusResamples& resamples) {
    std::vector<double> values;
    values.reserve(resamples.replicates);
    for (std::size_t r = 0; r < resamples.replicates; ++r)
        if (const std::optional<double> value = average.average(resamples.replicate(r))) values.push_back(*value);
    return percentile_interval(values);
}

}  // namespace phenostat

#pragma once
// Confidence intervals over loci: the loci are resampled with replacement,
// each replicate's average across loci is recomputed by the rule of the
// average row (weights: individuals typed), and the 2.5% and 97.5%
// percentiles of the replicates are reported (linear interpolation between
// order statistics, R's quantile type 7).

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "analyses/set_statistics.h"

namespace phenostat {

// Replicate r takes locus i counts[r * loci + i] times. Every table and pair
// of a run is resampled with the same replicates.
struct LocusResamples {
    std::size_t loci = 0;
    std::size_t replicates = 0;
    std::vector<double> counts;  // whole numbers, held as doubles for the weighted sums
    std::span<const double> replicate(std::size_t r) const { return {counts.data() + r * loci, loci}; }
};
// Replicate r draws its loci from its own stream of `seed`.
LocusResamples draw_resamples(std::size_t loci, std::size_t replicates, std::uint32_t seed);

struct Interval {
    double low = 0, high = 0;
    std::size_t replicates = 0;  // replicates in which the statistic was defined; 0: no interval
};

// The interval of the defined values (sorted in place).
Interval percentile_interval(std::vector<double>& values);

// Every printed field of the table's average across loci, in column order
// (ResampledAverage). A replicate's value counts where the replicate makes the
// field defined, by the average row's rule (defines_average).
std::array<Interval, STATISTIC_COUNT> bootstrap_table(const SetTable& table, const LocusResamples& resamples);
// The same from the table's terms gathered locus by locus.
std::array<Interval, STATISTIC_COUNT> bootstrap_table(const ResampledAverage& average, const LocusResamples& resamples);

// The interval of one field's average over per-locus records (the F'st of a pair).
Interval bootstrap_field(std::span<const LocusOutcome> loci, LocusStatsField field, const LocusResamples& resamples);
// The same from the field's terms gathered locus by locus.
Interval bootstrap_field(const ResampledFieldAverage& average, const LocusResamples& resamples);

}  // namespace phenostat

#pragma once
// Averages across loci, and which of their values are defined: the average
// row of every table (LocusAverager), the same average over loci drawn with
// replacement (the bootstrap's replicates), and the rule that says when a
// locus's value, or an average's, stands for "undefined".

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "stats/locus_computation.h"
#include "stats/statistics.h"

namespace phenostat {

// Whether a field of a locus record holds a value, or a 0.0 that stands for
// "undefined": nobody typed, no pair to average over, a single sample where
// samples are compared, a monomorphic locus for F'st, no PsLD.
// phenotypes_per_sample_variable belongs to averages only.
bool is_defined(const LocusOutcome& outcome, LocusStatsField field);

// Whether a locus makes a field of the average defined: it defines the field,
// or, for phenotypes_per_sample_variable, it is typed and has more than one
// phenotype per sample. A field of an average is NA only where none of its
// loci make it defined.
bool defines_average(const LocusOutcome& locus, LocusStatsField field);
// For every printed field, in column order.
std::array<bool, STATISTIC_COUNT> average_defined(std::span<const LocusOutcome> loci);
// The same a locus at a time: adds the fields `locus` defines to `defined`.
void add_defined(std::array<bool, STATISTIC_COUNT>& defined, const LocusOutcome& locus);

// The one average across loci, weighted by the typed individuals of each
// locus: every averaged field is sum_i w(i)/W * value(i) in locus order (all
// printed fields but phenotypes_per_sample_variable, or only the compared
// ones), and phenotypes_per_sample_variable is the w-weighted mean of
// phenotypes_per_sample over the loci where it exceeds 1.0. W = 0 gives zeros.
class LocusAverager {
public:
    LocusAverager() = default;
    LocusAverager(std::int64_t total_weight, Detail detail) { reset(total_weight, detail); }
    void reset(std::int64_t total_weight, Detail detail);
    void add(const LocusStats& record, std::int64_t weight);
    LocusStats result() const;

private:
    std::int64_t total_ = 0;
    Detail detail_ = Detail::full;
    LocusStats sum_{};
    double variable_sum_ = 0.0;
    std::int64_t variable_weight_ = 0;
};

// The average across loci of a draw of the loci with replacement, locus i
// taken counts[i] times (whole numbers held as doubles): every printed field
// is sum_i c_i w_i value_i / sum_i c_i w_i in locus order (a different order
// from LocusAverager's, kept for the bootstrap's numbers), and
// phenotypes_per_sample_variable the same over the loci that make it defined.
class ResampledAverage {
public:
    explicit ResampledAverage(std::span<const LocusOutcome> loci);
    // Locus by locus instead, with set(): the records need not be kept.
    explicit ResampledAverage(std::size_t loci)
        : loci_(loci), weighted_(loci * STATISTIC_COUNT), weight_(loci), defines_(loci, 0) {}
    void set(std::size_t i, const LocusOutcome& locus);
    // Writes the averages and returns the fields the draw makes defined, bit c
    // for column c (0 when the draw holds no typed individual).
    std::uint64_t average(std::span<const double> counts, std::array<double, STATISTIC_COUNT>& values) const;

private:
    std::size_t loci_ = 0;
    std::vector<double> weighted_;  // locus by locus: each field times the locus's weight
    std::vector<double> weight_;
    std::vector<std::uint64_t> defines_;
};

// The same for one field alone (the F'st of a pair), summed over four lanes
// for speed; nothing when no drawn locus defines the field.
class ResampledFieldAverage {
public:
    ResampledFieldAverage(std::span<const LocusOutcome> loci, LocusStatsField field);
    // Locus by locus instead, with set(): the records need not be kept.
    explicit ResampledFieldAverage(std::size_t loci) : loci_(loci), terms_(3 * loci) {}
    void set(std::size_t i, const LocusOutcome& locus, LocusStatsField field);
    std::optional<double> average(std::span<const double> counts) const;

private:
    std::size_t loci_ = 0;
    std::vector<double> terms_;  // the field times the weight, the weight, 1 where defined: loci_ each
};

}  // namespace phenostat

#include "stats/locus_average.h"

namespace phenostat {

namespace {

constexpr std::size_t VARIABLE_COLUMN = column_of(&LocusStats::phenotypes_per_sample_variable);
constexpr std::size_t PER_SAMPLE_COLUMN = column_of(&LocusStats::phenotypes_per_sample);
static_assert(STATISTIC_COUNT <= 64, "a draw's defined fields are kept as bits of one word");

}  // namespace

bool is_defined(const LocusOutcome& o, LocusStatsField field) {
    const LocusStats& r = o.stats;
    const std::int64_t pairs_across = o.pairs_within + o.pairs_between;
    const bool several = o.set_size >= 2;
    const bool varies = several && r.polymorphic == 1.0;
    if (o.typed == 0 || field == &LocusStats::phenotypes_per_sample_variable) return false;
    if (field == &LocusStats::unshared_within || field == &LocusStats::shared_within) return o.pairs_within > 0;
    if (field == &LocusStats::unshared_across || field == &LocusStats::shared_across)
        return several && pairs_across > 0;
    if (field == &LocusStats::unshared_between || field == &LocusStats::shared_between)
        return several && o.pairs_between > 0;
    if (field == &LocusStats::fst_unshared) return varies && o.pairs_within > 0 && r.unshared_across != 0.0;
    if (field == &LocusStats::fst_shannon) return varies && r.shannon_across != 0.0;
    if (field == &LocusStats::fst_pq) return varies && r.pq_across != 0.0;
    if (field == &LocusStats::psld) return r.psld_calculable == 1.0;
    return true;
}

void LocusAverager::reset(std::int64_t total_weight, Detail detail) {
    total_ = total_weight;
    detail_ = detail;
    sum_ = LocusStats{};
    variable_sum_ = 0.0;
    variable_weight_ = 0;
}

void LocusAverager::add(const LocusStats& record, std::int64_t weight) {
    if (total_ == 0) return;
    const double p = static_cast<double>(weight) / static_cast<double>(total_);
    if (detail_ == Detail::compared) {
        for (const LocusStatsField field : COMPARED_FIELDS) sum_.*field += p * (record.*field);
        return;
    }
    for (const LocusStatsField field : PRINTED_FIELDS) {
        if (field == &LocusStats::phenotypes_per_sample_variable) continue;
        sum_.*field += p * (record.*field);
    }
    if (record.phenotypes_per_sample > 1.0) {
        variable_sum_ += static_cast<double>(weight) * record.phenotypes_per_sample;
        variable_weight_ += weight;
    }
}

LocusStats LocusAverager::result() const {
    if (total_ == 0) return LocusStats{};
    LocusStats average = sum_;
    if (detail_ == Detail::full && variable_weight_ > 0)
        average.phenotypes_per_sample_variable = variable_sum_ / static_cast<double>(variable_weight_);
    return average;
}

bool defines_average(const LocusOutcome& locus, LocusStatsField field) {
    if (field == &LocusStats::phenotypes_per_sample_variable)
        return locus.typed > 0 && locus.stats.phenotypes_per_sample > 1.0;
    return is_defined(locus, field);
}

std::array<bool, STATISTIC_COUNT> average_defined(std::span<const LocusOutcome> loci) {
    std::array<bool, STATISTIC_COUNT> defined{};
    for (const LocusOutcome& locus : loci) add_defined(defined, locus);
    return defined;
}

void add_defined(std::array<bool, STATISTIC_COUNT>& defined, const LocusOutcome& locus) {
    for (std::size_t c = 0; c < STATISTIC_COUNT; ++c)
        defined[c] = defined[c] || defines_average(locus, PRINTED_FIELDS[c]);
}

ResampledAverage::ResampledAverage(std::span<const LocusOutcome> loci) : ResampledAverage(loci.size()) {
    for (std::size_t i = 0; i < loci_; ++i) set(i, loci[i]);
}

void ResampledAverage::set(std::size_t i, const LocusOutcome& locus) {
    weight_[i] = static_cast<double>(locus.typed);
    defines_[i] = 0;
    for (std::size_t c = 0; c < STATISTIC_COUNT; ++c) {
        weighted_[i * STATISTIC_COUNT + c] = weight_[i] * (locus.stats.*PRINTED_FIELDS[c]);
        if (defines_average(locus, PRINTED_FIELDS[c])) defines_[i] |= std::uint64_t{1} << c;
    }
}

std::uint64_t ResampledAverage::average(std::span<const double> counts,
                                        std::array<double, STATISTIC_COUNT>& values) const {
    std::array<double, STATISTIC_COUNT> sums{};
    double total = 0, variable_sum = 0, variable_total = 0;
    std::uint64_t defined = 0;
    for (std::size_t i = 0; i < loci_; ++i) {
        if (counts[i] == 0) continue;
        const double c = counts[i];
        const double* row = &weighted_[i * STATISTIC_COUNT];
        for (std::size_t f = 0; f < STATISTIC_COUNT; ++f) sums[f] += c * row[f];
        total += c * weight_[i];
        defined |= defines_[i];
        if (defines_[i] >> VARIABLE_COLUMN & 1) {
            variable_sum += c * row[PER_SAMPLE_COLUMN];
            variable_total += c * weight_[i];
        }
    }
    if (total == 0) return 0;
    sums[VARIABLE_COLUMN] = variable_total > 0 ? variable_sum / variable_total * total : 0.0;
    for (std::size_t f = 0; f < STATISTIC_COUNT; ++f) values[f] = sums[f] / total;
    return defined;
}

ResampledFieldAverage::ResampledFieldAverage(std::span<const LocusOutcome> loci, LocusStatsField field)
    : ResampledFieldAverage(loci.size()) {
    for (std::size_t i = 0; i < loci_; ++i) set(i, loci[i], field);
}

void ResampledFieldAverage::set(std::size_t i, const LocusOutcome& locus, LocusStatsField field) {
    double* const weighted = terms_.data();
    double* const weight = weighted + loci_;
    double* const defines = weight + loci_;
    weight[i] = static_cast<double>(locus.typed);
    weighted[i] = weight[i] * (locus.stats.*field);
    defines[i] = defines_average(locus, field) ? 1.0 : 0.0;
}

std::optional<double> ResampledFieldAverage::average(std::span<const double> counts) const {
    // The three sums are dot products of the terms with the counts.
    const std::size_t n = loci_;
    const double* const weighted = terms_.data();
    const double* const weight = weighted + n;
    const double* const defines = weight + n;
    const double* const c = counts.data();
    double sum[4] = {}, total[4] = {}, defined[4] = {};
    std::size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        for (std::size_t k = 0; k < 4; ++k) {
            sum[k] += c[i + k] * weighted[i + k];
            total[k] += c[i + k] * weight[i + k];
            defined[k] += c[i + k] * defines[i + k];
        }
    }
    for (; i < n; ++i) {
        sum[0] += c[i] * weighted[i];
        total[0] += c[i] * weight[i];
        defined[0] += c[i] * defines[i];
    }
    const double all = (total[0] + total[1]) + (total[2] + total[3]);
    if ((defined[0] + defined[1]) + (defined[2] + defined[3]) > 0 && all > 0)
        return ((sum[0] + sum[1]) + (sum[2] + sum[3])) / all;
    return std::nullopt;
}

}  // namespace phenostat

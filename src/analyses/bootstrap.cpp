#include "analyses/bootstrap.h"

#include <algorithm>
#include <cmath>

#include "base/random_generator.h"

namespace phenostat {

namespace {

constexpr std::size_t FIELDS = 43;
constexpr std::uint64_t BOOTSTRAP_STREAM = 2;

std::size_t column_of(LocusStatsField field) {
    std::size_t c = 0;
    while (PRINTED_FIELDS[c] != field) ++c;
    return c;
}

}  // namespace

LocusResamples draw_resamples(std::size_t loci, std::size_t replicates, std::uint64_t seed) {
    LocusResamples resamples{loci, replicates, std::vector<std::uint32_t>(loci * replicates, 0)};
    Stream64 random(seed, BOOTSTRAP_STREAM);
    for (std::size_t r = 0; r < replicates; ++r)
        for (std::size_t k = 0; k < loci; ++k) ++resamples.counts[r * loci + random.below(loci)];
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

std::array<Interval, 43> bootstrap_table(const SetTable& table, const LocusResamples& resamples) {
    const std::size_t loci = table.loci.size();
    const std::size_t variable = column_of(&LocusStats::phenotypes_per_sample_variable);
    const std::size_t per_sample = column_of(&LocusStats::phenotypes_per_sample);
    // Per locus: its weight, each field times the weight, and which fields it defines.
    std::vector<double> weighted(loci * FIELDS), weight(loci);
    std::vector<std::uint64_t> defines(loci, 0);
    for (std::size_t i = 0; i < loci; ++i) {
        const LocusOutcome& locus = table.loci[i];
        weight[i] = static_cast<double>(locus.typed);
        for (std::size_t c = 0; c < FIELDS; ++c) {
            weighted[i * FIELDS + c] = weight[i] * (locus.stats.*PRINTED_FIELDS[c]);
            if (is_defined(locus, PRINTED_FIELDS[c])) defines[i] |= std::uint64_t{1} << c;
        }
        if (locus.typed > 0 && locus.stats.phenotypes_per_sample > 1.0) defines[i] |= std::uint64_t{1} << variable;
    }
    std::array<std::vector<double>, FIELDS> values;
    std::array<double, FIELDS> sums{};
    for (std::size_t r = 0; r < resamples.replicates; ++r) {
        const std::span<const std::uint32_t> counts = resamples.replicate(r);
        sums.fill(0.0);
        double total = 0, variable_sum = 0, variable_total = 0;
        std::uint64_t defined = 0;
        for (std::size_t i = 0; i < loci; ++i) {
            if (counts[i] == 0) continue;
            const double c = counts[i];
            const double* row = &weighted[i * FIELDS];
            for (std::size_t f = 0; f < FIELDS; ++f) sums[f] += c * row[f];
            total += c * weight[i];
            defined |= defines[i];
            if (defines[i] >> variable & 1) {
                variable_sum += c * row[per_sample];
                variable_total += c * weight[i];
            }
        }
        if (total == 0) continue;
        sums[variable] = variable_total > 0 ? variable_sum / variable_total * total : 0.0;
        for (std::size_t f = 0; f < FIELDS; ++f)
            if (defined >> f & 1) values[f].push_back(sums[f] / total);
    }
    std::array<Interval, 43> intervals;
    for (std::size_t f = 0; f < FIELDS; ++f) intervals[f] = percentile_interval(values[f]);
    return intervals;
}

Interval bootstrap_field(std::span<const LocusOutcome> loci, LocusStatsField field, const LocusResamples& resamples) {
    // Per locus: its weight, the field times the weight, and whether it defines the field.
    std::vector<double> weight(loci.size()), weighted(loci.size());
    std::vector<char> defines(loci.size());
    for (std::size_t i = 0; i < loci.size(); ++i) {
        weight[i] = static_cast<double>(loci[i].typed);
        weighted[i] = weight[i] * (loci[i].stats.*field);
        defines[i] = is_defined(loci[i], field);
    }
    std::vector<double> values;
    values.reserve(resamples.replicates);
    for (std::size_t r = 0; r < resamples.replicates; ++r) {
        const std::span<const std::uint32_t> counts = resamples.replicate(r);
        double sum = 0, total = 0;
        char defined = 0;
        for (std::size_t i = 0; i < loci.size(); ++i) {
            const double c = counts[i];
            sum += c * weighted[i];
            total += c * weight[i];
            defined |= static_cast<char>(counts[i] != 0 && defines[i]);
        }
        if (defined && total > 0) values.push_back(sum / total);
    }
    return percentile_interval(values);
}

}  // namespace phenostat

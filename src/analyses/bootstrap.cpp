#include "analyses/bootstrap.h"

#include <algorithm>
#include <cmath>

#include "base/parallel.h"
#include "base/random_generator.h"

namespace phenostat {

namespace {

constexpr std::size_t FIELDS = 43;
constexpr std::uint64_t BOOTSTRAP_STREAM = 2;
constexpr std::size_t REPLICATES_PER_BLOCK = 4096;
constexpr std::size_t REPLICATES_PER_CHUNK = 8;

std::size_t column_of(LocusStatsField field) {
    std::size_t c = 0;
    while (PRINTED_FIELDS[c] != field) ++c;
    return c;
}

}  // namespace

LocusResamples draw_resamples(std::size_t loci, std::size_t replicates, std::uint64_t seed) {
    LocusResamples resamples{loci, replicates, std::vector<double>(loci * replicates, 0.0)};
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
    // The replicates in blocks, spread over the threads; each replicate's
    // averages are kept by its number and gathered in replicate order.
    struct Averages {
        std::array<double, FIELDS> values;
        std::uint64_t defined;  // 0: the replicate drew no typed individual
    };
    std::array<std::vector<double>, FIELDS> values;
    const std::size_t block = std::min(resamples.replicates, REPLICATES_PER_BLOCK);
    std::vector<Averages> averages(block);
    for (std::size_t start = 0; start < resamples.replicates; start += block) {
        const std::size_t size = std::min(block, resamples.replicates - start);
        parallel_for(size, REPLICATES_PER_CHUNK, [&](std::size_t b) {
            const std::span<const double> counts = resamples.replicate(start + b);
            std::array<double, FIELDS> sums{};
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
            Averages& out = averages[b];
            out.defined = total == 0 ? 0 : defined;
            if (total == 0) return;
            sums[variable] = variable_total > 0 ? variable_sum / variable_total * total : 0.0;
            for (std::size_t f = 0; f < FIELDS; ++f) out.values[f] = sums[f] / total;
        });
        for (std::size_t b = 0; b < size; ++b)
            for (std::size_t f = 0; f < FIELDS; ++f)
                if (averages[b].defined >> f & 1) values[f].push_back(averages[b].values[f]);
    }
    std::array<Interval, 43> intervals;
    for (std::size_t f = 0; f < FIELDS; ++f) intervals[f] = percentile_interval(values[f]);
    return intervals;
}

Interval bootstrap_field(std::span<const LocusOutcome> loci, LocusStatsField field, const LocusResamples& resamples) {
    // Per locus: the field times the weight, the weight, and 1 where the
    // locus defines the field; a replicate's three sums are dot products of
    // these with its counts, over four lanes for speed.
    const std::size_t n = loci.size();
    std::vector<double> terms(3 * n);
    double* const weighted = terms.data();
    double* const weight = weighted + n;
    double* const defines = weight + n;
    for (std::size_t i = 0; i < n; ++i) {
        weight[i] = static_cast<double>(loci[i].typed);
        weighted[i] = weight[i] * (loci[i].stats.*field);
        defines[i] = is_defined(loci[i], field) ? 1.0 : 0.0;
    }
    std::vector<double> values;
    values.reserve(resamples.replicates);
    for (std::size_t r = 0; r < resamples.replicates; ++r) {
        const double* const c = resamples.replicate(r).data();
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
            values.push_back(((sum[0] + sum[1]) + (sum[2] + sum[3])) / all);
    }
    return percentile_interval(values);
}

}  // namespace phenostat

#include "stats/locus_computation.h"

#include <algorithm>
#include <cmath>

namespace phenostat {

namespace {

constexpr std::size_t TERM_CACHE_SIZE = std::size_t{1} << 16;
constexpr std::uint64_t EMPTY_KEY = ~std::uint64_t{0};

// A mean over pairs; a pair set without pairs gives 0.0.
double pair_mean(std::int64_t sum, std::int64_t pairs) {
    return pairs == 0 ? 0.0 : static_cast<double>(sum) / static_cast<double>(pairs);
}

double fst(double across, double within) { return across == 0.0 ? 0.0 : (across - within) / across; }

}  // namespace

CombineScratch::CombineScratch() : cache_(TERM_CACHE_SIZE, CacheEntry{EMPTY_KEY, {0.0, 0.0}}) {}

const CombineScratch::Terms& CombineScratch::terms(std::int32_t count, std::int32_t total) {
    const std::uint64_t key = (static_cast<std::uint64_t>(static_cast<std::uint32_t>(total)) << 32) |
                              static_cast<std::uint32_t>(count);
    const std::uint64_t hash = (key * 0x9E3779B97F4A7C15ull) >> 48;
    CacheEntry& entry = cache_[static_cast<std::size_t>(hash) & (TERM_CACHE_SIZE - 1)];
    if (entry.key != key) {
        const double p = static_cast<double>(count) / static_cast<double>(total);
        entry.key = key;
        entry.terms = {p * std::log(p), p * (1.0 - p)};
    }
    return entry.terms;
}

void CombineScratch::reserve(std::size_t alleles, std::size_t phenotypes) {
    if (allele_stamp.size() < alleles) {
        allele_stamp.resize(alleles, 0);
        allele_count.resize(alleles, 0);
        allele_order.resize(alleles, 0);
    }
    if (phenotype_stamp.size() < phenotypes) {
        phenotype_stamp.resize(phenotypes, 0);
        phenotype_count.resize(phenotypes, 0);
        phenotype_order.resize(std::min<std::size_t>(phenotypes, MAX_PHENOTYPES_PER_LOCUS), 0);
    }
    const std::size_t value_room = std::max<std::size_t>(alleles, MAX_PHENOTYPES_PER_LOCUS);
    if (values.size() < value_room) values.resize(value_room);
    if (++stamp == 0) {  // the stamps wrapped: start afresh
        std::fill(allele_stamp.begin(), allele_stamp.end(), 0);
        std::fill(phenotype_stamp.begin(), phenotype_stamp.end(), 0);
        stamp = 1;
    }
}

std::int64_t typed_in_set(const LocusSummary& summary, std::span<const std::size_t> set) {
    std::int64_t typed = 0;
    for (const std::size_t s : set) typed += summary.samples[s].typed;
    return typed;
}

LocusOutcome compute_locus_stats(const CodedLocus& locus, const LocusSummary& summary,
                                 std::span<const std::size_t> set, Detail detail, CombineScratch& scratch) {
    LocusOutcome outcome;
    LocusStats& r = outcome.stats;
    const bool full = detail == Detail::full;

    std::int64_t typed = 0, allele_total = 0, within_pairs = 0, shared_within = 0, unshared_within = 0;
    for (const std::size_t s : set) {
        const SampleSummary& sample = summary.samples[s];
        const std::int64_t n = sample.typed;
        typed += n;
        allele_total += sample.allele_total;
        within_pairs += n * (n - 1) / 2;
        shared_within += sample.shared_sum;
        unshared_within += sample.unshared_sum;
    }
    outcome.typed = typed;
    outcome.no_pairs_within = within_pairs == 0;
    if (typed == 0) return outcome;  // nobody typed: every field stays 0.0
    const double n_total = static_cast<double>(typed);
    const auto total32 = static_cast<std::int32_t>(typed);

    // Pooled tallies, in first-seen order.
    scratch.reserve(locus.allele_count(), locus.phenotype_count());
    const std::uint32_t stamp = scratch.stamp;
    std::size_t allele_slots = 0, phenotype_slots = 0;
    for (const std::size_t s : set) {
        const SampleSummary& sample = summary.samples[s];
        for (auto e = sample.alleles_begin; e < sample.alleles_end; ++e) {
            const auto [id, count] = summary.allele_entries[e];
            const auto i = static_cast<std::size_t>(id);
            if (scratch.allele_stamp[i] == stamp) {
                scratch.allele_count[i] += count;
            } else {
                scratch.allele_stamp[i] = stamp;
                scratch.allele_count[i] = count;
                scratch.allele_order[allele_slots++] = id;
            }
        }
        for (auto e = sample.phenotypes_begin; e < sample.phenotypes_end; ++e) {
            const auto [id, count] = summary.phenotype_entries[e];
            const auto i = static_cast<std::size_t>(id);
            if (scratch.phenotype_stamp[i] == stamp) {
                scratch.phenotype_count[i] += count;
            } else if (phenotype_slots < MAX_PHENOTYPES_PER_LOCUS) {
                scratch.phenotype_stamp[i] = stamp;
                scratch.phenotype_count[i] = count;
                scratch.phenotype_order[phenotype_slots++] = id;
            }
        }
    }

    r.alleles_seen = static_cast<double>(allele_slots);
    r.phenotypes_seen = static_cast<double>(phenotype_slots);
    r.alleles_per_individual_mean = static_cast<double>(allele_total) / n_total;
    r.polymorphic = phenotype_slots == 1 ? 0.0 : 1.0;

    double shannon = 0.0, pq = 0.0;
    for (std::size_t k = 0; k < phenotype_slots; ++k) {
        const auto& t = scratch.terms(scratch.phenotype_count[static_cast<std::size_t>(scratch.phenotype_order[k])], total32);
        shannon -= t.p_log_p;
        pq += t.p_one_minus_p;
    }
    r.shannon_across = shannon;
    r.pq_across = pq;

    if (full) {
        // Alleles per individual, over the typed individuals in order.
        const double mean = r.alleles_per_individual_mean;
        double squares = 0.0, max = 0.0, min = 0.0;
        bool first = true;
        for (const std::size_t s : set) {
            for (auto i = locus.sample_begin[s]; i < locus.sample_begin[s + 1]; ++i) {
                const double size = static_cast<double>(locus.phenotype_size(locus.individuals[i]));
                const double d = mean - size;
                squares += d * d;
                if (first || size > max) max = size;
                if (first || size < min) min = size;
                first = false;
            }
        }
        r.alleles_per_individual_var = squares / n_total;
        r.alleles_per_individual_max = max;
        r.alleles_per_individual_min = min;

        // Sizes of the distinct phenotypes, unweighted.
        double* v = scratch.values.data();
        for (std::size_t k = 0; k < phenotype_slots; ++k)
            v[k] = static_cast<double>(locus.phenotype_size(scratch.phenotype_order[k]));
        const FrequencySummary sizes = summarise_frequencies(v, phenotype_slots);
        r.phenotype_size_mean = sizes.mean;
        r.phenotype_size_var = sizes.var;

        for (std::size_t k = 0; k < allele_slots; ++k)
            v[k] = scratch.allele_count[static_cast<std::size_t>(scratch.allele_order[k])] / n_total;
        const FrequencySummary alleles = summarise_frequencies(v, allele_slots);
        r.allele_freq_across_mean = alleles.mean;
        r.allele_freq_across_var = alleles.var;
        r.allele_freq_across_max = alleles.max;
        r.allele_freq_across_min = alleles.min;

        for (std::size_t k = 0; k < phenotype_slots; ++k)
            v[k] = scratch.phenotype_count[static_cast<std::size_t>(scratch.phenotype_order[k])] / n_total;
        const FrequencySummary phenotypes = summarise_frequencies(v, phenotype_slots);
        r.phenotype_freq_across_mean = phenotypes.mean;
        r.phenotype_freq_across_var = phenotypes.var;
        r.phenotype_freq_across_max = phenotypes.max;
        r.phenotype_freq_across_min = phenotypes.min;
    }

    // Within-sample values, weighted by n_s / N; untyped samples add nothing.
    std::int64_t psld_weight = 0;
    double psld_sum = 0.0;
    for (const std::size_t s : set) {
        const SampleSummary& sample = summary.samples[s];
        if (sample.typed == 0) continue;
        const double w = static_cast<double>(sample.typed) / n_total;
        r.alleles_per_sample += w * sample.alleles_seen;
        r.phenotypes_per_sample += w * sample.phenotypes_seen;
        r.shannon_within += w * sample.shannon;
        r.pq_within += w * sample.pq;
        if (full) {
            r.allele_freq_within_mean += w * sample.allele_freq_mean;
            r.allele_freq_within_var += w * sample.allele_freq_var;
            r.allele_freq_within_max += w * sample.allele_freq_max;
            r.allele_freq_within_min += w * sample.allele_freq_min;
            r.phenotype_freq_within_mean += w * sample.phenotype_freq_mean;
            r.phenotype_freq_within_var += w * sample.phenotype_freq_var;
            r.phenotype_freq_within_max += w * sample.phenotype_freq_max;
            r.phenotype_freq_within_min += w * sample.phenotype_freq_min;
        }
        if (sample.psld_calculable) {
            psld_weight += sample.typed;
            psld_sum += static_cast<double>(sample.typed) * sample.psld;
        }
    }

    // Pairs of individuals.
    r.shared_within = pair_mean(shared_within, within_pairs);
    r.unshared_within = pair_mean(unshared_within, within_pairs);
    if (set.size() >= 2) {
        std::int64_t shared_across = 0;
        for (std::size_t k = 0; k < allele_slots; ++k) {
            const std::int64_t c = scratch.allele_count[static_cast<std::size_t>(scratch.allele_order[k])];
            shared_across += c * (c - 1) / 2;
        }
        const std::int64_t across_pairs = typed * (typed - 1) / 2;
        const std::int64_t unshared_across = (typed - 1) * allele_total - 2 * shared_across;
        r.unshared_across = pair_mean(unshared_across, across_pairs);
        r.shared_across = pair_mean(shared_across, across_pairs);
        r.shared_between = pair_mean(shared_across - shared_within, across_pairs - within_pairs);
        r.unshared_between = pair_mean(unshared_across - unshared_within, across_pairs - within_pairs);
    }

    if (psld_weight > 0) {
        r.psld = psld_sum / static_cast<double>(psld_weight);
        r.psld_calculable = 1.0;
    }

    if (set.size() >= 2 && r.polymorphic == 1.0) {
        r.fst_unshared = fst(r.unshared_across, r.unshared_within);
        r.fst_shannon = fst(r.shannon_across, r.shannon_within);
        r.fst_pq = fst(r.pq_across, r.pq_within);
    }
    return outcome;
}

void LocusAverager::add(const LocusStats& record, std::int64_t weight) {
    if (total_ == 0) return;
    const double p = static_cast<double>(weight) / static_cast<double>(total_);
    if (detail_ == Detail::full) {
        for (const LocusStatsField field : PRINTED_FIELDS) {
            if (field == &LocusStats::phenotypes_per_sample_variable) continue;
            sum_.*field += p * (record.*field);
        }
        if (record.phenotypes_per_sample > 1.0) {
            variable_sum_ += static_cast<double>(weight) * record.phenotypes_per_sample;
            variable_weight_ += weight;
        }
    } else {
        for (const LocusStatsField field : COMPARED_FIELDS) sum_.*field += p * (record.*field);
    }
}

LocusStats LocusAverager::result() const {
    if (total_ == 0) return LocusStats{};
    LocusStats average = sum_;
    if (detail_ == Detail::full && variable_weight_ > 0)
        average.phenotypes_per_sample_variable = variable_sum_ / static_cast<double>(variable_weight_);
    return average;
}

LocusStats average_across_loci(std::span<const LocusStats> records, std::span<const std::int64_t> weights) {
    std::int64_t total = 0;
    for (const std::int64_t w : weights) total += w;
    LocusAverager averager(total, Detail::full);
    for (std::size_t i = 0; i < records.size(); ++i) averager.add(records[i], weights[i]);
    return averager.result();
}

}  // namespace phenostat

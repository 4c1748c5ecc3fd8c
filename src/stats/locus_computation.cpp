#include "stats/locus_computation.h"

#include <algorithm>
#include <cmath>

namespace phenostat {

namespace {

constexpr std::size_t TERM_CACHE_SIZE = std::size_t{1} << 16;
constexpr std::uint64_t EMPTY_KEY = ~std::uint64_t{0};

// The four fields of a frequency summary in a record: mean, var, max, min.
struct SummaryFields {
    LocusStatsField mean, var, max, min;
};
constexpr SummaryFields ALLELES_ACROSS{&LocusStats::allele_freq_across_mean, &LocusStats::allele_freq_across_var,
                                       &LocusStats::allele_freq_across_max, &LocusStats::allele_freq_across_min};
constexpr SummaryFields PHENOTYPES_ACROSS{
    &LocusStats::phenotype_freq_across_mean, &LocusStats::phenotype_freq_across_var,
    &LocusStats::phenotype_freq_across_max, &LocusStats::phenotype_freq_across_min};
constexpr SummaryFields ALLELES_WITHIN{&LocusStats::allele_freq_within_mean, &LocusStats::allele_freq_within_var,
                                       &LocusStats::allele_freq_within_max, &LocusStats::allele_freq_within_min};
constexpr SummaryFields PHENOTYPES_WITHIN{
    &LocusStats::phenotype_freq_within_mean, &LocusStats::phenotype_freq_within_var,
    &LocusStats::phenotype_freq_within_max, &LocusStats::phenotype_freq_within_min};

// Adds w times the summary to the fields.
void add_summary(LocusStats& r, SummaryFields fields, double w, const FrequencySummary& f) {
    r.*fields.mean += w * f.mean;
    r.*fields.var += w * f.var;
    r.*fields.max += w * f.max;
    r.*fields.min += w * f.min;
}

void set_summary(LocusStats& r, SummaryFields fields, const FrequencySummary& f) {
    r.*fields.mean = f.mean;
    r.*fields.var = f.var;
    r.*fields.max = f.max;
    r.*fields.min = f.min;
}

void copy_fields(LocusStats& to, const LocusStats& from, SummaryFields fields) {
    to.*fields.mean = from.*fields.mean;
    to.*fields.var = from.*fields.var;
    to.*fields.max = from.*fields.max;
    to.*fields.min = from.*fields.min;
}

}  // namespace

TermCache::TermCache() : entries_(TERM_CACHE_SIZE, Entry{EMPTY_KEY, {0.0, 0.0}}) {}

const DiversityTerms& TermCache::terms(std::int32_t count, std::int32_t total) {
    const std::uint64_t key = (static_cast<std::uint64_t>(static_cast<std::uint32_t>(total)) << 32) |
                              static_cast<std::uint32_t>(count);
    const std::uint64_t hash = (key * 0x9E3779B97F4A7C15ull) >> 48;
    Entry& entry = entries_[static_cast<std::size_t>(hash) & (TERM_CACHE_SIZE - 1)];
    if (entry.key != key) {
        entry.key = key;
        entry.terms = diversity_terms(count, total);
    }
    return entry.terms;
}

void SetAccumulator::reserve(std::size_t alleles, std::size_t phenotypes) {
    if (allele_count_.size() < alleles) {
        allele_count_.resize(alleles, 0);
        allele_order_.resize(alleles + 1, 0);
    }
    if (phenotype_count_.size() < phenotypes) {
        phenotype_count_.resize(phenotypes, 0);
        phenotype_order_.resize(phenotypes + 1, 0);
    }
    const std::size_t value_room = std::max<std::size_t>(alleles, MAX_PHENOTYPES_PER_LOCUS);
    if (values_.size() < value_room) values_.resize(value_room);
}

void SetAccumulator::begin(const CodedLocus& locus, std::int64_t typed, std::int64_t allele_total, Detail detail) {
    reserve(locus.allele_count(), locus.phenotype_count());
    locus_ = &locus;
    detail_ = detail;
    typed_ = typed;
    allele_total_ = allele_total;
    n_total_ = static_cast<double>(typed);
    set_size_ = 0;
    within_pairs_ = shared_within_ = unshared_within_ = shared_across_ = 0;
    psld_weight_ = 0;
    psld_sum_ = 0.0;
    within_ = LocusStats{};
    size_squares_ = size_max_ = size_min_ = 0.0;
    any_size_ = false;
    allele_slots_ = phenotype_slots_ = 0;
}

void SetAccumulator::add(const LocusSummary& summary, std::size_t s) {
    ++set_size_;
    const SampleSummary& sample = summary.samples[s];
    if (sample.typed == 0) return;  // an untyped sample adds nothing but its place in the set

    // Pooled tallies, in first-seen order: a code is new while its count is
    // still 0. The merge is branch-free: the order list is always written and
    // only advances for a new entry. The pairs sharing an allele grow by
    // C * c + c (c - 1) / 2 when c carriers join C earlier ones.
    std::int32_t* const allele_count = allele_count_.data();
    std::int32_t* const allele_order = allele_order_.data();
    // The sample's own pairs share c (c - 1) / 2 of them.
    std::size_t allele_slots = allele_slots_;
    std::int64_t shared_across = shared_across_, shared_within = 0;
    for (auto e = sample.alleles_begin; e < sample.alleles_end(); ++e) {
        const auto [id, count] = summary.allele_entries[e];
        const std::int64_t before = allele_count[id];
        const std::int64_t own = std::int64_t{count} * (count - 1) / 2;
        allele_count[id] = static_cast<std::int32_t>(before + count);
        shared_across += before * count + own;
        shared_within += own;
        allele_order[allele_slots] = id;
        allele_slots += before == 0;
    }
    allele_slots_ = allele_slots;
    shared_across_ = shared_across;

    std::int32_t* const phenotype_count = phenotype_count_.data();
    std::int32_t* const phenotype_order = phenotype_order_.data();
    std::size_t phenotype_slots = phenotype_slots_;
    for (auto e = sample.phenotypes_begin; e < sample.phenotypes_end; ++e) {
        const auto [id, count] = summary.phenotype_entries[e];
        const std::int32_t before = phenotype_count[id];
        phenotype_count[id] = before + count;
        phenotype_order[phenotype_slots] = id;
        phenotype_slots += before == 0;
    }
    phenotype_slots_ = phenotype_slots;

    // Pairs within the sample.
    const std::int64_t n = sample.typed;
    within_pairs_ += n * (n - 1) / 2;
    shared_within_ += shared_within;
    unshared_within_ += (n - 1) * std::int64_t{sample.allele_total} - 2 * shared_within;

    // Within-sample values, weighted by n_s / N.
    const double w = static_cast<double>(sample.typed) / n_total_;
    within_.alleles_per_sample += w * sample.alleles_seen();
    within_.phenotypes_per_sample += w * sample.phenotypes_seen();
    within_.shannon_within += w * sample.shannon;
    within_.pq_within += w * sample.pq;
    if (sample.psld_calculable) {
        psld_weight_ += sample.typed;
        psld_sum_ += static_cast<double>(sample.typed) * sample.psld;
    }
    if (detail_ == Detail::compared) return;

    add_summary(within_, ALLELES_WITHIN, w, allele_frequency_summary(summary, sample, frequency_values_));
    add_summary(within_, PHENOTYPES_WITHIN, w, phenotype_frequency_summary(summary, sample, frequency_values_));

    // Alleles per individual, over the typed individuals in order.
    const double mean = static_cast<double>(allele_total_) / n_total_;
    double max = size_max_, min = size_min_;
    bool none_yet = !any_size_;
    for (auto i = summary.sample_begin[s]; i < summary.sample_begin[s + 1]; ++i) {
        const double size = static_cast<double>(summary.sizes[i]);
        const double d = mean - size;
        size_squares_ += d * d;
        if (none_yet || size > max) max = size;
        if (none_yet || size < min) min = size;
        none_yet = false;
    }
    size_max_ = max;
    size_min_ = min;
    any_size_ = true;
}

void SetAccumulator::pooled(std::vector<TallyEntry>& alleles, std::vector<TallyEntry>& phenotypes) const {
    alleles.clear();
    phenotypes.clear();
    for (std::size_t k = 0; k < allele_slots_; ++k) {
        const std::int32_t id = allele_order_[k];
        alleles.push_back({id, allele_count_[static_cast<std::size_t>(id)]});
    }
    const std::size_t listed = std::min<std::size_t>(phenotype_slots_, MAX_PHENOTYPES_PER_LOCUS);
    for (std::size_t k = 0; k < listed; ++k) {
        const std::int32_t id = phenotype_order_[k];
        phenotypes.push_back({id, phenotype_count_[static_cast<std::size_t>(id)]});
    }
}

void SetAccumulator::finish_full_fields(LocusStats& r, std::size_t listed) {
    r.alleles_per_individual_var = size_squares_ / n_total_;
    r.alleles_per_individual_max = size_max_;
    r.alleles_per_individual_min = size_min_;

    double* v = values_.data();
    for (std::size_t k = 0; k < listed; ++k) v[k] = static_cast<double>(locus_->phenotype_size(phenotype_order_[k]));
    const FrequencySummary sizes = summarise_frequencies(v, listed);
    r.phenotype_size_mean = sizes.mean;
    r.phenotype_size_var = sizes.var;

    for (std::size_t k = 0; k < allele_slots_; ++k)
        v[k] = allele_count_[static_cast<std::size_t>(allele_order_[k])] / n_total_;
    set_summary(r, ALLELES_ACROSS, summarise_frequencies(v, allele_slots_));

    for (std::size_t k = 0; k < listed; ++k)
        v[k] = phenotype_count_[static_cast<std::size_t>(phenotype_order_[k])] / n_total_;
    set_summary(r, PHENOTYPES_ACROSS, summarise_frequencies(v, listed));
    copy_fields(r, within_, ALLELES_WITHIN);
    copy_fields(r, within_, PHENOTYPES_WITHIN);
}

void SetAccumulator::finish_pair_fields(LocusStats& r) const {
    r.shared_within = pair_mean(shared_within_, within_pairs_);
    r.unshared_within = pair_mean(unshared_within_, within_pairs_);
    if (set_size_ < 2) return;
    const std::int64_t across_pairs = typed_ * (typed_ - 1) / 2;
    const std::int64_t unshared_across = (typed_ - 1) * allele_total_ - 2 * shared_across_;
    r.unshared_across = pair_mean(unshared_across, across_pairs);
    r.shared_across = pair_mean(shared_across_, across_pairs);
    r.shared_between = pair_mean(shared_across_ - shared_within_, across_pairs - within_pairs_);
    r.unshared_between = pair_mean(unshared_across - unshared_within_, across_pairs - within_pairs_);
}

LocusOutcome SetAccumulator::finish(TermCache& cache) {
    LocusOutcome outcome;
    LocusStats& r = outcome.stats;
    outcome.typed = typed_;
    outcome.no_pairs_within = within_pairs_ == 0;
    outcome.set_size = set_size_;
    outcome.pairs_within = within_pairs_;
    outcome.pairs_between = typed_ * (typed_ - 1) / 2 - within_pairs_;
    if (typed_ == 0) return outcome;  // nobody typed: every field stays 0.0
    const bool full = detail_ == Detail::full;
    const std::size_t listed = std::min<std::size_t>(phenotype_slots_, MAX_PHENOTYPES_PER_LOCUS);
    const auto total32 = static_cast<std::int32_t>(typed_);

    r.alleles_seen = static_cast<double>(allele_slots_);
    r.phenotypes_seen = static_cast<double>(listed);
    r.alleles_per_individual_mean = static_cast<double>(allele_total_) / n_total_;
    r.polymorphic = listed == 1 ? 0.0 : 1.0;

    double shannon = 0.0, pq = 0.0;
    for (std::size_t k = 0; k < listed; ++k) {
        const auto& t = cache.terms(phenotype_count_[static_cast<std::size_t>(phenotype_order_[k])], total32);
        shannon -= t.p_log_p;
        pq += t.p_one_minus_p;
    }
    r.shannon_across = shannon;
    r.pq_across = pq;

    r.alleles_per_sample = within_.alleles_per_sample;
    r.phenotypes_per_sample = within_.phenotypes_per_sample;
    r.shannon_within = within_.shannon_within;
    r.pq_within = within_.pq_within;

    if (full) finish_full_fields(r, listed);
    finish_pair_fields(r);

    if (psld_weight_ > 0) {
        r.psld = psld_sum_ / static_cast<double>(psld_weight_);
        r.psld_calculable = 1.0;
    }

    if (set_size_ >= 2 && r.polymorphic == 1.0) {
        r.fst_unshared = modified_fst(r.unshared_across, r.unshared_within);
        r.fst_shannon = modified_fst(r.shannon_across, r.shannon_within);
        r.fst_pq = modified_fst(r.pq_across, r.pq_within);
    }

    // Leave the count arrays cleared for the next locus.
    for (std::size_t k = 0; k < allele_slots_; ++k) allele_count_[static_cast<std::size_t>(allele_order_[k])] = 0;
    for (std::size_t k = 0; k < phenotype_slots_; ++k)
        phenotype_count_[static_cast<std::size_t>(phenotype_order_[k])] = 0;
    return outcome;
}

LocusOutcome compute_locus_stats(const CodedLocus& locus, const LocusSummary& summary, std::span<const std::size_t> set,
                                 Detail detail, CombineScratch& scratch) {
    std::int64_t typed = 0, allele_total = 0;
    for (const std::size_t s : set) {
        typed += summary.samples[s].typed;
        allele_total += summary.samples[s].allele_total;
    }
    SetAccumulator& accumulator = scratch.accumulator;
    accumulator.begin(locus, typed, allele_total, detail);
    for (const std::size_t s : set) accumulator.add(summary, s);
    return accumulator.finish(scratch.cache);
}

}  // namespace phenostat

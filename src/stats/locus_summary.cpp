#include "stats/locus_summary.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace phenostat {

FrequencySummary summarise_frequencies(const double* values, std::size_t count) {
    if (count == 0) return {0.0, 0.0, 0.0, 0.0};
    double sum = 0.0;
    for (std::size_t i = 0; i < count; ++i) sum += values[i];
    const double mean = sum / static_cast<double>(count);
    double squares = 0.0;
    double max = values[0];
    double min = values[0];
    for (std::size_t i = 0; i < count; ++i) {
        const double d = mean - values[i];
        squares += d * d;
        if (values[i] > max) max = values[i];
        if (values[i] < min && values[i] != 0.0) min = values[i];
    }
    return {mean, squares / static_cast<double>(count), max, min};
}

namespace {

using AlleleSet = std::array<std::uint64_t, 4>;  // bit i: allele index i (at most 200 per locus)

bool holds(const AlleleSet& set, std::int32_t allele) {
    return (set[static_cast<std::size_t>(allele) >> 6] >> (allele & 63)) & 1u;
}

// The sample's alleles that not every typed individual carries, with their
// frequencies, in tally order.
void varying_alleles(const LocusSummary& summary, const SampleSummary& sample, std::vector<std::int32_t>& varying,
                     std::vector<double>& frequencies) {
    const double n = sample.typed;
    varying.clear();
    frequencies.clear();
    for (std::uint32_t e = sample.alleles_begin; e < sample.alleles_end(); ++e) {
        const double f = summary.allele_entries[e].count / n;
        if (f != 1.0) {
            varying.push_back(summary.allele_entries[e].id);
            frequencies.push_back(f);
        }
    }
}

// PsLD of one sample: over the pairs (a, b) of alleles that not every typed
// individual carries, in tally order, the sum of (f_a f_b - f_ab)^2, where f_ab
// sums the frequencies of the (capped) phenotypes that hold both.
void sample_psld(const CodedLocus& locus, const LocusSummary& summary, SampleSummary& sample,
                 std::size_t phenotype_slots, SummaryScratch& scratch) {
    const double n = sample.typed;
    std::vector<std::int32_t>& varying = scratch.varying;
    std::vector<double>& varying_freq = scratch.varying_frequencies;
    varying_alleles(summary, sample, varying, varying_freq);
    if (varying.size() < 2) {
        sample.psld_calculable = false;
        sample.psld = 0.0;
        return;
    }
    auto& sets = scratch.phenotype_sets;
    sets.assign(phenotype_slots, AlleleSet{});
    for (std::size_t k = 0; k < phenotype_slots; ++k) {
        const auto id = summary.phenotype_entries[sample.phenotypes_begin + k].id;
        for (auto i = locus.phenotype_begin[id]; i < locus.phenotype_begin[id + 1]; ++i) {
            const auto allele = locus.phenotype_alleles[i];
            sets[k][allele >> 6] |= std::uint64_t{1} << (allele & 63);
        }
    }
    double psld = 0.0;
    for (std::size_t i = 0; i < varying.size(); ++i) {
        for (std::size_t j = i + 1; j < varying.size(); ++j) {
            double both = 0.0;
            for (std::size_t k = 0; k < phenotype_slots; ++k) {
                if (holds(sets[k], varying[i]) && holds(sets[k], varying[j]))
                    both += summary.phenotype_entries[sample.phenotypes_begin + k].count / n;
            }
            const double d = varying_freq[i] * varying_freq[j] - both;
            psld += d * d;
        }
    }
    sample.psld_calculable = true;
    sample.psld = psld;
}

// Room for `extra` more elements, growing by a quarter rather than doubling:
// a data set holds a tally per locus, so their slack adds up.
template <class T>
void reserve_more(std::vector<T>& v, std::size_t extra) {
    if (v.size() + extra > v.capacity()) v.reserve(std::max(v.size() + extra, v.capacity() + v.capacity() / 4));
}

}  // namespace

void summarise_sample(const IdList& individuals, const CodedLocus& locus, LocusSummary& summary,
                      SummaryScratch& scratch) {
    reserve_more(summary.samples, 1);
    reserve_more(summary.phenotype_entries, std::min(locus.phenotype_count(), individuals.size()));
    if (scratch.phenotype_slot.size() < locus.phenotype_count())
        scratch.phenotype_slot.resize(locus.phenotype_count(), -1);
    SampleSummary& sample = summary.samples.emplace_back();
    sample.phenotypes_begin = static_cast<std::uint32_t>(summary.phenotype_entries.size());
    // The phenotype tally, individual by individual.
    for (std::size_t i = 0; i < individuals.size(); ++i) {
        const std::int32_t id = individuals[i];
        auto& pslot = scratch.phenotype_slot[static_cast<std::size_t>(id)];
        if (pslot < 0) {
            pslot = static_cast<std::int32_t>(summary.phenotype_entries.size() - sample.phenotypes_begin);
            summary.phenotype_entries.push_back({id, 0});
        }
        ++summary.phenotype_entries[sample.phenotypes_begin + static_cast<std::size_t>(pslot)].count;
        summary.sizes.push_back(static_cast<std::uint8_t>(locus.phenotype_size(id)));
    }
    sample.phenotypes_end = static_cast<std::uint32_t>(summary.phenotype_entries.size());
    summary.sample_begin.push_back(static_cast<std::uint32_t>(summary.sizes.size()));
    for (auto e = sample.phenotypes_begin; e < sample.phenotypes_end; ++e)
        scratch.phenotype_slot[static_cast<std::size_t>(summary.phenotype_entries[e].id)] = -1;
    tally_alleles(locus, summary, sample, scratch);
    sample_diversities(locus, summary, sample, scratch);
}

void tally_alleles(const CodedLocus& locus, LocusSummary& summary, SampleSummary& sample, SummaryScratch& scratch) {
    if (scratch.allele_slot.size() < locus.allele_count()) scratch.allele_slot.resize(locus.allele_count(), -1);
    reserve_more(summary.allele_entries, std::min<std::size_t>(locus.allele_count(), MAX_ALLELES_PER_LOCUS));
    sample.alleles_begin = static_cast<std::uint32_t>(summary.allele_entries.size());
    sample.allele_total = 0;
    std::int32_t typed = 0;
    // The distinct phenotypes in first-seen order meet the alleles in their
    // first-seen order, and an allele's carriers are the individuals of the
    // phenotypes that hold it.
    for (auto e = sample.phenotypes_begin; e < sample.phenotypes_end; ++e) {
        const auto [id, count] = summary.phenotype_entries[e];
        typed += count;
        for (auto a = locus.phenotype_begin[id]; a < locus.phenotype_begin[id + 1]; ++a) {
            const std::int32_t allele = locus.phenotype_alleles[a];
            auto& aslot = scratch.allele_slot[static_cast<std::size_t>(allele)];
            if (aslot < 0) {
                aslot = static_cast<std::int32_t>(summary.allele_entries.size() - sample.alleles_begin);
                summary.allele_entries.push_back({allele, 0});
            }
            summary.allele_entries[sample.alleles_begin + static_cast<std::size_t>(aslot)].count += count;
        }
        sample.allele_total += static_cast<std::uint32_t>(locus.phenotype_size(id)) * static_cast<std::uint32_t>(count);
    }
    sample.allele_count = static_cast<std::uint8_t>(summary.allele_entries.size() - sample.alleles_begin);
    sample.typed = typed;
    for (auto e = sample.alleles_begin; e < sample.alleles_end(); ++e)
        scratch.allele_slot[static_cast<std::size_t>(summary.allele_entries[e].id)] = -1;
}

void sample_diversities(const CodedLocus& locus, const LocusSummary& summary, SampleSummary& sample,
                        SummaryScratch& scratch) {
    sample.shannon = sample.pq = sample.psld = 0.0;
    sample.psld_calculable = false;
    if (sample.typed == 0) return;
    const std::size_t phenotype_slots =
        std::min<std::size_t>(sample.phenotypes_end - sample.phenotypes_begin, MAX_PHENOTYPES_PER_LOCUS);
    double shannon = 0.0;
    double pq = 0.0;
    for (std::size_t k = 0; k < phenotype_slots; ++k) {
        const DiversityTerms terms =
            diversity_terms(summary.phenotype_entries[sample.phenotypes_begin + k].count, sample.typed);
        shannon -= terms.p_log_p;
        pq += terms.p_one_minus_p;
    }
    sample.shannon = shannon;
    sample.pq = pq;
    sample_psld(locus, summary, sample, phenotype_slots, scratch);
}

bool psld_calculable(const LocusSummary& summary, const SampleSummary& sample) {
    std::size_t varying = 0;
    for (std::uint32_t e = sample.alleles_begin; e < sample.alleles_end() && varying < 2; ++e)
        varying += summary.allele_entries[e].count != sample.typed;
    return varying >= 2;
}

FrequencySummary allele_frequency_summary(const LocusSummary& summary, const SampleSummary& sample,
                                          std::vector<double>& values) {
    const double n = sample.typed;
    values.clear();
    for (auto e = sample.alleles_begin; e < sample.alleles_end(); ++e)
        values.push_back(summary.allele_entries[e].count / n);
    return summarise_frequencies(values.data(), values.size());
}

FrequencySummary phenotype_frequency_summary(const LocusSummary& summary, const SampleSummary& sample,
                                             std::vector<double>& values) {
    const double n = sample.typed;
    const std::size_t listed =
        std::min<std::size_t>(sample.phenotypes_end - sample.phenotypes_begin, MAX_PHENOTYPES_PER_LOCUS);
    values.clear();
    for (std::size_t k = 0; k < listed; ++k)
        values.push_back(summary.phenotype_entries[sample.phenotypes_begin + k].count / n);
    return summarise_frequencies(values.data(), values.size());
}

}  // namespace phenostat

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

// Scratch reused for every sample of a locus.
struct SampleScratch {
    std::vector<std::int32_t> allele_slot;     // allele index -> position in the sample's tally, -1 if absent
    std::vector<std::int32_t> phenotype_slot;  // phenotype id -> position, -1 if absent
    std::vector<double> frequencies;
    std::vector<AlleleSet> phenotype_sets;
};

// PsLD of one sample: over the pairs (a, b) of alleles that not every typed
// individual carries, in tally order, the sum of (f_a f_b - f_ab)^2, where f_ab
// sums the frequencies of the (capped) phenotypes that hold both.
void sample_psld(const CodedLocus& locus, const LocusSummary& summary, SampleSummary& sample,
                 std::size_t phenotype_slots, SampleScratch& scratch) {
    const double n = sample.typed;
    std::vector<std::int32_t> varying;
    std::vector<double> varying_freq;
    for (std::uint32_t e = sample.alleles_begin; e < sample.alleles_end; ++e) {
        const double f = summary.allele_entries[e].count / n;
        if (f != 1.0) {
            varying.push_back(summary.allele_entries[e].id);
            varying_freq.push_back(f);
        }
    }
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

void summarise_sample(const CodedLocus& locus, std::size_t s, LocusSummary& summary, SampleScratch& scratch) {
    SampleSummary& sample = summary.samples[s];
    sample.alleles_begin = static_cast<std::uint32_t>(summary.allele_entries.size());
    sample.phenotypes_begin = static_cast<std::uint32_t>(summary.phenotype_entries.size());
    for (auto i = locus.sample_begin[s]; i < locus.sample_begin[s + 1]; ++i) {
        const std::int32_t id = locus.individuals[i];
        auto& pslot = scratch.phenotype_slot[static_cast<std::size_t>(id)];
        if (pslot < 0) {
            pslot = static_cast<std::int32_t>(summary.phenotype_entries.size() - sample.phenotypes_begin);
            summary.phenotype_entries.push_back({id, 0});
        }
        ++summary.phenotype_entries[sample.phenotypes_begin + static_cast<std::size_t>(pslot)].count;
        for (auto a = locus.phenotype_begin[id]; a < locus.phenotype_begin[id + 1]; ++a) {
            const std::int32_t allele = locus.phenotype_alleles[a];
            auto& aslot = scratch.allele_slot[static_cast<std::size_t>(allele)];
            if (aslot < 0) {
                aslot = static_cast<std::int32_t>(summary.allele_entries.size() - sample.alleles_begin);
                summary.allele_entries.push_back({allele, 0});
            }
            ++summary.allele_entries[sample.alleles_begin + static_cast<std::size_t>(aslot)].count;
        }
        sample.allele_total += static_cast<std::int64_t>(locus.phenotype_size(id));
    }
    sample.alleles_end = static_cast<std::uint32_t>(summary.allele_entries.size());
    sample.phenotypes_end = static_cast<std::uint32_t>(summary.phenotype_entries.size());
    sample.typed = static_cast<std::int32_t>(locus.typed_count(s));

    // Reset the slots for the next sample.
    for (auto e = sample.alleles_begin; e < sample.alleles_end; ++e)
        scratch.allele_slot[static_cast<std::size_t>(summary.allele_entries[e].id)] = -1;
    for (auto e = sample.phenotypes_begin; e < sample.phenotypes_end; ++e)
        scratch.phenotype_slot[static_cast<std::size_t>(summary.phenotype_entries[e].id)] = -1;

    if (sample.typed == 0) return;
    const double n = sample.typed;
    const std::int64_t typed = sample.typed;

    // Pair sums within the sample, from the carrier counts.
    for (auto e = sample.alleles_begin; e < sample.alleles_end; ++e) {
        const std::int64_t c = summary.allele_entries[e].count;
        sample.shared_sum += c * (c - 1) / 2;
    }
    sample.unshared_sum = (typed - 1) * sample.allele_total - 2 * sample.shared_sum;

    const std::size_t allele_slots = sample.alleles_end - sample.alleles_begin;
    const std::size_t phenotype_slots =
        std::min<std::size_t>(sample.phenotypes_end - sample.phenotypes_begin, MAX_PHENOTYPES_PER_LOCUS);

    auto& f = scratch.frequencies;
    f.resize(std::max(allele_slots, phenotype_slots));
    for (std::size_t k = 0; k < allele_slots; ++k) f[k] = summary.allele_entries[sample.alleles_begin + k].count / n;
    summary.frequencies[s].alleles = summarise_frequencies(f.data(), allele_slots);

    double shannon = 0.0;
    double pq = 0.0;
    for (std::size_t k = 0; k < phenotype_slots; ++k) {
        const std::int32_t count = summary.phenotype_entries[sample.phenotypes_begin + k].count;
        const DiversityTerms terms = diversity_terms(count, sample.typed);
        f[k] = count / n;
        shannon -= terms.p_log_p;
        pq += terms.p_one_minus_p;
    }
    sample.shannon = shannon;
    sample.pq = pq;
    summary.frequencies[s].phenotypes = summarise_frequencies(f.data(), phenotype_slots);

    sample_psld(locus, summary, sample, phenotype_slots, scratch);
}

}  // namespace

LocusSummary summarise_locus(const CodedLocus& locus) {
    LocusSummary summary;
    const std::size_t sample_count = locus.sample_begin.empty() ? 0 : locus.sample_begin.size() - 1;
    summary.samples.resize(sample_count);
    summary.frequencies.resize(sample_count);
    SampleScratch scratch;
    scratch.allele_slot.assign(locus.allele_count(), -1);
    scratch.phenotype_slot.assign(locus.phenotype_count(), -1);
    for (std::size_t s = 0; s < sample_count; ++s) summarise_sample(locus, s, summary, scratch);
    summary.allele_entries.shrink_to_fit();  // kept for the whole run
    summary.phenotype_entries.shrink_to_fit();
    return summary;
}

std::vector<LocusSummary> summarise_all_loci(const CodedData& coded) {
    std::vector<LocusSummary> summaries;
    summaries.reserve(coded.loci.size());
    for (const auto& locus : coded.loci) summaries.push_back(summarise_locus(locus));
    return summaries;
}

}  // namespace phenostat

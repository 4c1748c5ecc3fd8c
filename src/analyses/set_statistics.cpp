#include "analyses/set_statistics.h"

#include <algorithm>
#include <utility>

namespace phenostat {

namespace {

constexpr std::size_t LOCI_PER_CHUNK = 16;

}  // namespace

SetTable compute_set_table(const Dataset& data, std::span<const std::size_t> set, SetScratch& scratch) {
    const std::vector<std::size_t> sets[1] = {{set.begin(), set.end()}};
    return std::move(compute_set_tables(data, sets, scratch)[0]);
}

std::vector<SetTable> compute_set_tables(const Dataset& data, std::span<const std::vector<std::size_t>> sets,
                                         SetScratch& scratch) {
    std::vector<SetTable> tables(sets.size());
    for (SetTable& table : tables) table.loci.resize(data.locus_count());
    // Only the sets' samples are unpacked: for a block of single samples, a
    // small part of each locus.
    std::vector<char> wanted(std::max(data.sample_count(), data.loci.sample_count()), 0);
    for (const std::vector<std::size_t>& set : sets)
        for (const std::size_t s : set) wanted[s] = 1;
    const bool all = std::find(wanted.begin(), wanted.end(), 0) == wanted.end();
    parallel_for(data.locus_count(), LOCI_PER_CHUNK, [&](std::size_t i) {
        CombineScratch& local = scratch.local();
        const UnpackedLocus& locus = all ? local.reader.read(data.loci, i)
                                         : local.reader.read_samples(data.loci, i, wanted);
        for (std::size_t k = 0; k < sets.size(); ++k)
            tables[k].loci[i] = compute_locus_stats(locus.coded, locus.summary, sets[k], Detail::full, local);
    });
    for (SetTable& table : tables) {
        std::int64_t total = 0;
        for (const LocusOutcome& locus : table.loci) total += locus.typed;
        LocusAverager averager(total, Detail::full);
        for (const LocusOutcome& locus : table.loci) averager.add(locus.stats, locus.typed);
        table.average = averager.result();
    }
    return tables;
}

ComparedAverage compute_compared_average(const Dataset& data, std::span<const std::size_t> set, CombineScratch& scratch,
                                         std::vector<LocusOutcome>* loci) {
    ComparedAverage result;
    if (loci == nullptr) {
        compute_compared_averages(data, set, set.size(), scratch, std::span(&result, 1));
        return result;
    }
    loci->clear();
    const LocusRecordSink keep = [&](std::size_t, std::size_t, const LocusOutcome& record) { loci->push_back(record); };
    compute_compared_averages(data, set, set.size(), scratch, std::span(&result, 1), &keep);
    return result;
}

void compute_compared_averages(const Dataset& data, std::span<const std::size_t> members, std::size_t set_size,
                               CombineScratch& scratch, std::span<ComparedAverage> results,
                               const LocusRecordSink* records) {
    const std::size_t count = results.size();
    std::vector<LocusAverager> averagers(count);
    for (std::size_t k = 0; k < count; ++k) {
        std::int64_t total = 0;
        for (std::size_t m = 0; m < set_size; ++m) total += data.loci.typed_per_sample()[members[k * set_size + m]];
        averagers[k].reset(total, Detail::compared);
        results[k].loci_without_pairs_within = 0;
    }
    for (std::size_t i = 0; i < data.locus_count(); ++i) {
        const UnpackedLocus& unpacked = scratch.reader.read(data.loci, i, Unpack::summaries);
        for (std::size_t k = 0; k < count; ++k) {
            const LocusOutcome locus = compute_locus_stats(unpacked.coded, unpacked.summary,
                                                           members.subspan(k * set_size, set_size), Detail::compared,
                                                           scratch);
            results[k].loci_without_pairs_within += locus.no_pairs_within;
            if (records != nullptr) (*records)(k, i, locus);
            averagers[k].add(locus.stats, locus.typed);
        }
    }
    for (std::size_t k = 0; k < count; ++k) results[k].average = averagers[k].result();
}

void compute_group_averages(const Dataset& data, std::span<const std::size_t> group_of, std::size_t group_count,
                            GroupScratch& scratch, std::vector<LocusStats>& averages) {
    averages.resize(group_count);
    compute_group_averages(data, group_of, group_of.size(), group_count, scratch, averages);
}

void compute_group_averages(const Dataset& data, std::span<const std::size_t> group_of, std::size_t sample_count,
                            std::size_t group_count, GroupScratch& scratch, std::span<LocusStats> averages) {
    const std::size_t assignments = sample_count == 0 ? 0 : group_of.size() / sample_count;
    const std::vector<std::int64_t>& sample_totals = data.loci.typed_per_sample();
    if (scratch.accumulators.size() < group_count) scratch.accumulators.resize(group_count);
    if (scratch.averagers.size() < assignments * group_count) scratch.averagers.resize(assignments * group_count);
    for (std::size_t a = 0; a < assignments; ++a) {
        const std::size_t* const of = &group_of[a * sample_count];
        scratch.totals.assign(group_count, 0);
        for (std::size_t s = 0; s < sample_count; ++s)
            if (of[s] != NO_GROUP) scratch.totals[of[s]] += sample_totals[s];
        for (std::size_t g = 0; g < group_count; ++g)
            scratch.averagers[a * group_count + g].reset(scratch.totals[g], Detail::compared);
    }

    for (std::size_t i = 0; i < data.locus_count(); ++i) {
        const UnpackedLocus& unpacked = scratch.reader.read(data.loci, i, Unpack::summaries);
        const CodedLocus& locus = unpacked.coded;
        const LocusSummary& summary = unpacked.summary;
        for (std::size_t a = 0; a < assignments; ++a) {
            const std::size_t* const of = &group_of[a * sample_count];
            scratch.typed.assign(group_count, 0);
            scratch.allele_total.assign(group_count, 0);
            for (std::size_t s = 0; s < sample_count; ++s) {
                if (of[s] == NO_GROUP) continue;
                scratch.typed[of[s]] += summary.samples[s].typed;
                scratch.allele_total[of[s]] += summary.samples[s].allele_total;
            }
            for (std::size_t g = 0; g < group_count; ++g)
                scratch.accumulators[g].begin(locus, scratch.typed[g], scratch.allele_total[g], Detail::compared);
            for (std::size_t s = 0; s < sample_count; ++s)
                if (of[s] != NO_GROUP) scratch.accumulators[of[s]].add(summary, s);
            LocusAverager* const averagers = &scratch.averagers[a * group_count];
            for (std::size_t g = 0; g < group_count; ++g) {
                const LocusOutcome outcome = scratch.accumulators[g].finish(scratch.cache);
                averagers[g].add(outcome.stats, outcome.typed);
            }
        }
    }
    for (std::size_t k = 0; k < assignments * group_count; ++k) averages[k] = scratch.averagers[k].result();
}

}  // namespace phenostat

#include "analyses/set_statistics.h"

#include <algorithm>
#include <utility>

#include "base/fatal_error.h"
#include "base/text.h"

namespace phenostat {

namespace {

// Loci handed out at a time: enough per thread to even out their sizes, few
// enough that their texts take little memory.
constexpr std::size_t LOCI_PER_THREAD_AND_BLOCK = 1024;
constexpr std::size_t LOCI_PER_CHUNK = 16;

// A sink that keeps every record.
class KeepRecords final : public SetRecordSink {
public:
    explicit KeepRecords(std::vector<LocusOutcome>& loci) : loci_(loci) {}
    void places(std::size_t) override {}
    void made(std::size_t, std::size_t i, const LocusOutcome& record) override { loci_[i] = record; }
    void ready(std::size_t, std::size_t, const LocusOutcome&) override {}

private:
    std::vector<LocusOutcome>& loci_;
};

}  // namespace

SetAverage stream_loci(const Dataset& data, std::int64_t typed, SetScratch& scratch, const LocusRecordMaker& make,
                       SetRecordSink& sink) {
    const std::size_t count = data.locus_count();
    const std::size_t block = std::min(count, LOCI_PER_THREAD_AND_BLOCK * team_size());
    sink.places(block);
    std::vector<LocusOutcome> records(block);
    SetAverage result;
    LocusAverager averager(typed, Detail::full);
    for (std::size_t start = 0; start < count; start += block) {
        const std::size_t size = std::min(block, count - start);
        parallel_for(size, LOCI_PER_CHUNK, [&](std::size_t b) {
            records[b] = make(b, start + b, scratch.local());
            sink.made(b, start + b, records[b]);
        });
        for (std::size_t b = 0; b < size; ++b) {
            const LocusOutcome& record = records[b];
            averager.add(record.stats, record.typed);
            result.typed += record.typed;
            add_defined(result.defined, record);
            sink.ready(b, start + b, record);
        }
    }
    // The weights were summed ahead from the samples' totals.
    if (result.typed != typed)
        throw FatalError(strprintf("Internal error: %lld individuals typed over the loci, %lld expected.",
                                   static_cast<long long>(result.typed), static_cast<long long>(typed)));
    result.average = averager.result();
    return result;
}

SetAverage compute_set(const Dataset& data, std::span<const std::size_t> set, SetScratch& scratch,
                       SetRecordSink& sink) {
    // Only the set's samples are unpacked: for a single sample, a small part
    // of each locus.
    std::vector<char> wanted(std::max(data.sample_count(), data.loci.sample_count()), 0);
    std::int64_t typed = 0;
    for (const std::size_t s : set) {
        wanted[s] = 1;
        typed += data.loci.typed_per_sample()[s];
    }
    const bool all = std::find(wanted.begin(), wanted.end(), 0) == wanted.end();
    const LocusRecordMaker make = [&](std::size_t, std::size_t i, CombineScratch& local) {
        const UnpackedLocus& locus = all ? local.reader.read(data.loci, i)
                                         : local.reader.read_samples(data.loci, i, wanted);
        return compute_locus_stats(locus.coded, locus.summary, set, Detail::full, local);
    };
    return stream_loci(data, typed, scratch, make, sink);
}

SetTable compute_set_table(const Dataset& data, std::span<const std::size_t> set, SetScratch& scratch) {
    SetTable table;
    table.loci.resize(data.locus_count());
    KeepRecords keep(table.loci);
    table.average = compute_set(data, set, scratch, keep).average;
    return table;
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

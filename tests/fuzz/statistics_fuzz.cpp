// Fuzz target: a data file loaded and coded from arbitrary bytes, then the
// statistics of all samples together and of one subset of the samples chosen
// from the bytes. Every printed field must be finite, and the average of the
// compared fields alone (the permutation test's fast path) must equal, bit for
// bit, the same fields of the full average.

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "analyses/set_statistics.h"
#include "fuzz_support.h"

using namespace phenostat;
using phenostat::fuzz::check;

namespace {

void check_finite(const LocusStats& record, const char* what) {
    for (const LocusStatsField field : PRINTED_FIELDS)
        if (!std::isfinite(record.*field)) fuzz::fail(what);
}

void check_set(const CodedLoci& loci, const std::vector<std::size_t>& set, CombineScratch& scratch) {
    const SetStatistics full = compute_set_statistics(loci, set, scratch);
    check(full.loci.size() == loci.locus_count(), "one record per locus");
    for (const LocusOutcome& locus : full.loci) check_finite(locus.stats, "a locus record holds NaN or inf");
    check_finite(full.average, "the average record holds NaN or inf");

    const LocusStats compared = compute_compared_average(loci, set, scratch);
    for (const LocusStatsField field : COMPARED_FIELDS) {
        check(std::bit_cast<std::uint64_t>(compared.*field) == std::bit_cast<std::uint64_t>(full.average.*field),
              "compared-only average differs from the full one");
    }
}

// FNV-1a over the input: the subset depends on every byte.
std::uint64_t hash_bytes(const std::uint8_t* bytes, std::size_t size) {
    std::uint64_t hash = 1469598103934665603ULL;
    for (std::size_t i = 0; i < size; ++i) {
        hash ^= bytes[i];
        hash *= 1099511628211ULL;
    }
    return hash;
}

// Every sample whose bit of a running hash is set (at least one sample), in catalogue order.
std::vector<std::size_t> subset_from(std::uint64_t hash, std::size_t sample_count) {
    std::vector<std::size_t> set;
    for (std::size_t s = 0; s < sample_count; ++s) {
        if (s % 64 == 0) hash = hash * 6364136223846793005ULL + 1442695040888963407ULL;
        if ((hash >> (s % 64)) & 1u) set.push_back(s);
    }
    if (set.empty() && sample_count > 0) set.push_back(static_cast<std::size_t>(hash % sample_count));
    return set;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const fuzz::Loaded loaded = fuzz::load_bytes(bytes, size);
    if (loaded.catalogue.sample_count() == 0 || loaded.data.locus_count() == 0) return 0;  // the driver stops there
    CodedData coded;
    if (code_all_loci(loaded.data, loaded.catalogue, coded)) return 0;  // the driver stops there too
    const std::vector<LocusSummary> summaries = summarise_all_loci(coded);
    const CodedLoci loci{coded, summaries};
    CombineScratch scratch;

    std::vector<std::size_t> all(loaded.catalogue.sample_count());
    for (std::size_t s = 0; s < all.size(); ++s) all[s] = s;
    check_set(loci, all, scratch);
    check_set(loci, subset_from(hash_bytes(bytes, size), all.size()), scratch);
    return 0;
}

#pragma once
// The loci of a data set, packed into bytes while it is analysed.
//
// A locus keeps its coding (allele codes and phenotypes) and, per sample, its
// phenotype tally and its typed individuals' phenotype sizes in row order.
// Everything else of a sample's summary (allele tally, totals, diversities,
// PsLD) follows from these and is worked out again when the locus is
// unpacked, with the same arithmetic, so it comes out bit for bit the same;
// only the samples whose PsLD costs more to work out than to keep carry
// their three values along. A SNP sample of a few dozen individuals takes
// about a dozen bytes.
//
// Layout of a locus (numbers are unsigned LEB128 varints):
//   A, then A allele codes; P, then P phenotypes, each its size k and k allele
//   indices (a byte each); then every sample in catalogue order: m, then m
//   phenotype ids and counts; the diversities and PsLD (three doubles) when
//   kept; the sizes, 2, 4 or 8 bits each by the sample's largest phenotype.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "input/phenotype_coding.h"
#include "stats/locus_summary.h"

namespace phenostat {

struct UnpackedLocus {
    CodedLocus coded;
    LocusSummary summary;
};

// How much of a locus to unpack: its coding only; its coding and summaries
// without the individuals' sizes (all that the compared statistics read); or
// everything. Each value unpacks all that the ones before it do: a reader
// compares them by order (a locus read for more serves a read for less), so
// keep them in that order.
enum class Unpack { coding, summaries, everything };

// Appends a locus's coding to `out`.
void pack_coding(const CodedLocus& locus, std::vector<std::uint8_t>& out);
// Appends sample s of `summary` to `out`.
void pack_sample(const CodedLocus& locus, const LocusSummary& summary, std::size_t s, std::vector<std::uint8_t>& out);
// Appends a whole locus: its coding, then sample s of `summary` for every s
// kept (keep[s] != 0; every sample when `keep` is empty).
void pack_locus(const CodedLocus& locus, const LocusSummary& summary, std::span<const char> keep,
                std::vector<std::uint8_t>& out);
// Appends a sample with nobody typed.
inline void pack_untyped_sample(std::vector<std::uint8_t>& out) { out.push_back(0); }
// The end of the sample that pack_sample wrote at `at`; its typed
// individuals are added to *typed_sum when given.
const std::uint8_t* skip_sample(const CodedLocus& locus, const std::uint8_t* at, std::int64_t* typed_sum = nullptr);
// Reads a locus's coding from `at` into `locus`; returns where its samples begin.
const std::uint8_t* unpack_coding(const std::uint8_t* at, CodedLocus& locus);

class PackedLoci {
public:
    std::size_t size() const { return starts_.size(); }
    std::size_t sample_count() const { return samples_; }
    // Each sample's typed individuals, summed over the loci.
    const std::vector<std::int64_t>& typed_per_sample() const { return typed_; }
    void set_sample_count(std::size_t samples) { samples_ = samples; }
    // Adds the loci packed back to back in `bytes`, locus k from starts[k].
    void append(std::vector<std::uint8_t> bytes, std::span<const std::uint64_t> starts);
    // Adds the loci packed one each in `loci`, as one block.
    void append(std::span<const std::vector<std::uint8_t>> loci);
    void reserve(std::size_t loci) { starts_.reserve(loci); }
    void clear();
    // The bytes held.
    std::uint64_t bytes() const;
    // Locus l's first byte.
    const std::uint8_t* locus(std::size_t l) const {
        const std::uint64_t start = starts_[l];
        return blocks_[start >> OFFSET_BITS].data() + (start & ((std::uint64_t{1} << OFFSET_BITS) - 1));
    }
    void unpack(std::size_t l, Unpack what, UnpackedLocus& out, SummaryScratch& scratch) const;
    // Everything of the samples flagged in `wanted` (a flag per sample); the
    // others read as untyped, at a fraction of the cost.
    void unpack_samples(std::size_t l, std::span<const char> wanted, UnpackedLocus& out, SummaryScratch& scratch) const;
    // Changes whenever the loci do, and no two sets of loci share one.
    std::uint64_t version() const { return version_; }

private:
    void changed();

    static constexpr unsigned OFFSET_BITS = 40;
    std::vector<std::vector<std::uint8_t>> blocks_;
    std::vector<std::uint64_t> starts_;  // block index << OFFSET_BITS | offset in the block
    std::size_t samples_ = 0;
    std::vector<std::int64_t> typed_;
    std::uint64_t version_ = 0;
};

// Unpacks loci one at a time into storage it reuses; one per thread.
class LocusReader {
public:
    const UnpackedLocus& read(const PackedLoci& loci, std::size_t l, Unpack what = Unpack::everything);
    // PackedLoci::unpack_samples; not kept for read().
    const UnpackedLocus& read_samples(const PackedLoci& loci, std::size_t l, std::span<const char> wanted);

private:
    UnpackedLocus locus_;
    SummaryScratch scratch_;
    std::uint64_t last_version_ = 0;  // 0: nothing read yet
    std::size_t last_ = 0;
    Unpack last_what_ = Unpack::coding;
};

}  // namespace phenostat

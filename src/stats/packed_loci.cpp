#include "stats/packed_loci.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace phenostat {
namespace {

// A sample keeps its diversities and PsLD from this many phenotypes on: a SNP
// sample never does, a microsatellite sample mostly does.
constexpr std::uint32_t KEPT_FROM_PHENOTYPES = 4;

bool keeps_values(std::uint32_t phenotypes) { return phenotypes >= KEPT_FROM_PHENOTYPES; }

void put(std::uint64_t value, std::vector<std::uint8_t>& out) {
    while (value >= 0x80) {
        out.push_back(static_cast<std::uint8_t>(value | 0x80));
        value >>= 7;
    }
    out.push_back(static_cast<std::uint8_t>(value));
}

std::uint64_t get(const std::uint8_t*& at) {
    std::uint64_t value = 0;
    for (unsigned shift = 0;; shift += 7) {
        const std::uint8_t byte = *at++;
        value |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
        if (byte < 0x80) return value;
    }
}

// Bits per size for a sample whose largest phenotype has `largest` alleles.
unsigned size_bits(std::size_t largest) { return largest <= 3 ? 2 : largest <= 15 ? 4 : 8; }

std::size_t size_bytes(std::uint64_t typed, unsigned bits) { return static_cast<std::size_t>((typed * bits + 7) / 8); }

const std::uint8_t* unpack_sample(const std::uint8_t* at, const CodedLocus& coded, LocusSummary& summary, Unpack what,
                                  SummaryScratch& scratch) {
    SampleSummary& sample = summary.samples.emplace_back();
    const auto entries = static_cast<std::uint32_t>(get(at));
    sample.phenotypes_begin = static_cast<std::uint32_t>(summary.phenotype_entries.size());
    std::size_t largest = 0;
    for (std::uint32_t k = 0; k < entries; ++k) {
        const auto id = static_cast<std::int32_t>(get(at));
        const auto count = static_cast<std::int32_t>(get(at));
        summary.phenotype_entries.push_back({id, count});
        largest = std::max(largest, coded.phenotype_size(id));
    }
    sample.phenotypes_end = static_cast<std::uint32_t>(summary.phenotype_entries.size());
    tally_alleles(coded, summary, sample, scratch);
    if (entries > 0 && keeps_values(entries)) {
        std::memcpy(&sample.shannon, at, sizeof(double));
        std::memcpy(&sample.pq, at + sizeof(double), sizeof(double));
        std::memcpy(&sample.psld, at + 2 * sizeof(double), sizeof(double));
        at += 3 * sizeof(double);
        sample.psld_calculable = psld_calculable(summary, sample);
    } else {
        sample_diversities(coded, summary, sample, scratch);
    }
    const unsigned bits = size_bits(largest);
    const std::size_t bytes = size_bytes(static_cast<std::uint64_t>(sample.typed), bits);
    if (what == Unpack::everything) {
        const unsigned mask = (1u << bits) - 1;
        for (std::int32_t i = 0; i < sample.typed; ++i) {
            const std::size_t bit = static_cast<std::size_t>(i) * bits;
            summary.sizes.push_back(static_cast<std::uint8_t>((at[bit / 8] >> (bit % 8)) & mask));
        }
    }
    summary.sample_begin.push_back(static_cast<std::uint32_t>(summary.sizes.size()));
    return at + bytes;
}

}  // namespace

void pack_coding(const CodedLocus& locus, std::vector<std::uint8_t>& out) {
    put(locus.allele_count(), out);
    for (const std::int32_t code : locus.allele_codes) put(static_cast<std::uint32_t>(code), out);
    put(locus.phenotype_count(), out);
    for (std::size_t p = 0; p < locus.phenotype_count(); ++p) {
        out.push_back(static_cast<std::uint8_t>(locus.phenotype_size(static_cast<std::int32_t>(p))));
        out.insert(out.end(), locus.phenotype_alleles.begin() + locus.phenotype_begin[p],
                   locus.phenotype_alleles.begin() + locus.phenotype_begin[p + 1]);
    }
}

const std::uint8_t* unpack_coding(const std::uint8_t* at, CodedLocus& locus) {
    locus.clear();
    const std::uint64_t alleles = get(at);
    for (std::uint64_t a = 0; a < alleles; ++a) locus.allele_codes.push_back(static_cast<std::int32_t>(get(at)));
    const std::uint64_t phenotypes = get(at);
    for (std::uint64_t p = 0; p < phenotypes; ++p) {
        const std::uint8_t size = *at++;
        locus.phenotype_alleles.insert(locus.phenotype_alleles.end(), at, at + size);
        at += size;
        locus.phenotype_begin.push_back(static_cast<std::uint32_t>(locus.phenotype_alleles.size()));
    }
    return at;
}

void pack_sample(const CodedLocus& locus, const LocusSummary& summary, std::size_t s, std::vector<std::uint8_t>& out) {
    const SampleSummary& sample = summary.samples[s];
    const std::uint32_t entries = sample.phenotypes_end - sample.phenotypes_begin;
    put(entries, out);
    std::size_t largest = 0;
    for (auto e = sample.phenotypes_begin; e < sample.phenotypes_end; ++e) {
        const auto [id, count] = summary.phenotype_entries[e];
        put(static_cast<std::uint32_t>(id), out);
        put(static_cast<std::uint32_t>(count), out);
        largest = std::max(largest, locus.phenotype_size(id));
    }
    if (entries == 0) return;
    if (keeps_values(entries)) {
        for (const double value : {sample.shannon, sample.pq, sample.psld}) {
            std::uint8_t bytes[sizeof(double)];
            std::memcpy(bytes, &value, sizeof(double));
            out.insert(out.end(), bytes, bytes + sizeof(double));
        }
    }
    const unsigned bits = size_bits(largest);
    const std::size_t first = out.size();
    out.resize(first + size_bytes(static_cast<std::uint64_t>(sample.typed), bits), 0);
    for (std::uint32_t i = summary.sample_begin[s]; i < summary.sample_begin[s + 1]; ++i) {
        const std::size_t bit = static_cast<std::size_t>(i - summary.sample_begin[s]) * bits;
        out[first + bit / 8] = static_cast<std::uint8_t>(out[first + bit / 8] | summary.sizes[i] << (bit % 8));
    }
}

const std::uint8_t* skip_sample(const CodedLocus& locus, const std::uint8_t* at, std::int64_t* typed_sum) {
    const std::uint64_t entries = get(at);
    std::uint64_t typed = 0;
    std::size_t largest = 0;
    for (std::uint64_t k = 0; k < entries; ++k) {
        largest = std::max(largest, locus.phenotype_size(static_cast<std::int32_t>(get(at))));
        typed += get(at);
    }
    if (typed_sum != nullptr) *typed_sum += static_cast<std::int64_t>(typed);
    if (entries == 0) return at;
    if (keeps_values(static_cast<std::uint32_t>(entries))) at += 3 * sizeof(double);
    return at + size_bytes(typed, size_bits(largest));
}

void PackedLoci::append(std::vector<std::uint8_t> bytes, std::span<const std::uint64_t> starts) {
    const std::uint64_t block = blocks_.size();
    typed_.resize(samples_, 0);
    CodedLocus coded;
    for (const std::uint64_t start : starts) {
        starts_.push_back(block << OFFSET_BITS | start);
        const std::uint8_t* at = unpack_coding(bytes.data() + start, coded);
        for (std::size_t s = 0; s < samples_; ++s) at = skip_sample(coded, at, &typed_[s]);
    }
    bytes.shrink_to_fit();
    blocks_.push_back(std::move(bytes));
    changed();
}

void PackedLoci::append(std::span<const std::vector<std::uint8_t>> loci) {
    std::size_t total = 0;
    for (const auto& locus : loci) total += locus.size();
    std::vector<std::uint8_t> bytes;
    bytes.reserve(total);
    std::vector<std::uint64_t> starts;
    for (const auto& locus : loci) {
        starts.push_back(bytes.size());
        bytes.insert(bytes.end(), locus.begin(), locus.end());
    }
    append(std::move(bytes), starts);
}

void PackedLoci::changed() {
    static std::atomic<std::uint64_t> versions{0};
    version_ = ++versions;
}

void PackedLoci::clear() {
    blocks_.clear();
    starts_.clear();
    typed_.clear();
    changed();
}

std::uint64_t PackedLoci::bytes() const {
    std::uint64_t total = starts_.capacity() * sizeof(std::uint64_t);
    for (const auto& block : blocks_) total += block.capacity();
    return total;
}

void PackedLoci::unpack(std::size_t l, Unpack what, UnpackedLocus& out, SummaryScratch& scratch) const {
    const std::uint8_t* at = unpack_coding(locus(l), out.coded);
    out.summary.clear();
    if (what == Unpack::coding) return;
    out.summary.samples.reserve(samples_);
    for (std::size_t s = 0; s < samples_; ++s) at = unpack_sample(at, out.coded, out.summary, what, scratch);
}

void PackedLoci::unpack_samples(std::size_t l, std::span<const char> wanted, UnpackedLocus& out,
                                SummaryScratch& scratch) const {
    static constexpr std::uint8_t UNTYPED[1] = {0};  // as pack_untyped_sample writes it
    const std::uint8_t* at = unpack_coding(locus(l), out.coded);
    out.summary.clear();
    out.summary.samples.reserve(samples_);
    for (std::size_t s = 0; s < samples_; ++s) {
        if (wanted[s]) {
            at = unpack_sample(at, out.coded, out.summary, Unpack::everything, scratch);
        } else {
            at = skip_sample(out.coded, at);
            unpack_sample(UNTYPED, out.coded, out.summary, Unpack::everything, scratch);
        }
    }
}

const UnpackedLocus& LocusReader::read_samples(const PackedLoci& loci, std::size_t l, std::span<const char> wanted) {
    loci.unpack_samples(l, wanted, locus_, scratch_);
    last_version_ = 0;
    return locus_;
}

const UnpackedLocus& LocusReader::read(const PackedLoci& loci, std::size_t l, Unpack what) {
    // A locus unpacked for more (a later Unpack value) serves a read for less.
    if (last_version_ == loci.version() && last_version_ != 0 && last_ == l && last_what_ >= what) return locus_;
    loci.unpack(l, what, locus_, scratch_);
    last_version_ = loci.version();
    last_ = l;
    last_what_ = what;
    return locus_;
}

void pack_locus(const CodedLocus& locus, const LocusSummary& summary, std::span<const char> keep,
                std::vector<std::uint8_t>& out) {
    pack_coding(locus, out);
    for (std::size_t s = 0; s < summary.samples.size(); ++s)
        if (keep.empty() || keep[s] != 0) pack_sample(locus, summary, s, out);
}

}  // namespace phenostat

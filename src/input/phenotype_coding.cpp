#include "input/phenotype_coding.h"

#include <algorithm>
#include <limits>
#include <unordered_map>

#include "base/text.h"

namespace phenostat {
namespace {

constexpr std::int64_t OVERSIZED_CODE = MAX_ALLELE_CODE + 1;
constexpr std::size_t PACKED_TEXT = 7;  // bytes of text that fit in a key with their length

std::uint64_t packed_key(std::string_view text) {
    std::uint64_t key = static_cast<std::uint64_t>(text.size()) << 56;
    for (std::size_t i = 0; i < text.size(); ++i) key |= std::uint64_t{static_cast<unsigned char>(text[i])} << (8 * i);
    return key;
}

}  // namespace

// A digit extends the current code; a comma or the end of the text closes it
// (kept when non-zero); any other character throws away the digits gathered
// so far. Codes that would not fit in 64 bits saturate: they are over the
// limit whatever their exact value.
void parse_phenotype(std::string_view text, std::vector<std::int64_t>& codes) {
    constexpr std::int64_t LARGEST = std::numeric_limits<std::int64_t>::max();
    codes.clear();
    std::int64_t value = 0;
    bool saturated = false;
    for (const char c : text) {
        if (c >= '0' && c <= '9') {
            const int digit = c - '0';
            if (saturated) continue;
            if (value > (LARGEST - digit) / 10) {
                saturated = true;
                value = OVERSIZED_CODE;
            } else {
                value = value * 10 + digit;
            }
            continue;
        }
        if (c == ',' && value != 0) codes.push_back(value);
        value = 0;
        saturated = false;
    }
    if (value != 0) codes.push_back(value);
}

void normalise_phenotype(std::vector<std::int64_t>& codes) {
    std::sort(codes.begin(), codes.end());
    codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
}

void SizeList::push_back(std::uint8_t size) {
    if (size >= 1u << (8u >> shift_)) {
        // Wider from now on: repack what is there.
        SizeList wider;
        wider.shift_ = size > 15 ? 0 : 1;
        wider.bytes_.reserve((count_ >> wider.shift_) + 1);
        for (std::size_t i = 0; i < count_; ++i) wider.push_back((*this)[i]);
        *this = std::move(wider);
    }
    const std::size_t slot = count_ & ((1u << shift_) - 1);
    if (slot == 0) bytes_.push_back(0);
    bytes_.back() = static_cast<std::uint8_t>(bytes_.back() | size << (slot * (8u >> shift_)));
    ++count_;
}

std::string CapacityError::message(const std::string& locus_name) const {
    const long line = static_cast<long>(row) + 2;  // the header is line 1
    switch (kind) {
        case Kind::too_many_alleles:
            return strprintf("\n\nLocus %s has more than 200 distinct alleles; this version handles at most 200 "
                             "alleles per locus.",
                             locus_name.c_str());
        case Kind::code_too_large:
            return strprintf("\n\nLocus %s, line %ld of the data file: an allele code is larger than 999999999.",
                             locus_name.c_str(), line);
        case Kind::too_many_codes:
            break;
    }
    return strprintf("\n\nLocus %s, line %ld of the data file: an individual has more than 20 distinct allele "
                     "codes; this version handles at most 20 alleles per phenotype.",
                     locus_name.c_str(), line);
}

namespace {

// Phenotypes are looked up by a linear scan up to this many, by hash beyond.
constexpr std::size_t LINEAR_PHENOTYPES = 32;

struct CodesHash {
    std::size_t operator()(const std::vector<std::int64_t>& codes) const {
        std::uint64_t hash = 1469598103934665603ULL;  // FNV-1a over the code values
        for (const std::int64_t code : codes) {
            hash ^= static_cast<std::uint64_t>(code);
            hash *= 1099511628211ULL;
        }
        return static_cast<std::size_t>(hash);
    }
};

}  // namespace

// Packed texts to ids, open addressing with linear probing: a lookup is a
// multiplication and a probe or two.
class PackedTable {
public:
    std::int32_t find(std::uint64_t key) const {
        if (keys_.empty()) return NOT_FOUND;
        const std::uint64_t stored = key | TAKEN;
        for (std::size_t at = slot(key);; at = (at + 1) & (keys_.size() - 1)) {
            if (keys_[at] == stored) return ids_[at];
            if (keys_[at] == 0) return NOT_FOUND;
        }
    }
    void insert(std::uint64_t key, std::int32_t id) {
        if (2 * (count_ + 1) > keys_.size()) grow();
        std::size_t at = slot(key);
        while (keys_[at] != 0) at = (at + 1) & (keys_.size() - 1);
        keys_[at] = key | TAKEN;
        ids_[at] = id;
        ++count_;
    }
    static constexpr std::int32_t NOT_FOUND = -3;

private:
    static constexpr std::uint64_t TAKEN = std::uint64_t{1} << 63;  // packed keys never use the top bit
    std::size_t slot(std::uint64_t key) const {
        return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> 32) & (keys_.size() - 1);
    }
    void grow() {
        std::vector<std::uint64_t> keys = std::move(keys_);
        std::vector<std::int32_t> ids = std::move(ids_);
        keys_.assign(std::max<std::size_t>(16, 2 * keys.size()), 0);
        ids_.assign(keys_.size(), 0);
        count_ = 0;
        for (std::size_t k = 0; k < keys.size(); ++k)
            if (keys[k] != 0) insert(keys[k] & ~TAKEN, ids[k]);
    }
    std::vector<std::uint64_t> keys_;
    std::vector<std::int32_t> ids_;
    std::size_t count_ = 0;
};

struct LocusCoder::Indexes {
    PackedTable packed_ids;                                  // short texts beyond the short list
    std::unordered_map<std::string, std::int32_t> long_ids;  // longer texts
    std::unordered_map<std::vector<std::int64_t>, std::int32_t, CodesHash> phenotype_ids;  // codes -> id, when many
};

void IdList::push_back(std::int32_t id) {
    if (!wide_ && id >= 255) {
        std::vector<std::uint8_t> wide(4 * bytes_.size());
        for (std::size_t i = 0; i < bytes_.size(); ++i) {
            const std::int32_t narrow = bytes_[i];
            std::memcpy(wide.data() + 4 * i, &narrow, 4);
        }
        bytes_ = std::move(wide);
        wide_ = true;
    }
    if (!wide_) {
        bytes_.push_back(static_cast<std::uint8_t>(id));
        return;
    }
    const std::size_t at = bytes_.size();
    bytes_.resize(at + 4);
    std::memcpy(bytes_.data() + at, &id, 4);
}

LocusCoder::LocusCoder() = default;

LocusCoder::~LocusCoder() = default;
LocusCoder::LocusCoder(LocusCoder&&) noexcept = default;
LocusCoder& LocusCoder::operator=(LocusCoder&&) noexcept = default;

std::int32_t LocusCoder::code(std::string_view text, std::size_t row, CodedLocus& locus,
                              std::vector<std::int64_t>& codes) {
    if (violation) return REFUSED;
    if (text.size() <= PACKED_TEXT) {
        const std::uint64_t key = packed_key(text);
        for (std::size_t k = 0; k < short_count_; ++k)
            if (short_keys_[k] == key) return short_ids_[k];
        if (indexes_) {
            if (const std::int32_t id = indexes_->packed_ids.find(key); id != PackedTable::NOT_FOUND) return id;
        }
        const std::int32_t id = code_new_text(text, row, locus, codes);
        if (id == REFUSED) return id;
        if (short_count_ < SHORT_LIST) {
            short_keys_[short_count_] = key;
            short_ids_[short_count_++] = id;
        } else {
            if (!indexes_) indexes_ = std::make_unique<Indexes>();
            indexes_->packed_ids.insert(key, id);
        }
        return id;
    }
    if (!indexes_) indexes_ = std::make_unique<Indexes>();
    const std::string key(text);
    if (const auto found = indexes_->long_ids.find(key); found != indexes_->long_ids.end()) return found->second;
    const std::int32_t id = code_new_text(text, row, locus, codes);
    if (id != REFUSED) indexes_->long_ids.emplace(key, id);
    return id;
}

// The id of the phenotype with exactly these (normalised) codes, or -1.
std::int32_t LocusCoder::find_phenotype(const CodedLocus& locus, const std::vector<std::int64_t>& codes) {
    const std::size_t count = locus.phenotype_count();
    if (count <= LINEAR_PHENOTYPES) {
        for (std::size_t p = 0; p < count; ++p) {
            const auto id = static_cast<std::int32_t>(p);
            if (locus.phenotype_size(id) != codes.size()) continue;
            std::size_t k = 0;
            while (k < codes.size() &&
                   locus.allele_codes[locus.phenotype_alleles[locus.phenotype_begin[p] + k]] == codes[k])
                ++k;
            if (k == codes.size()) return id;
        }
        return -1;
    }
    if (!indexes_) indexes_ = std::make_unique<Indexes>();
    auto& ids = indexes_->phenotype_ids;
    if (ids.empty()) {  // index the phenotypes so far
        std::vector<std::int64_t> known;
        for (std::size_t p = 0; p < count; ++p) {
            known.clear();
            for (auto a = locus.phenotype_begin[p]; a < locus.phenotype_begin[p + 1]; ++a)
                known.push_back(locus.allele_codes[locus.phenotype_alleles[a]]);
            ids.emplace(known, static_cast<std::int32_t>(p));
        }
    }
    const auto found = ids.find(codes);
    return found == ids.end() ? -1 : found->second;
}

// Checks the codes against the code-size and codes-per-phenotype limits,
// numbers any new allele, then interns the phenotype.
std::int32_t LocusCoder::code_new_text(std::string_view text, std::size_t row, CodedLocus& locus,
                                       std::vector<std::int64_t>& codes) {
    parse_phenotype(text, codes);
    if (codes.empty()) return MISSING;
    if (std::any_of(codes.begin(), codes.end(), [](std::int64_t code) { return code > MAX_ALLELE_CODE; })) {
        violation = CapacityError{CapacityError::Kind::code_too_large, row};
        return REFUSED;
    }
    normalise_phenotype(codes);
    if (codes.size() > static_cast<std::size_t>(MAX_ALLELES_PER_PHENOTYPE)) {
        violation = CapacityError{CapacityError::Kind::too_many_codes, row};
        return REFUSED;
    }
    if (const std::int32_t id = find_phenotype(locus, codes); id >= 0) return id;
    const auto id = static_cast<std::int32_t>(locus.phenotype_count());
    for (const std::int64_t code : codes) {
        const auto known = std::find(locus.allele_codes.begin(), locus.allele_codes.end(), code);
        if (known != locus.allele_codes.end()) {
            locus.phenotype_alleles.push_back(static_cast<std::uint8_t>(known - locus.allele_codes.begin()));
            continue;
        }
        if (locus.allele_codes.size() >= static_cast<std::size_t>(MAX_ALLELES_PER_LOCUS)) {
            violation = CapacityError{CapacityError::Kind::too_many_alleles, row};
            return REFUSED;
        }
        locus.phenotype_alleles.push_back(static_cast<std::uint8_t>(locus.allele_codes.size()));
        locus.allele_codes.push_back(static_cast<std::int32_t>(code));
    }
    locus.phenotype_begin.push_back(static_cast<std::uint32_t>(locus.phenotype_alleles.size()));
    if (indexes_ && !indexes_->phenotype_ids.empty()) indexes_->phenotype_ids.emplace(codes, id);
    return id;
}

}  // namespace phenostat

#include "input/phenotype_coding.h"

#include <algorithm>
#include <limits>

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
    if (!wide_ && size > 15) {
        // From now on a byte per size: unpack what is there.
        std::vector<std::uint8_t> bytes(count_);
        for (std::size_t i = 0; i < count_; ++i) bytes[i] = (*this)[i];
        bytes_ = std::move(bytes);
        wide_ = true;
    }
    if (wide_) {
        bytes_.push_back(size);
    } else if (count_ % 2 == 0) {
        bytes_.push_back(size);
    } else {
        bytes_.back() = static_cast<std::uint8_t>(bytes_.back() | size << 4);
    }
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

std::size_t LocusCoder::CodesHash::operator()(const std::vector<std::int64_t>& codes) const {
    std::uint64_t hash = 1469598103934665603ULL;  // FNV-1a over the code values
    for (const std::int64_t code : codes) {
        hash ^= static_cast<std::uint64_t>(code);
        hash *= 1099511628211ULL;
    }
    return static_cast<std::size_t>(hash);
}

LocusCoder::LocusCoder() {
    locus.phenotype_begin.push_back(0);
    locus.sample_begin.push_back(0);
}

std::int32_t LocusCoder::code(std::string_view text, std::size_t row) {
    if (violation) return REFUSED;
    if (text.size() <= PACKED_TEXT) {
        const std::uint64_t key = packed_key(text);
        for (std::size_t k = 0; k < short_count_; ++k)
            if (short_keys_[k] == key) return short_ids_[k];
        if (const auto found = packed_ids_.find(key); found != packed_ids_.end()) return found->second;
        const std::int32_t id = code_new_text(text, row);
        if (id == REFUSED) return id;
        if (short_count_ < SHORT_LIST) {
            short_keys_[short_count_] = key;
            short_ids_[short_count_++] = id;
        } else {
            packed_ids_.emplace(key, id);
        }
        return id;
    }
    if (const auto found = long_ids_.find(std::string(text)); found != long_ids_.end()) return found->second;
    const std::int32_t id = code_new_text(text, row);
    if (id != REFUSED) long_ids_.emplace(std::string(text), id);
    return id;
}

// Checks the codes against the code-size and codes-per-phenotype limits,
// numbers any new allele, then interns the phenotype.
std::int32_t LocusCoder::code_new_text(std::string_view text, std::size_t row) {
    parse_phenotype(text, codes_);
    if (codes_.empty()) return MISSING;
    if (std::any_of(codes_.begin(), codes_.end(), [](std::int64_t code) { return code > MAX_ALLELE_CODE; })) {
        violation = CapacityError{CapacityError::Kind::code_too_large, row};
        return REFUSED;
    }
    normalise_phenotype(codes_);
    if (codes_.size() > static_cast<std::size_t>(MAX_ALLELES_PER_PHENOTYPE)) {
        violation = CapacityError{CapacityError::Kind::too_many_codes, row};
        return REFUSED;
    }
    if (const auto found = phenotype_ids_.find(codes_); found != phenotype_ids_.end()) return found->second;
    for (const std::int64_t code : codes_) {
        if (allele_index_.count(code) != 0) continue;
        if (locus.allele_codes.size() >= static_cast<std::size_t>(MAX_ALLELES_PER_LOCUS)) {
            violation = CapacityError{CapacityError::Kind::too_many_alleles, row};
            return REFUSED;
        }
        allele_index_.emplace(code, static_cast<std::uint8_t>(locus.allele_codes.size()));
        locus.allele_codes.push_back(static_cast<std::int32_t>(code));
    }
    const auto id = static_cast<std::int32_t>(locus.phenotype_count());
    for (const std::int64_t code : codes_) locus.phenotype_alleles.push_back(allele_index_.at(code));
    locus.phenotype_begin.push_back(static_cast<std::uint32_t>(locus.phenotype_alleles.size()));
    phenotype_ids_.emplace(codes_, id);
    return id;
}

}  // namespace phenostat

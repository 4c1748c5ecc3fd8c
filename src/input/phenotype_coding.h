#pragma once
// Coding of phenotype texts into allele codes, cell by cell as the data file
// is read. Every analysis works from this coded data.
//
// A phenotype text is a list of decimal allele codes separated by commas.
// Any other character discards the digits gathered so far in its item, code 0
// is no allele, repeated codes count once, and a field without a non-zero code
// is missing data (the individual is not typed at that locus).

#include <array>
#include <cstring>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <memory>
#include <vector>

#include "base/small_vector.h"

namespace phenostat {

inline constexpr int MAX_ALLELES_PER_LOCUS = 200;
inline constexpr int MAX_PHENOTYPES_PER_LOCUS = 500;
inline constexpr int MAX_ALLELES_PER_PHENOTYPE = 20;
inline constexpr std::int64_t MAX_ALLELE_CODE = 999999999;

// The codes of one field in field order, zero codes dropped. A code too long
// for 64 bits reads as MAX_ALLELE_CODE + 1 (it is over the limit either way).
void parse_phenotype(std::string_view text, std::vector<std::int64_t>& codes);

// Sorts ascending and removes repeated codes.
void normalise_phenotype(std::vector<std::int64_t>& codes);

// The phenotype sizes (alleles carried) of a locus's typed individuals, in
// file order, packed: two bits each while every size is at most 3 (biallelic
// markers), four bits while at most 15, a byte each beyond.
class SizeList {
public:
    void push_back(std::uint8_t size);
    std::uint8_t operator[](std::size_t i) const {
        const unsigned bits = 8u >> shift_;
        return static_cast<std::uint8_t>((bytes_[i >> shift_] >> ((i & ((1u << shift_) - 1)) * bits)) &
                                         ((1u << bits) - 1));
    }
    std::size_t size() const { return count_; }
    void reserve(std::size_t count) { bytes_.reserve((count >> shift_) + 1); }
    void clear() {
        bytes_.clear();
        count_ = 0;
        shift_ = 2;
    }
    void shrink_to_fit() {
        if (bytes_.capacity() > bytes_.size() + bytes_.size() / 4 + 8) bytes_.shrink_to_fit();
    }

private:
    std::vector<std::uint8_t> bytes_;
    std::size_t count_ = 0;
    unsigned shift_ = 2;  // log2 of the sizes per byte
};

// Phenotype ids, a byte each while every id is below 255, four bytes each
// from the first that is not.
class IdList {
public:
    void push_back(std::int32_t id);
    std::size_t size() const { return wide_ ? bytes_.size() / 4 : bytes_.size(); }
    std::int32_t operator[](std::size_t i) const {
        if (!wide_) return bytes_[i];
        std::int32_t id;
        std::memcpy(&id, bytes_.data() + 4 * i, 4);
        return id;
    }
    void clear() { bytes_.clear(); }

private:
    std::vector<std::uint8_t> bytes_;
    bool wide_ = false;
};

// One locus, coded for every sample of the catalogue.
//
// Alleles are numbered per locus in order of first appearance down the file;
// phenotypes (distinct sets of alleles) likewise. The individuals themselves
// are summarised sample by sample as the file is read (see locus_summary.h).
// A biallelic locus fits in the record itself, with nothing on the heap.
struct CodedLocus {
    SmallVector<std::int32_t, 2> allele_codes;  // allele index -> allele code
    // Phenotype id p owns phenotype_alleles[phenotype_begin[p] .. phenotype_begin[p+1]).
    SmallVector<std::uint32_t, 4> phenotype_begin = {0};
    SmallVector<std::uint8_t, 8> phenotype_alleles;  // allele indices of each phenotype, in ascending order of code

    std::size_t allele_count() const { return allele_codes.size(); }
    std::size_t phenotype_count() const { return phenotype_begin.empty() ? 0 : phenotype_begin.size() - 1; }
    std::size_t phenotype_size(std::int32_t p) const { return phenotype_begin[p + 1] - phenotype_begin[p]; }
    void clear() {
        allele_codes.clear();
        phenotype_begin.assign(1, 0);
        phenotype_alleles.clear();
    }
};

// A stated capacity that a locus exceeds.
struct CapacityError {
    enum class Kind { too_many_alleles, too_many_codes, code_too_large };
    Kind kind;
    std::size_t row;  // data row of the offending individual (from 0 after the header)
    // The console text, naming the locus (and the line for the last two).
    std::string message(const std::string& locus_name) const;
};

// Codes the cells of one locus as they come down the file, in file order,
// numbering its alleles and phenotypes in `locus`. A text seen before at the
// locus costs one lookup, not a parse. Kept small: a data set has one per
// locus while it loads.
class LocusCoder {
public:
    static constexpr std::int32_t MISSING = -1;  // no allele: not typed
    static constexpr std::int32_t REFUSED = -2;  // the locus exceeds a capacity (see violation)

    LocusCoder();
    ~LocusCoder();
    LocusCoder(LocusCoder&&) noexcept;
    LocusCoder& operator=(LocusCoder&&) noexcept;
    // The phenotype id of the cell, MISSING or REFUSED. After the first
    // violation every cell is REFUSED. `codes` is working storage.
    std::int32_t code(std::string_view text, std::size_t row, CodedLocus& locus, std::vector<std::int64_t>& codes);

    std::optional<CapacityError> violation;

private:
    std::int32_t code_new_text(std::string_view text, std::size_t row, CodedLocus& locus,
                               std::vector<std::int64_t>& codes);
    std::int32_t find_phenotype(const CodedLocus& locus, const std::vector<std::int64_t>& codes);

    // Texts of up to seven bytes, packed with their length into one word:
    // the first few in a short list, any more in a hash map.
    static constexpr std::size_t SHORT_LIST = 4;
    std::array<std::uint64_t, SHORT_LIST> short_keys_{};
    std::array<std::int32_t, SHORT_LIST> short_ids_{};
    std::uint8_t short_count_ = 0;
    // Made when first needed: more texts than the short list holds, and a
    // phenotype index for loci with many phenotypes.
    struct Indexes;
    std::unique_ptr<Indexes> indexes_;
};

}  // namespace phenostat

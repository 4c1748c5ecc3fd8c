#pragma once
// Allele carriers as bit sets, for the permutation tests that deal
// individuals anew between sets. Over a list of individuals, each locus keeps
// the bits of its typed individuals and of the carriers of each of its
// alleles, 64 individuals to a word; a replicate's set is a mask of the same
// shape, and the set's carriers of an allele are popcount(carriers & mask),
// a word at a time. A test of N individuals and A allele rows holds
// (A + loci) x ceil(N / 64) words.

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "base/processor_builds.h"
#include "stats/dataset.h"

namespace phenostat {

// The alleles of every locus's phenotypes, unpacked once for all the tests:
// phenotype p of locus l owns alleles[begin[first[l] + p], begin[first[l] + p + 1]).
struct PhenotypeAlleles {
    explicit PhenotypeAlleles(const Dataset& data);
    std::vector<std::size_t> first;
    std::vector<std::uint64_t> begin;
    std::vector<std::uint8_t> alleles;
    std::vector<std::size_t> allele_count;  // per locus
};

// Which alleles of a locus get a row: those with at least `fewest_carriers`
// carriers that some typed individual lacks, in allele order. An allele
// carried by every typed individual has as many carriers in a set as the set
// has typed individuals; it is counted in `everywhere`.
struct CarrierRowChoice {
    std::int32_t fewest_carriers = 1;
    bool allele_counts = false;  // keep the bits of each individual's number of alleles
};

class CarrierBits {
public:
    struct Locus {
        std::uint32_t first_row = 0;  // rows: the typed individuals, the allele rows, then the count bits
        std::uint32_t alleles = 0;    // allele rows
        std::uint32_t count_bits = 0;
        std::int32_t typed = 0;         // individuals typed
        std::int32_t everywhere = 0;    // alleles carried by every typed individual
        std::int64_t allele_total = 0;  // alleles carried, summed over the individuals
        bool varies = false;            // two or more phenotypes among the individuals
    };

    // `rows` are data rows (indices into Dataset::cells), in the order their
    // bits take; loci where no one of them is typed keep no rows.
    CarrierBits(const Dataset& data, const PhenotypeAlleles& phenotypes, std::span<const std::size_t> rows,
                CarrierRowChoice choice);

    std::size_t individuals() const { return individuals_; }
    std::size_t words() const { return words_; }
    // Every locus, in locus order.
    const std::vector<Locus>& loci() const { return loci_; }
    const std::uint64_t* row(std::size_t r) const { return bits_.data() + r * words_; }
    // The carriers of allele row r among all the individuals.
    std::int32_t carriers(std::size_t r) const { return carriers_[r]; }

private:
    std::size_t individuals_ = 0, words_ = 0;
    std::vector<Locus> loci_;
    std::vector<std::uint64_t> bits_;
    std::vector<std::int32_t> carriers_;  // per row; 0 for rows other than alleles
};

// Masks of sets of individuals: set s at mask(s), words() words each.
class SetMasks {
public:
    SetMasks(std::size_t sets, std::size_t individuals) : words_((individuals + 63) / 64), bits_(sets * words_, 0) {}
    void clear() { std::fill(bits_.begin(), bits_.end(), 0); }
    // Individual k into `set`.
    void add(std::size_t set, std::size_t k) { bits_[set * words_ + k / 64] |= std::uint64_t{1} << (k % 64); }
    // Each individual k in set set_of[k].
    template <class Index>
    void assign(std::span<const Index> set_of) {
        clear();
        for (std::size_t k = 0; k < set_of.size(); ++k) add(static_cast<std::size_t>(set_of[k]), k);
    }
    std::uint64_t* mask(std::size_t set) { return bits_.data() + set * words_; }
    const std::uint64_t* mask(std::size_t set) const { return bits_.data() + set * words_; }
    std::size_t words() const { return words_; }

private:
    std::size_t words_;
    std::vector<std::uint64_t> bits_;
};

// The individuals in both bit sets.
[[gnu::always_inline]] inline std::int32_t common(const std::uint64_t* a, const std::uint64_t* b, std::size_t words) {
    std::int32_t count = 0;
    for (std::size_t w = 0; w < words; ++w) count += std::popcount(a[w] & b[w]);
    return count;
}

}  // namespace phenostat

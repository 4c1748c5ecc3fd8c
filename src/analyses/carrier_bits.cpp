#include "analyses/carrier_bits.h"

#include <algorithm>

namespace phenostat {

PhenotypeAlleles::PhenotypeAlleles(const Dataset& data) {
    CodedLocus coded;
    for (std::size_t l = 0; l < data.locus_count(); ++l) {
        unpack_coding(data.loci.locus(l), coded);
        first.push_back(begin.size());
        allele_count.push_back(coded.allele_count());
        for (const std::uint32_t b : coded.phenotype_begin) begin.push_back(alleles.size() + b);
        alleles.insert(alleles.end(), coded.phenotype_alleles.begin(), coded.phenotype_alleles.end());
    }
}

CarrierBits::CarrierBits(const Dataset& data, const PhenotypeAlleles& phenotypes, std::span<const std::size_t> rows,
                         CarrierRowChoice choice)
    : individuals_(rows.size()), words_((rows.size() + 63) / 64) {
    loci_.resize(data.locus_count());
    // One locus at a time: every allele's bits, then the rows chosen.
    std::vector<std::uint64_t> typed(words_), allele_bits, count_bits;
    std::vector<std::int32_t> carried;
    for (std::size_t l = 0; l < data.locus_count(); ++l) {
        const std::uint64_t* const phenotype_begin = &phenotypes.begin[phenotypes.first[l]];
        const std::size_t allele_count = phenotypes.allele_count[l];
        const CellIds& cells = data.cells[l];
        Locus& locus = loci_[l];
        std::fill(typed.begin(), typed.end(), 0);
        allele_bits.assign(allele_count * words_, 0);
        carried.assign(allele_count, 0);
        count_bits.clear();
        std::int32_t phenotype = CellIds::MISSING;
        for (std::size_t k = 0; k < rows.size(); ++k) {
            const std::int32_t id = rows[k] < cells.size() ? cells[rows[k]] : CellIds::MISSING;
            if (id < 0) continue;
            if (phenotype >= 0 && id != phenotype) locus.varies = true;
            phenotype = id;
            ++locus.typed;
            const std::uint64_t bit = std::uint64_t{1} << (k % 64);
            typed[k / 64] |= bit;
            const std::uint64_t alleles = phenotype_begin[id + 1] - phenotype_begin[id];
            locus.allele_total += static_cast<std::int64_t>(alleles);
            for (std::uint64_t e = phenotype_begin[id]; e < phenotype_begin[id + 1]; ++e) {
                const std::size_t a = phenotypes.alleles[e];
                allele_bits[a * words_ + k / 64] |= bit;
                ++carried[a];
            }
            if (!choice.allele_counts) continue;
            for (std::size_t b = 0; alleles >> b != 0; ++b) {
                if (count_bits.size() < (b + 1) * words_) count_bits.resize((b + 1) * words_, 0);
                if ((alleles >> b) & 1) count_bits[b * words_ + k / 64] |= bit;
            }
        }
        if (locus.typed == 0) continue;
        locus.first_row = static_cast<std::uint32_t>(bits_.size() / words_);
        bits_.insert(bits_.end(), typed.begin(), typed.end());
        carriers_.push_back(0);
        for (std::size_t a = 0; a < allele_count; ++a) {
            if (carried[a] == locus.typed) ++locus.everywhere;
            if (carried[a] < choice.fewest_carriers || carried[a] == locus.typed) continue;
            bits_.insert(bits_.end(), allele_bits.begin() + static_cast<std::ptrdiff_t>(a * words_),
                         allele_bits.begin() + static_cast<std::ptrdiff_t>((a + 1) * words_));
            carriers_.push_back(carried[a]);
            ++locus.alleles;
        }
        locus.count_bits = static_cast<std::uint32_t>(count_bits.size() / words_);
        bits_.insert(bits_.end(), count_bits.begin(), count_bits.end());
        carriers_.insert(carriers_.end(), locus.count_bits, 0);
    }
}

}  // namespace phenostat

#pragma once
// VCF, bgzipped VCF and BCF data files, read with htslib and recognised by
// their content. Each record is one locus: named by its ID, or CHROM:POS when
// the ID is "."; each individual's phenotype is the set of distinct alleles
// of its GT, coded as allele index plus one (REF 1, first ALT 2, ...),
// whatever the ploidy and phasing. A copy that is a symbolic allele (<*>,
// <NON_REF>, ...) or the spanning deletion * is an unknown copy, as a missing
// one is: a GT without a known allele is missing, and so by default is a GT
// with some copies unknown.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace phenostat {

// What a partly known GT (0/./1, 0/<*>) gives: missing data, or its known alleles.
enum class PartialGenotypes { missing, known };

// Whether the file holds VCF or BCF (plain, bgzipped or BCF), by its content.
bool is_variant_file(const std::string& path);

// UsageError when `regions` (comma-separated CHROM or CHROM:BEGIN-END) cannot
// be read; nothing for an empty list.
void check_regions(const std::string& regions);

// One record decoded: its locus name and the allele set of each asked
// individual, as a mask of alleles (bit a: allele a, code a + 1; 0: missing),
// or, for a set with an allele past the mask, TEXT: the cell's text in our
// own format ("1,70": ascending codes) is next in `text`.
struct VariantCells {
    static constexpr int MASK_ALLELES = 63;
    static constexpr std::uint64_t TEXT = std::uint64_t{1} << 63;

    std::string name;
    std::string site;                 // CHROM:POS
    std::string problem;              // why the record cannot be read (no GT, an allele it lacks); empty: none
    std::vector<std::uint64_t> sets;  // one per asked individual
    std::string text;                 // the TEXT cells, back to back
    std::vector<std::uint32_t> ends;
    // The smallest and largest number of copies of the asked individuals'
    // GTs with a copy called (0: none).
    std::size_t least_ploidy = 0, most_ploidy = 0;
    std::string_view text_cell(std::size_t t) const {
        const std::size_t begin = t == 0 ? 0 : ends[t - 1];
        return std::string_view(text).substr(begin, ends[t] - begin);
    }
    // Appends the set's codes in our text format ("1,2").
    static void append_text(std::uint64_t set, std::string& text);

    // Working storage of the decoding.
    std::vector<std::uint8_t> symbolic;
    std::vector<std::int32_t> codes;
};

// Reads the records in batches. FatalError naming the file (and the record)
// when it cannot be opened or read, and, for `regions` (comma-separated CHROM or
// CHROM:BEGIN-END), when it has no index.
class VariantReader {
public:
    VariantReader(const std::string& path, const std::string& regions, int threads);
    ~VariantReader();
    VariantReader(const VariantReader&) = delete;
    VariantReader& operator=(const VariantReader&) = delete;

    // The individuals of the file, in column order.
    const std::vector<std::string>& individuals() const { return individuals_; }
    // Two batches of records: one can be read (on a thread of its own)
    // while the other is decoded.
    static constexpr std::size_t SLOTS = 2;
    // Reads up to `count` records after the last batch into batch `slot`; 0 at the end.
    std::size_t read_batch(std::size_t slot, std::size_t count);
    // The bytes of the file read so far (compressed, for a compressed file),
    // between batches; 0 when not known (regions).
    std::uint64_t bytes_read() const;
    // Record k of batch `slot`, with the cells of the given individual
    // columns. Safe to call for distinct records on several threads at once,
    // and while the other batch is read.
    void decode(std::size_t slot, std::size_t k, std::span<const std::size_t> columns, PartialGenotypes partial,
                VariantCells& out) const;

    // CHROM:POS:REF:ALT of record k of batch `slot` (the ALTs joined by
    // commas, "." for none), after it is decoded.
    std::string site_alleles(std::size_t slot, std::size_t k) const;

private:
    struct Handles;
    std::string path_;
    std::unique_ptr<Handles> handles_;
    std::vector<std::string> individuals_;
};

}  // namespace phenostat

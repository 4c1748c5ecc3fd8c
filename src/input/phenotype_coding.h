#pragma once
// Coding of phenotype texts into allele codes, once per locus and sample
// right after loading. Every analysis works from this coded data.
//
// A phenotype text is a list of decimal allele codes separated by commas.
// Any other character discards the digits gathered so far in its item, code 0
// is no allele, repeated codes count once, and a field without a non-zero code
// is missing data (the individual is not typed at that locus).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "input/data_table.h"
#include "input/sample_catalogue.h"

namespace phenostat {

inline constexpr int MAX_ALLELES_PER_LOCUS = 200;
inline constexpr int MAX_PHENOTYPES_PER_LOCUS = 500;
inline constexpr int MAX_ALLELES_PER_PHENOTYPE = 20;
inline constexpr std::int64_t MAX_ALLELE_CODE = 999999999;
// The coded data and the per-sample summaries hold one entry per locus and
// sample (about 170 bytes each), so a table of more cells than this is
// refused before anything is allocated for it. A few hundred bytes of file (a
// header of many tabs over many one-character lines) could otherwise ask for
// more memory than any machine has.
inline constexpr std::size_t MAX_LOCUS_SAMPLE_CELLS = 10'000'000;

// The codes of one field in field order, zero codes dropped. A code too long
// for 64 bits reads as MAX_ALLELE_CODE + 1 (it is over the limit either way).
void parse_phenotype(std::string_view text, std::vector<std::int64_t>& codes);

// Sorts ascending and removes repeated codes.
void normalise_phenotype(std::vector<std::int64_t>& codes);

// One locus, coded for every sample of the catalogue.
//
// Alleles are numbered per locus in order of first appearance down the file;
// phenotypes (distinct sets of alleles) likewise. A typed individual is the id
// of its phenotype.
struct CodedLocus {
    std::vector<std::int32_t> allele_codes;        // allele index -> allele code
    std::vector<std::uint32_t> phenotype_begin;    // phenotype id p owns phenotype_alleles[phenotype_begin[p] .. phenotype_begin[p+1])
    std::vector<std::uint8_t> phenotype_alleles;   // allele indices of each phenotype, in ascending order of code
    std::vector<std::uint32_t> sample_begin;       // sample s owns individuals[sample_begin[s] .. sample_begin[s+1])
    std::vector<std::int32_t> individuals;         // phenotype id of every typed individual, in file order

    std::size_t allele_count() const { return allele_codes.size(); }
    std::size_t phenotype_count() const { return phenotype_begin.empty() ? 0 : phenotype_begin.size() - 1; }
    std::size_t phenotype_size(std::int32_t p) const { return phenotype_begin[p + 1] - phenotype_begin[p]; }
    std::size_t typed_count(std::size_t sample) const { return sample_begin[sample + 1] - sample_begin[sample]; }
};

struct CodedData {
    std::vector<CodedLocus> loci;  // one per locus column, in column order
};

// Stated capacities that the coded data must respect before anything is computed.
struct CapacityError {
    enum class Kind { too_many_alleles, too_many_codes, code_too_large, table_too_large };
    Kind kind;
    std::size_t locus;     // locus index (0 for table_too_large)
    std::size_t row;       // DataTable row of the offending individual (0 for table_too_large)
    std::string message;   // the console text, naming the locus (and the line for the last two)
};

// Codes every locus of the table. Returns the first capacity violation found
// (loci in column order, rows in file order), after which `out` is incomplete;
// a table of more than MAX_LOCUS_SAMPLE_CELLS locus-sample cells is refused
// first, with nothing coded.
std::optional<CapacityError> code_all_loci(const LoadedData& data, const SampleCatalogue& catalogue,
                                           CodedData& out);

}  // namespace phenostat

#pragma once
// The pieces of text that the readers of other programs' files share:
// splitting a line into fields, reading a genotype or an allele, and writing
// an individual's alleles at a locus as our phenotype text (its distinct
// alleles in ascending order, comma-separated; empty when it is missing).
//
// A genotype reader appends the phenotype text to `out` and returns an empty
// string, or else returns what is wrong with the genotype, to end a sentence
// that names the file, line and locus.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace phenostat {

// The fields of a line separated by runs of blanks (spaces and tabs).
void split_blanks(std::string_view line, std::vector<std::string_view>& fields);
// The cells of a line separated by `separator`, each trimmed of blanks, empty
// ones kept. A cell that opens with a double quote runs to the next quote
// (a spreadsheet's CSV quotes a cell holding the separator).
void split_cells(std::string_view line, char separator, std::vector<std::string_view>& cells);
// The text without the blanks at either end.
std::string_view trim_blanks(std::string_view text);

// A whole number of decimal digits and nothing else, at most nine of them
// once leading zeros are left out (the largest allele code is 999999999).
bool read_whole(std::string_view text, std::uint32_t& value);

// Appends the distinct non-zero alleles, ascending, comma-separated (they
// are sorted in place).
void append_alleles(std::vector<std::uint32_t>& alleles, std::string& out);

// `width` is the file's digits per genotype: 0 until the first genotype sets
// it, after which every genotype must have as many.
//
// Genepop: 2 or 3 digits for one allele, 4 or 6 for two; a genotype with an
// allele of zeros is missing.
std::string read_genepop_genotype(std::string_view text, std::size_t& width, std::string& out);
// FSTAT: one allele of `digits` digits, or two written together; 0, and any
// genotype with an allele of zeros, is missing. No allele may exceed `highest`.
std::string read_fstat_genotype(std::string_view text, std::size_t digits, std::size_t& width, std::uint32_t highest,
                                std::string& out);
// GenoDive: up to `ploidy` alleles of `digits` digits written together; an
// allele of zeros is missing, and so are an empty text and one of zeros alone.
std::string read_genodive_genotype(std::string_view text, std::size_t digits, std::size_t ploidy,
                                   std::vector<std::string_view>& scratch, std::string& out);

// One allele a cell (STRUCTURE, GenAlEx).
enum class AlleleCell { allele, missing, bad };
// STRUCTURE: -9 is missing, any other value a positive whole number.
AlleleCell read_structure_allele(std::string_view text, std::uint32_t& allele);
// GenAlEx: an empty cell, 0 and -1 are missing, any other a positive whole number.
AlleleCell read_genalex_allele(std::string_view text, std::uint32_t& allele);

}  // namespace phenostat

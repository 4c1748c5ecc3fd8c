#pragma once
// The formats of the data files phenostat reads, by their --format names, and
// each told by the first lines of a file. In that order: VCF or BCF (htslib
// tells); a GenAlEx file (a first row of the numbers of loci, individuals and
// populations and the populations' sizes, separated by commas or tabs); FSTAT
// (a first line of four whole numbers); GenoDive (a second line of five whole
// numbers, then a header line of Population and Individual); Genepop (a line
// "Pop" after the first); STRUCTURE (rows of as many fields, after an
// optional shorter first line of marker names, whose population and allele
// fields are whole numbers or -9, and no comma); our tab format (a tab on the
// first line; an empty file too, or one not seen before it is read, a pipe).

#include <optional>
#include <string>
#include <string_view>

#include "base/progress.h"
#include "input/converted_rows.h"
#include "input/structure_reader.h"
#include "input/vcf_reader.h"

namespace phenostat {

enum class DataFormat { tab, vcf, genepop, fstat, structure, genalex, genodive };

// The format of a --format name; none for another word.
std::optional<DataFormat> format_named(std::string_view name);
// "genepop", as --format names it.
const char* format_name(DataFormat format);
// "Genepop", as the messages name it.
const char* format_title(DataFormat format);
// The names joined by "|".
std::string format_names();

// The file's format by its content (a STRUCTURE file as `layout` reads it);
// none when it fits none of them.
std::optional<DataFormat> detect_format(const std::string& path, const StructureLayout& layout);

// The message for a file of no format: the formats, and how each begins.
std::string unknown_format_message(const std::string& path);

// Reads a file of Genepop, FSTAT, STRUCTURE, GenAlEx or GenoDive format
// into `rows` (see each reader), and checks that it holds loci and
// individuals. `layout` and `partial` apply to STRUCTURE.
void read_converted(ConvertedRows& rows, DataFormat format, const StructureLayout& layout, PartialGenotypes partial,
                    Progress& progress);

}  // namespace phenostat

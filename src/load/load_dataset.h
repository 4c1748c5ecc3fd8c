#pragma once
// Loading: every kind of data file read through its reader in input/, coded
// and summarised into a Dataset, with the sample map and --write-data. The
// app is its only user; the numeric core, the analyses and the reports see
// the Dataset alone.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/progress.h"
#include "base/warning.h"
#include "input/data_file.h"
#include "input/format_detection.h"
#include "input/vcf_reader.h"
#include "stats/dataset.h"

namespace phenostat {

struct LoadedDataset {
    FileDimensions dims;
    Dataset data;
    // Why the data set cannot be analysed, as console text: the first locus
    // (in column order) to exceed a capacity, at its first offending line; or
    // more memory than the machine has. The dimensions are measured anyway.
    std::optional<std::string> refusal;
    std::vector<Warning> warnings;  // about the lines, the map, the samples (recurring names, mixed groups)
};

// How a data file is read, beyond its name. The variant files (VCF, BCF) need
// a sample map, and files of every other format may have one; regions apply
// to the variant files only, partial to them and to STRUCTURE files.
struct LoadOptions {
    std::optional<DataFormat> format;  // none: told by the file's content
    std::string sample_map;
    std::string regions;  // comma-separated CHROM or CHROM:BEGIN-END; empty: every record
    PartialGenotypes partial = PartialGenotypes::missing;
    StructureLayout structure;       // the columns of a STRUCTURE file
    std::string write_data;          // when given, the data as read, in our tab format ("-": standard output)
    bool overwrite = false;          // write_data may replace an existing file
    bool keep_cells = false;         // keep every individual's phenotype ids (Dataset::cells)
    std::uint64_t memory_limit = 0;  // bytes; 0: what the machine has available
};

// Reads, codes and summarises the data file in one pass: each cell coded as it
// is read (a text seen before at its locus costs a lookup), each sample
// summarised as soon as its run of lines ends. Neither the text nor the cells
// of the whole file are kept. Progress counts megabytes of text.
// `memory_limit` (bytes; 0: what the machine has available) bounds the
// estimated memory of the summaries, checked before they grow.
// `keep_cells`: also keep every individual's phenotype ids (Dataset::cells),
// for the analyses that permute individuals.
LoadedDataset load_dataset(const std::string& path, Progress& progress, std::uint64_t memory_limit = 0,
                           bool keep_cells = false);

// The command line's reading of a tab file: as above, each line checked
// against the header (see input/line_check.h), and with a sample map the
// individuals (column 2) the map names given its samples and groups, coded
// and summarised in the map's catalogue order. FatalError for data past the
// header's fields, and for an individual of the map that the file lacks or
// has twice. With write_data, the lines so read are written in our tab format
// (in the map's order, with its columns). regions do not apply.
// A file of another format (Genepop, FSTAT, STRUCTURE, GenAlEx, GenoDive) is
// read whole first, then its rows (input/converted_rows.h) take the place of
// the lines, unchecked; FatalError naming its first line that breaks a rule.
LoadedDataset load_tab_dataset(const std::string& path, const LoadOptions& options, Progress& progress,
                               DataFormat format = DataFormat::tab);

// Reads a data file of any format (options.format, or told by its content):
// our tab files and the formats translated into them as above, or a VCF or
// BCF file whose records are coded and summarised locus by locus, in batches
// spread over the threads, exactly as the same data written in our format
// would be. UsageError as check_load_options finds; FatalError for a file of
// no format, an individual of the map that the file lacks, or a record
// without GT.
LoadedDataset load_dataset(const std::string& path, const LoadOptions& options, Progress& progress);

// The data file's format: options.format, or told by its first bytes; none
// when they fit no format.
std::optional<DataFormat> data_format(const std::string& path, const LoadOptions& options);

// UsageError for options that do not fit the data file's format, told from
// its first bytes alone: a VCF or BCF file without a sample map, regions
// asked of another format, partial genotypes of a format other than VCF,
// BCF and STRUCTURE, STRUCTURE's layout of another, a STRUCTURE file without
// labels read one row per allele copy, regions that cannot be read.
void check_load_options(const std::string& path, const LoadOptions& options);

// FatalError for a file with no data line or no locus column.
void check_dimensions(const std::string& input_path, const FileDimensions& dims);

}  // namespace phenostat

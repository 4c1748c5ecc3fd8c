#pragma once
// A loaded data set as every analysis reads it: the locus names, the samples,
// and every locus coded and summarised once per sample, packed (see
// packed_loci.h). Built in one pass over the data file and shared, read-only,
// until the run ends.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "base/progress.h"
#include "input/cell_ids.h"
#include "input/data_file.h"
#include "input/format_detection.h"
#include "input/phenotype_coding.h"
#include "input/sample_catalogue.h"
#include "input/vcf_reader.h"
#include "stats/locus_summary.h"
#include "stats/packed_loci.h"

namespace phenostat {

struct Dataset {
    std::vector<std::string> locus_names;  // in column order, unique (the tables join by them)
    // A tab file's header names where some repeat (else empty): the classic
    // files and the console show the loci as the header names them.
    std::vector<std::string> header_names;
    const std::vector<std::string>& classic_names() const { return header_names.empty() ? locus_names : header_names; }
    SampleCatalogue catalogue;  // the samples (runs of lines) in file order
    PackedLoci loci;            // locus i coded and summarised per sample, in column order
    // cells[i]: every individual's phenotype id at locus i, in row order; kept
    // only when the load asks for it (else empty).
    std::vector<CellIds> cells;

    std::size_t locus_count() const { return loci.size(); }
    std::size_t sample_count() const { return catalogue.sample_count(); }
};

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

}  // namespace phenostat

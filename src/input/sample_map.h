#pragma once
// The sample map: which individuals of a data file are analysed, and their
// samples and groups: those of a VCF or BCF file by their names in it, those
// of a tab file by its column 2. One line per individual,
//     individual<TAB>sample[<TAB>group]
// a first line "individual sample group" being a header. Samples are ordered
// by their first line, individuals within a sample by their lines, so a
// sample need not be contiguous in the variant file. An empty or absent group
// means no group; every line of a sample names the same group.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "base/warning.h"
#include "input/sample_catalogue.h"

namespace phenostat {

struct MappedIndividual {
    std::string name;  // as the variant file names it
    std::string sample;
    std::string group;     // empty: no group
    std::size_t line = 0;  // its line in the map
};

struct SampleMap {
    std::vector<MappedIndividual> individuals;  // in catalogue order: by sample, then map order
    SampleCatalogue catalogue;                  // rows = indices into `individuals`
    std::vector<std::string> first_fields;      // the fields of the first line read as an individual's
};

// Reads the map. FatalError naming the file and line for a line without a
// sample, an empty name, an individual named twice (with a word on columns
// that look swapped), or a sample put in another group than on an earlier
// line (naming both groups); and for a map without an individual, or one
// that cannot be opened (saying why).
SampleMap read_sample_map(const std::string& path);

// The message for a variant file given without a map: what the map is and
// the form of its lines.
std::string sample_map_needed_message(const std::string& data_path);

// The error for individuals of the map that the data file lacks (named, the
// first ten). `in_data` tells an individual of the data file: the message
// says so when the map's first line looks like a header (its individual
// lacking, a field such as "sample" or "population"), and when its second
// column names individuals of the data (the columns swapped).
std::string absent_individuals_message(const SampleMap& map, const std::string& map_path, const std::string& data_path,
                                       const std::vector<std::string>& absent,
                                       const std::function<bool(const std::string&)>& in_data);
// The warning for individuals of the data file that the map leaves out (named, the first few).
Warning unmapped_warning(const std::string& data_path, const std::vector<std::string>& left_out);

// "a, b, c" for up to `shown` names, then "and N more".
std::string list_names(const std::vector<std::string>& names, std::size_t shown);

}  // namespace phenostat

#pragma once
// The sample map: which individuals of a VCF or BCF file are analysed, and
// their samples and groups. One line per individual,
//     individual<TAB>sample[<TAB>group]
// a first line "individual sample group" being a header. Samples are ordered
// by their first line, individuals within a sample by their lines, so a
// sample need not be contiguous in the variant file. An empty or absent group
// means no group.

#include <cstddef>
#include <string>
#include <vector>

#include "input/sample_catalogue.h"

namespace phenostat {

struct MappedIndividual {
    std::string name;    // as the variant file names it
    std::string sample;
    std::string group;   // empty: no group
};

struct SampleMap {
    std::vector<MappedIndividual> individuals;  // in catalogue order: by sample, then map order
    SampleCatalogue catalogue;                  // rows = indices into `individuals`
};

// Reads the map. FatalError naming the file and line for a line without a
// sample, an empty name, or an individual named twice; and for a map without
// an individual.
SampleMap read_sample_map(const std::string& path);

// The message for a variant file given without a map: what the map is and
// the form of its lines.
std::string sample_map_needed_message(const std::string& data_path);

// "a, b, c" for up to `shown` names, then "and N more".
std::string list_names(const std::vector<std::string>& names, std::size_t shown);

}  // namespace phenostat

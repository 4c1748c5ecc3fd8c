#pragma once
// The dialogue's coordinates file: for each sample of the catalogue, in catalogue order,
// its longitude then its latitude in decimal degrees, separated by any white
// space. There are no names, headers or comments: the k-th pair belongs to the
// k-th sample.
//
// Reading is token by token. A token is a run of up to 255 non-white-space
// characters (a longer run gives several tokens). Its value is its longest
// leading decimal number: optional sign, digits with an optional point and
// fraction (at least one digit), optional exponent (e or E, optional sign, at
// least one digit). A token without one is 0, so "inf", "nan" and "abc" give 0,
// "0x1A" gives 0 and "12abc" gives 12. The decimal point is always '.', whatever
// the locale.

#include <cstddef>
#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/warning.h"

namespace phenostat {

struct Coordinates {
    std::vector<double> longitude;  // degrees, one per sample in catalogue order
    std::vector<double> latitude;   // degrees; both are 0 for samples without a site
    std::vector<char> known;        // 1 for the samples that have a site
    std::size_t pairs_read = 0;     // complete pairs read (at most the sample count)
    bool has(std::size_t sample) const { return sample < known.size() && known[sample] != 0; }
};

// The value of one token.
double coordinate_token_value(std::string_view token);

// Reads at most `sample_count` pairs; tokens after them are ignored.
Coordinates read_coordinates(std::istream& in, std::size_t sample_count);

// The file version: FatalError "\nOpening %s failed!" when it cannot be opened.
Coordinates read_coordinates_file(const std::string& path, std::size_t sample_count);

// The command line's coordinates file, read strictly: either the file above
// (numbers only, in catalogue order) or lines of name<TAB>longitude<TAB>latitude
// matched to the samples by name (a sample name that recurs gets the site of
// its name; a first line whose numbers do not read is a header). A value that
// is not a number, a longitude outside [-180, 180], a latitude outside
// [-90, 90] or a name given twice stops the run (FatalError naming the file and
// the line). So does a file of numbers whose pairs are not one per sample,
// and a file of names none of which is a sample's. `warnings` receives one naming the samples left without a site
// and one naming the file's names that no sample has.
Coordinates read_sites_file(const std::string& path, const std::vector<std::string>& sample_names,
                            std::vector<Warning>& warnings);

}  // namespace phenostat

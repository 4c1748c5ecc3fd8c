#pragma once
// Samples: a sample is a maximal run of consecutive data lines whose column 1
// holds the same text (byte for byte). A name that recurs later in the file
// opens another sample of the same name; every analysis treats each run as a
// sample of its own and never selects rows by name.

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "base/warning.h"

namespace phenostat {

struct Sample {
    std::string name;       // column 1 of its rows
    std::size_t first_row;  // its rows are data rows [first_row, end_row), counted from 0 after the header
    std::size_t end_row;
    std::string group;  // column 0 of its first row; empty: the sample belongs to no group
    bool mixed_groups;  // some of its rows name another group than the first
    std::size_t row_count() const { return end_row - first_row; }
};

struct SampleCatalogue {
    std::vector<Sample> samples;               // in file order
    long largest_sample = 0;                   // rows of the longest run
    std::vector<std::string> recurring_names;  // names that open more than one sample, in order of first recurrence
    std::size_t sample_count() const { return samples.size(); }
};

// Builds a catalogue line by line, in file order.
class SampleCatalogueBuilder {
public:
    explicit SampleCatalogueBuilder(SampleCatalogue& catalogue) : catalogue_(catalogue) {}
    // True when a line of sample `name` belongs to the last sample opened.
    bool continues(std::string_view name) const;
    // Adds data row `row` to the last sample; `group` is the row's column 0.
    const Sample& extend(std::size_t row, std::string_view group);
    // Opens a sample at data row `row`.
    void open(std::size_t row, std::string_view name, std::string_view group);
    // After the last line: the largest sample.
    void finish();

private:
    SampleCatalogue& catalogue_;
    std::unordered_set<std::string> opened_, recurring_;
};

// Recurring sample names, then samples whose lines name more than one group.
std::vector<Warning> catalogue_warnings(const SampleCatalogue& catalogue);

}  // namespace phenostat

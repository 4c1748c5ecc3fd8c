#include "input/sample_catalogue.h"

#include <algorithm>
#include <string_view>
#include <unordered_set>

namespace phenostat {
namespace {

constexpr std::size_t GROUP_COLUMN = 0;
constexpr std::size_t SAMPLE_COLUMN = 1;

// Closes the run that starts at `first_row`: it ends before the next row whose
// sample name differs (or at the end of the table).
Sample read_sample_run(const DataTable& table, std::size_t first_row) {
    const std::string_view name = table.cell(first_row, SAMPLE_COLUMN);
    const std::string_view group = table.cell(first_row, GROUP_COLUMN);
    Sample sample{std::string(name), first_row, first_row + 1, std::string(group), false};
    while (sample.end_row < table.row_count() && table.cell(sample.end_row, SAMPLE_COLUMN) == name) {
        if (table.cell(sample.end_row, GROUP_COLUMN) != group) sample.mixed_groups = true;
        ++sample.end_row;
    }
    return sample;
}

}  // namespace

SampleCatalogue build_sample_catalogue(const DataTable& table) {
    SampleCatalogue catalogue;
    std::unordered_set<std::string> opened;     // names that have opened a sample
    std::unordered_set<std::string> recurring;  // names already listed in recurring_names
    for (std::size_t row = 0; row < table.row_count();) {
        Sample sample = read_sample_run(table, row);
        row = sample.end_row;
        catalogue.largest_sample = std::max(catalogue.largest_sample, static_cast<long>(sample.row_count()));
        if (!opened.insert(sample.name).second && recurring.insert(sample.name).second) {
            catalogue.recurring_names.push_back(sample.name);
        }
        catalogue.samples.push_back(std::move(sample));
    }
    return catalogue;
}

}  // namespace phenostat

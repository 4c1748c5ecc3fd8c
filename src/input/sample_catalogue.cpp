#include "input/sample_catalogue.h"

#include <algorithm>

#include "base/text.h"

namespace phenostat {

bool SampleCatalogueBuilder::continues(std::string_view name) const {
    return !catalogue_.samples.empty() && catalogue_.samples.back().name == name;
}

const Sample& SampleCatalogueBuilder::extend(std::size_t row, std::string_view group) {
    Sample& sample = catalogue_.samples.back();
    sample.end_row = row + 1;
    if (group != sample.group) sample.mixed_groups = true;
    return sample;
}

void SampleCatalogueBuilder::open(std::size_t row, std::string_view name, std::string_view group) {
    if (!opened_.insert(std::string(name)).second && recurring_.insert(std::string(name)).second)
        catalogue_.recurring_names.emplace_back(name);
    catalogue_.samples.push_back(Sample{std::string(name), row, row + 1, std::string(group), false});
}

void SampleCatalogueBuilder::finish() {
    catalogue_.largest_sample = 0;
    for (const Sample& sample : catalogue_.samples)
        catalogue_.largest_sample = std::max(catalogue_.largest_sample, static_cast<long>(sample.row_count()));
}

std::vector<Warning> catalogue_warnings(const SampleCatalogue& catalogue) {
    std::vector<Warning> warnings;
    for (const std::string& name : catalogue.recurring_names)
        warnings.push_back({WarningKind::recurring_sample_name, name,
                            strprintf("the sample name %s occurs in more than one run of lines; each run is treated "
                                      "as a separate sample.",
                                      name.c_str())});
    for (const Sample& sample : catalogue.samples) {
        if (!sample.mixed_groups) continue;
        const std::string where = sample.group.empty()
                                      ? std::string("no group, as its first line names none")
                                      : strprintf("group %s, named on its first line", sample.group.c_str());
        warnings.push_back({WarningKind::mixed_groups, sample.name,
                            strprintf("the lines of sample %s name more than one group; the sample belongs to %s.",
                                      sample.name.c_str(), where.c_str())});
    }
    return warnings;
}

}  // namespace phenostat

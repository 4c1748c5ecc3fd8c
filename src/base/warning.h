#pragma once
// A warning of the loader or of an analysis, kept as a record: the run goes
// on, and each front end says it in its own way (the dialogue in its fixed
// wording, the command line on standard error).

#include <functional>
#include <string>

namespace phenostat {

enum class WarningKind {
    recurring_sample_name,   // subject: the name
    mixed_groups,            // subject: the sample
    missing_coordinates,     // subject: the samples without a site, joined by ", "
    unmatched_coordinates,   // subject: the coordinates file
    one_group,               // subject: the group
    few_group_assignments,   // subject: empty
    amova_ungrouped,         // subject: the samples in no group, joined by ", "
    amova_no_locus,          // subject: empty
    unmapped_individuals,    // subject: the individuals of the data file that the sample map leaves out (the first few)
    one_individual_samples,  // subject: the samples of a single individual, joined by ", "
    small_samples_left_out,  // subject: the samples left out by --min-individuals, joined by ", "
    trailing_empty_fields,   // subject: the lines ending in empty fields past the header's ("lines 4, 9 and 3 more")
    short_lines,             // subject: the lines with fewer fields than the header, alike
    repeated_locus_names,    // subject: the names that more than one locus has (the first few), joined by ", "
    pcoa_untyped,            // subject: the individuals typed at no locus (the first few), joined by ", "
    pcoa_samples_skipped,    // subject: empty
    ignored_columns,         // subject: the file whose columns after the genotypes are ignored
};

struct Warning {
    WarningKind kind;
    std::string subject;
    std::string text;  // one sentence or more, without "Warning:" and without a line end
};

// Where a run's warnings go as they arise.
using WarningSink = std::function<void(const Warning&)>;

}  // namespace phenostat

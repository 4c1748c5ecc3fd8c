#pragma once
// What the console shows of the load phase and of each analysis, rendered
// from their results.

#include <string>
#include <vector>

#include "analyses/analyses.h"
#include "base/warning.h"

namespace phenostat {

// The console text printed when a locus has no pair of individuals within samples.
inline constexpr const char* NO_PAIRS_WITHIN_WARNING = "\nWarning no pairs within";

// The listing of loci and samples shown before the analyses, with the
// loader's warnings about recurring sample names and samples with mixed
// groups (other kinds are not the dialogue's),
// ending with the "Press <enter> to continue" request.
std::string listing_text(const std::vector<std::string>& locus_names, const SampleCatalogue& catalogue,
                         const std::vector<Warning>& warnings);

// The echo that lets the user check the order of the coordinates:
// "\n<name>\tlong %f, lat %f" per sample ("\n<name>\tno coordinates" for a
// sample without a pair), a warning when the file held too few pairs, then
// the "Are these correct?" prompt.
std::string coordinates_echo(const Coordinates& coordinates, const SampleCatalogue& catalogue);

// Of a locus over all samples: its name, its typed individuals and any "no
// pairs within" warning. Of a sample or a group, only the warning is shown.
std::string all_samples_locus_text(const std::string& locus_name, const LocusOutcome& locus);

// "Doing pairwise F'st", then per pair its names, its warnings and any
// distance that could not be calculated.
std::string pairs_console_text(const std::vector<PairResult>& pairs, const SampleCatalogue& catalogue);

// The line that opens the table of group g.
std::string group_console_line(const GroupCatalogue& groups, std::size_t g);

}  // namespace phenostat

#pragma once
// The stats file (<stem>_stats.txt): every text written to it.
//
// Each analysis appends a titled section; the locus tables have a header line
// of tab-separated fields ("Locus" and the column titles of STATISTICS) and one row per
// locus plus the "Average across Loci" row. Every line begins with its "\n"
// and none ends with one, so the file ends without a line end.

#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analyses/analyses.h"

namespace phenostat {

// Section titles, written as they stand.
inline constexpr std::string_view ALL_SAMPLES_TITLE = "\n\n\t****Statistics calculated across all samples****\n";
inline constexpr std::string_view PER_SAMPLE_TITLE = "\n\n\t****Statistics calculated for each sample individually****";
inline constexpr std::string_view PER_SAMPLE_NOTE =
    "\n\n(note that F'st and other inter-sample statistics cannot be calculated for single samples,"
    "\nand that overall diversity=within sample diversity for a single sample)";
inline constexpr std::string_view PAIRWISE_TITLE = "\n\n\t****Pairwise F'st (unshared alleles) ****\n\n";
inline constexpr std::string_view GROUP_TITLE = "\n\n\t**** Group Statistics ****\n\n";

// Label of the row that prints the average record.
inline constexpr std::string_view AVERAGE_LABEL = "Average across Loci";

// "\n\nSample <name>" and "\n\nGroup <name>".
std::string sample_title(std::string_view sample_name);
std::string group_title(std::string_view group_name);

// A locus table is the header line, a row per locus and the average row.
// "\nLocus" then "\t<title>" for each column.
std::string stats_header_line();

// "\n<label>", then "\t%1.<decimals>f" for each printed field.
std::string stats_row(const LocusStats& record, std::string_view label);

// One line of the pairwise section: "\n<name1>\t<name2>\t%f" with the F'st;
// when distances are on, "\t%f" with the distance in km, or "\tNA" when it is
// unavailable (a sample without coordinates, or no finite distance).
std::string pair_line(std::string_view name1, std::string_view name2, double fst, std::optional<double> distance_km,
                      bool distances_on);

// The pairwise section: its title and a line per pair.
std::string pairwise_text(const std::vector<PairResult>& pairs, const SampleCatalogue& catalogue, bool distances_on);

// The run header that opens both output files: the banner box, then
// "\nCalculated from <input_name> on <date>", the date as
// "Sat Dec 05 22:00:08 2026\n" in local time with C-locale names.
std::string run_header_text(const std::string& input_name, std::time_t now);

}  // namespace phenostat

#pragma once
// The program's control flow, from the banner to the final message, over any
// pair of streams (the real program passes standard input and output).

#include <cstdint>
#include <istream>
#include <optional>
#include <ostream>
#include <string>

#include "base/console.h"
#include "input/data_table.h"
#include "input/phenotype_coding.h"
#include "stats/locus_summary.h"
#include "input/sample_catalogue.h"

namespace phenostat {

// Everything the load phase builds; lives until the run ends and is shared,
// read-only, by all the analyses.
struct LoadedRun {
    LoadedData data;            // the table of text cells and the locus names
    SampleCatalogue catalogue;  // the samples (runs of lines) in file order
    CodedData coded;            // every locus coded once, per sample
    std::vector<LocusSummary> summaries;  // every locus summarised once, per sample
};

// Measures, checks, loads and codes the data file, printing the load phase's
// messages. Throws FatalError when the file has no data line or no locus
// column, when a locus exceeds the fixed capacities, or when the file can no
// longer be opened.
LoadedRun load_phase(Console& console, const std::string& input_path);

// The listing of loci and samples shown before the analyses, warnings about
// recurring sample names and samples with mixed groups included, ending with
// the "Press <enter> to continue" request.
std::string format_listing(const LoadedData& data, const SampleCatalogue& catalogue);

// One whole run. `seed` fixes the seed of the random generator (tests); without
// it the generator is seeded with the calendar time in seconds, read right
// after the dialogue. Returns the exit status: 0 for a completed run, 1 for a
// run stopped by a fatal error (after its message and one character read).
int run_program(std::istream& in, std::ostream& out, std::optional<std::uint32_t> seed = std::nullopt);

}  // namespace phenostat

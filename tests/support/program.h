#pragma once
// The one place where the unit tests reach into the program: loading a data
// text, the statistics of sets of samples and of groups, the geodesic
// distance, phenotype parsing and a whole console run. The other
// test files see the program only through this header.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "analyses/amova.h"
#include "analyses/pair_permutation.h"
#include "analyses/set_statistics.h"
#include "load/load_dataset.h"
#include "app/driver.h"
#include "stats/statistics.h"

namespace phenostat::testing {

// A field's codes as read, in field order, and as the coded data keep them.
using Codes = std::vector<std::int64_t>;
std::pair<Codes, Codes> codes_of(const std::string& field);

std::optional<double> geodesic_km(double lat1, double lon1, double lat2, double lon2);

// A whole run typed from `typed`, in the working directory `dir`, with a fixed seed.
struct ConsoleRun {
    int status = -1;
    std::string console;
};
ConsoleRun run_console(const std::string& typed, const std::filesystem::path& dir);

// A command-line run of `words` (the program's name not included).
struct CommandLineRun {
    int status = -1;
    std::string out, err;
};
CommandLineRun run_command_line(const std::vector<std::string>& words);

// A data text loaded with every individual's phenotype ids kept, as the
// AMOVA and the pair test have it.
Dataset load_with_cells(const std::string& data_text);

// A data text loaded, catalogued, coded and summarised as a run does it.
class Program {
public:
    explicit Program(const std::string& data_text);
    std::size_t sample_count() const { return data_.sample_count(); }

    struct SetResult {
        std::vector<LocusStats> loci;
        int no_pairs_within = 0;       // loci flagged "no pairs within"
        LocusStats average, compared;  // the full average, and the compared-only one
    };
    SetResult compute_set(const std::vector<std::size_t>& samples);

    // The compared averages of groups 0..group_count-1; sample s is in group_of[s] (-1: in none).
    std::vector<LocusStats> group_averages(const std::vector<int>& group_of, std::size_t group_count);

private:
    Dataset data_;
    SetScratch scratch_;          // reused from set to set, as an analysis does
    GroupScratch group_scratch_;  // reused from assignment to assignment, as the replicates do
};

}  // namespace phenostat::testing

#pragma once
// The one place where the unit tests reach into the program: loading a data
// text, the statistics of sets of samples and of groups, the permutation test,
// the geodesic distance, phenotype parsing and a whole console run. Every
// other test file sees the program only through this header.

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "stats/locus_stats.h"

namespace phenostat::testing {

using Codes = std::vector<std::int64_t>;
Codes parse_codes(std::string_view text);       // a field's codes, in field order
Codes normalised_codes(std::string_view text);  // the same, as the coded data keeps them

std::optional<double> geodesic_km(double lat1, double lon1, double lat2, double lon2);

struct ConsoleRun {
    int status = -1;
    std::string console;
};
// A whole run typed from `typed`, in the working directory `dir`, with a fixed seed.
ConsoleRun run_console(const std::string& typed, const std::filesystem::path& dir);

using Compared = std::array<double, COMPARED_STATISTIC_COUNT>;

// A data text loaded, catalogued, coded and summarised as a run does it.
// Throws std::runtime_error when the data exceed a capacity.
class Program {
public:
    explicit Program(const std::string& data_text);
    ~Program();
    std::size_t sample_count() const;

    struct SetResult {
        std::vector<LocusStats> loci;
        int no_pairs_within = 0;  // loci flagged "no pairs within"
        LocusStats average;
        LocusStats compared;      // the compared-only average of the same set
    };
    SetResult compute_set(const std::vector<std::size_t>& samples);

    // The compared averages of groups 0..group_count-1; sample s is in
    // group_of[s], or in none when it is -1.
    std::vector<LocusStats> group_averages(const std::vector<int>& group_of, std::size_t group_count);

    // The group permutation test as a run does it (the data's own groups).
    Compared p_values(int permutations, std::uint32_t seed);

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace phenostat::testing

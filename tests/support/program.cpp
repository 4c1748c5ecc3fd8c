#include "support/program.h"

#include <sstream>
#include <stdexcept>

#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "app/command_line.h"
#include "stats/geodesic.h"

namespace phenostat::testing {

std::pair<Codes, Codes> codes_of(const std::string& field) {
    Codes parsed{-7};  // whatever was there must go
    parse_phenotype(field, parsed);
    Codes kept = parsed;
    normalise_phenotype(kept);
    return {parsed, kept};
}

std::optional<double> geodesic_km(double lat1, double lon1, double lat2, double lon2) {
    return geodesic_distance_km(lat1, lon1, lat2, lon2);
}

CommandLineRun run_command_line(const std::vector<std::string>& words) {
    std::vector<const char*> argv{"phenostat"};
    for (const std::string& word : words) argv.push_back(word.c_str());
    std::ostringstream out, err;
    CommandLineRun run;
    run.status = phenostat::run_command_line(static_cast<int>(argv.size()), argv.data(), out, err);
    run.out = out.str();
    run.err = err.str();
    return run;
}

ConsoleRun run_console(const std::string& typed, const std::filesystem::path& dir) {
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    std::istringstream in(typed);
    std::ostringstream out;
    const int status = run_program(in, out, 12345u);
    std::filesystem::current_path(before);
    return {status, out.str()};
}

static Dataset load_with_cells(const std::string& data_text, bool keep_cells) {
    // One file per process: ctest runs the tests of this binary side by side.
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("phenostat_program_" + std::to_string(getpid()) + ".txt");
    std::ofstream(path, std::ios::binary) << data_text;
    NoProgress quiet;
    LoadedDataset loaded = load_dataset(path.string(), quiet, 0, keep_cells);
    std::filesystem::remove(path);
    if (loaded.refusal) throw std::runtime_error(*loaded.refusal);
    return std::move(loaded.data);
}

Dataset load_with_cells(const std::string& data_text) { return load_with_cells(data_text, true); }

Program::Program(const std::string& data_text) : data_(load_with_cells(data_text, false)) {}

Program::SetResult Program::compute_set(const std::vector<std::size_t>& samples) {
    SetResult result;
    const SetTable full = compute_set_table(data_, samples, scratch_);
    for (const LocusOutcome& locus : full.loci) {
        result.loci.push_back(locus.stats);
        result.no_pairs_within += locus.no_pairs_within ? 1 : 0;
    }
    result.average = full.average;
    result.compared = compute_compared_average(data_, samples, scratch_.local()).average;
    return result;
}

std::vector<LocusStats> Program::group_averages(const std::vector<int>& group_of, std::size_t group_count) {
    std::vector<std::size_t> membership;
    for (const int g : group_of) membership.push_back(g < 0 ? NO_GROUP : static_cast<std::size_t>(g));
    std::vector<LocusStats> averages;
    compute_group_averages(data_, membership, group_count, group_scratch_, averages);
    return averages;
}

}  // namespace phenostat::testing

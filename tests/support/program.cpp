#include "support/program.h"

#include <sstream>
#include <stdexcept>

#include "analyses/geodesic.h"
#include "analyses/group_statistics.h"
#include "analyses/set_statistics.h"
#include "app/driver.h"
#include "input/phenotype_coding.h"

namespace phenostat::testing {

Codes parse_codes(std::string_view text) {
    Codes codes{-7};  // whatever was there must go
    parse_phenotype(text, codes);
    return codes;
}

Codes normalised_codes(std::string_view text) {
    Codes codes = parse_codes(text);
    normalise_phenotype(codes);
    return codes;
}

std::optional<double> geodesic_km(double lat1, double lon1, double lat2, double lon2) {
    return geodesic_distance_km(lat1, lon1, lat2, lon2);
}

ConsoleRun run_console(const std::string& typed, const std::filesystem::path& dir) {
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    std::istringstream in(typed);
    std::ostringstream out;
    ConsoleRun run;
    run.status = run_program(in, out, 12345u);
    run.console = out.str();
    std::filesystem::current_path(before);
    return run;
}

struct Program::State {
    LoadedData data;
    SampleCatalogue catalogue;
    CodedData coded;
    std::vector<LocusSummary> summaries;
    CombineScratch scratch;      // reused from set to set, as an analysis does
    GroupScratch group_scratch;  // reused from assignment to assignment, as the replicates do
    CodedLoci loci() const { return {coded, summaries}; }
};

Program::Program(const std::string& data_text) : state_(std::make_unique<State>()) {
    std::istringstream measure(data_text), load(data_text);
    State& s = *state_;
    s.data = load_data(load, measure_data(measure));
    s.catalogue = build_sample_catalogue(s.data.table);
    if (const auto error = code_all_loci(s.data, s.catalogue, s.coded)) throw std::runtime_error(error->message);
    s.summaries = summarise_all_loci(s.coded);
}

Program::~Program() = default;

std::size_t Program::sample_count() const { return state_->catalogue.sample_count(); }

Program::SetResult Program::compute_set(const std::vector<std::size_t>& samples) {
    SetResult result;
    const SetStatistics full = compute_set_statistics(state_->loci(), samples, state_->scratch);
    for (const LocusOutcome& locus : full.loci) {
        result.loci.push_back(locus.stats);
        result.no_pairs_within += locus.no_pairs_within ? 1 : 0;
    }
    result.average = full.average;
    result.compared = compute_compared_average(state_->loci(), samples, state_->scratch);
    return result;
}

std::vector<LocusStats> Program::group_averages(const std::vector<int>& group_of, std::size_t group_count) {
    std::vector<std::size_t> membership;
    for (const int g : group_of) membership.push_back(g < 0 ? NO_GROUP : static_cast<std::size_t>(g));
    std::vector<LocusStats> averages;
    compute_group_averages(state_->loci(), membership, group_count, state_->group_scratch, averages);
    return averages;
}

Compared Program::p_values(int permutations, std::uint32_t seed) {
    const GroupCatalogue groups = build_group_catalogue(state_->catalogue);
    GroupScratch scratch;
    std::vector<LocusStats> averages;
    std::vector<ComparedValues> values;
    group_compared_values(state_->loci(), groups.slots, groups.names.size(), scratch, averages, values);
    std::istringstream no_input;
    std::ostringstream printed;
    Console console(no_input, printed);
    RandomGenerator random(seed);
    return permutation_p_values(state_->loci(), groups, test_statistics(values), permutations, random, console);
}

}  // namespace phenostat::testing

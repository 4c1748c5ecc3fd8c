#include "app/driver.h"

#include <new>
#include <optional>

#include "analyses/analyses.h"
#include "app/dialogue.h"
#include "app/output_file.h"
#include "app/runner.h"
#include "base/clock.h"
#include "base/fatal_error.h"
#include "base/parallel.h"
#include "base/text.h"
#include "reports/console_text.h"
#include "reports/stats_file.h"

namespace phenostat {
namespace {

constexpr const char* ALLOCATION_FAILED = "\n\nWARNING memory allocation failed! exiting";


// The messages of the table allocations: the data table, the work table and
// the locus names. The tables grow while loading, so nothing can fail here.
void print_allocation_messages(Console& console) {
    for (int table = 0; table < 2; ++table) {
        console.print("\n\nAllocating memory for the table of data...");
        console.print("\n...success!");
    }
    console.print("\n\nAllocating memory for the table of locus names...");
    console.print("\n...success!");
}

// The dialogue's progress of the permutation test: a line per replicate.
class ReplicateLines final : public Progress {
public:
    explicit ReplicateLines(Console& console) : console_(console) {}
    void step(std::size_t done, std::size_t) override {
        char line[32];  // formatted on the stack: the replicate loop allocates nothing
        const int length = std::snprintf(line, sizeof line, "\n\tRandomisation: %zu", done - 1);
        console_.print(std::string_view(line, static_cast<std::size_t>(length)));
    }

private:
    Console& console_;
};

// The dialogue says only the loader's warnings, in the listing; the group
// test's are the command line's alone.
void ignore(const Warning&) {}

int run(Console& console, std::optional<std::uint32_t> seed) {
    print_banner(console);
    console.print("\n");

    RunPlan plan;
    ask_file_names(console, plan);
    const std::time_t now = current_time();
    append_to_file(plan.stats_path, run_header_text(plan.data_path, now));
    append_to_file(plan.summary_path, run_header_text(plan.data_path, now));
    ask_analyses(console, plan);

    const auto seed_used = seed ? *seed : static_cast<std::uint32_t>(current_time());
    RandomGenerator random(seed_used);

    use_threads(available_cores());
    std::vector<Warning> warnings;
    const Dataset data = load_phase(console, plan.data_path, warnings);
    console.print(listing_text(data.classic_names(), data.catalogue, warnings));

    // A single Enter continues, also after the permutation answer whose
    // line's rest is still unread.
    if (plan.permutations > 0) console.discard_line();
    console.pause();

    // The analyses of the list that the answers ask for; the coordinates
    // are read, shown and paused on when the first analysis needs them.
    NoProgress quiet;
    ReplicateLines lines(console);
    std::optional<Coordinates> sites;
    FrontEnd front;
    front.dialogue = &console;
    front.warn = ignore;
    front.classic_random = &random;
    front.starting = [&](const Analysis& analysis) -> Progress& {
        if ((analysis.needs & SHOWS_REPLICATES) != 0) return lines;
        return quiet;
    };
    front.sites = [&]() -> const Coordinates* {
        if (plan.coordinates_path.empty()) return nullptr;
        if (!sites) {
            sites = read_coordinates_file(plan.coordinates_path, data.sample_count());
            console.print(coordinates_echo(*sites, data.catalogue));
            console.pause();
        }
        return &*sites;
    };
    Runner runner(data, plan, seed_used, std::move(front));
    runner.run_analyses();

    console.print(strprintf("\n\nFINISHED\n\nStatistics have been recorded in %s\nallele/phenotype frequencies in "
                            "%s\n\npress <enter> to exit",
                            plan.stats_path.c_str(), plan.summary_path.c_str()));
    console.read_char();
    return 0;
}

}  // namespace

Dataset load_phase(Console& console, const std::string& input_path, std::vector<Warning>& warnings) {
    NoProgress quiet;
    LoadedDataset loaded = load_dataset(input_path, quiet);
    warnings = std::move(loaded.warnings);
    console.print(format_file_dimensions(input_path, loaded.dims));
    check_dimensions(input_path, loaded.dims);
    print_allocation_messages(console);
    if (loaded.refusal) throw FatalError(*loaded.refusal);
    return std::move(loaded.data);
}

int run_program(std::istream& in, std::ostream& out, std::optional<std::uint32_t> seed) {
    Console console(in, out);
    try {
        return run(console, seed);
    } catch (const FatalError& error) {
        console.print(error.what());
    } catch (const std::bad_alloc&) {
        console.print(ALLOCATION_FAILED);
    }
    console.read_char();  // the user's Enter; the end of input goes on
    console.flush();
    return 1;
}

}  // namespace phenostat

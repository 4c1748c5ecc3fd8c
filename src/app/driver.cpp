#include "app/driver.h"

#include <new>

#include "analyses/analyses.h"
#include "app/dialogue.h"
#include "base/clock.h"
#include "base/fatal_error.h"
#include "reports/output_file.h"
#include "base/text.h"
#include "base/random_generator.h"

namespace phenostat {
namespace {

constexpr const char* ALLOCATION_FAILED = "\n\nWARNING memory allocation failed! exiting";

// A file without individuals or loci gives nothing to analyse; say which.
void check_dimensions(const std::string& input_path, const FileDimensions& dims) {
    if (dims.individual_count < 1) {
        std::string message = strprintf("\n\nThe data file %s holds no data line (only a header, or nothing): "
                                         "nothing to analyse.",
                                         input_path.c_str());
        // Text without a single line feed: most likely lines ended by CR alone, which reads as one line.
        if (dims.individual_count < 0 && dims.field_width > 0)
            message += "\nNo line feed was found in it: lines must end in LF or CR LF (CR alone does not end a line).";
        throw FatalError(message);
    }
    if (dims.column_count < 4)
        throw FatalError(strprintf("\n\nThe data file %s has no locus column (loci start in the fourth column): "
                                   "nothing to analyse.",
                                   input_path.c_str()));
}

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

void append_sample_warnings(std::string& text, const SampleCatalogue& catalogue) {
    for (const std::string& name : catalogue.recurring_names)
        appendf(text,
                "\n\nWarning: the sample name %s occurs in more than one run of lines; each run is treated as a "
                "separate sample.",
                name.c_str());
    for (const Sample& sample : catalogue.samples) {
        if (!sample.mixed_groups) continue;
        if (sample.group.empty())
            appendf(text,
                    "\n\nWarning: the lines of sample %s name more than one group; the sample belongs to no "
                    "group, as its first line names none.",
                    sample.name.c_str());
        else
            appendf(text,
                    "\n\nWarning: the lines of sample %s name more than one group; the sample belongs to group %s, "
                    "named on its first line.",
                    sample.name.c_str(), sample.group.c_str());
    }
}

void run_analyses(Console& console, const RunOptions& options, const LoadedRun& run, RandomGenerator& random) {
    const AnalysisContext context{run.data,          run.catalogue,        run.coded, console,
                                  options.stats_path, options.summary_path, run.summaries};
    if (options.all_samples) run_all_samples_analysis(context);
    if (options.per_sample) run_per_sample_analysis(context);
    if (options.pairwise) run_pairwise_fst(context, options.coordinates_path);
    if (options.groups) run_group_statistics(context, options.permutations, random);
}

int run(Console& console, std::optional<std::uint32_t> seed) {
    print_banner(console);
    console.print("\n");

    RunOptions options;
    ask_file_names(console, options);
    write_file_header(options.stats_path, options.input_path);
    write_file_header(options.summary_path, options.input_path);
    ask_analyses(console, options);

    RandomGenerator random(seed ? *seed : static_cast<std::uint32_t>(current_time()));

    const LoadedRun loaded = load_phase(console, options.input_path);
    console.print(format_listing(loaded.data, loaded.catalogue));

    // A single Enter continues, also after the permutation answer whose
    // line's rest is still unread.
    if (options.groups) console.discard_line();
    console.pause();

    run_analyses(console, options, loaded, random);

    console.print(strprintf("\n\nFINISHED\n\nStatistics have been recorded in %s\nallele/phenotype frequencies in "
                            "%s\n\npress <enter> to exit",
                            options.stats_path.c_str(), options.summary_path.c_str()));
    console.read_char();
    return 0;
}

}  // namespace

LoadedRun load_phase(Console& console, const std::string& input_path) {
    LoadedRun run;
    const FileDimensions dims = measure_data_file(input_path);
    console.print(format_file_dimensions(input_path, dims));
    check_dimensions(input_path, dims);
    print_allocation_messages(console);
    run.data = load_data_file(input_path, dims);
    run.catalogue = build_sample_catalogue(run.data.table);
    if (const auto violation = code_all_loci(run.data, run.catalogue, run.coded)) throw FatalError(violation->message);
    // Every analysis works from the coded data: the text cells are no longer needed.
    run.data.table = DataTable{};
    run.summaries = summarise_all_loci(run.coded);
    return run;
}

std::string format_listing(const LoadedData& data, const SampleCatalogue& catalogue) {
    std::string text = strprintf("\n\nThere are %i samples represented in the file",
                                 static_cast<int>(catalogue.sample_count()));
    text += "\nThe loci are named:\n\t";
    for (const std::string& name : data.locus_names) appendf(text, "\n\t%s,", name.c_str());
    text += "\n\nThe samples are named:\n\t";
    for (const Sample& sample : catalogue.samples) appendf(text, "\n\t%s", sample.name.c_str());
    append_sample_warnings(text, catalogue);
    text += "\nDoes the information above look correct?\nif not, then the file contains an error.\n\nPress <enter> to "
            "continue";
    return text;
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

#include "app/command_line.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <climits>
#include <filesystem>
#include <numeric>
#include <string_view>
#include <vector>

#include "app/analysis_list.h"
#include "app/batch_run.h"
#include "app/option_values.h"
#include "input/input_file.h"
#include "app/run_plan.h"
#include "base/fatal_error.h"
#include "base/output_file_name.h"
#include "base/text.h"
#include "input/data_file.h"
#include "input/vcf_reader.h"

namespace phenostat {
namespace {

constexpr std::int64_t MAX_THREADS = 4096;
constexpr std::int64_t MAX_PLOIDY = 64;

// The options as they are typed, before the plan is completed from them.
struct Typed {
    bool no_tables = false;
    bool report = false;
    std::int64_t seed = -1;  // -1: the clock
    std::optional<DataFormat> format;
};

void add_data_options(CLI::App& app, RunPlan& plan, Typed& typed) {
    app.add_option("DATA", plan.data_path,
                   "The data file (plain or gzip-compressed): our tab format, VCF or BCF (with --sample-map), "
                   "Genepop, FSTAT, STRUCTURE, GenAlEx or GenoDive")
        ->required();
    app.add_option("-o,--out", plan.stem,
                   "Output stem (default: DATA without its extension, .gz included); a folder (existing, or "
                   "written with a final /) takes DATA's stem inside it");
    app.add_option("-s,--seed", typed.seed, "Seed of the random generator (default: the clock)")
        ->type_name("N")
        ->check(whole_number(0, 4294967295));
}

// Every analysis's options, under its name in --help; the checks of the
// options that need others.
std::vector<OptionCheck> add_analysis_options(CLI::App& app, RunPlan& plan) {
    std::vector<OptionCheck> checks;
    for (const Analysis& analysis : analyses()) {
        if (analysis.options == nullptr) continue;
        const std::size_t before = app.get_options().size();
        if (OptionCheck check = analysis.options(app, plan)) checks.push_back(std::move(check));
        const std::vector<CLI::Option*> options = app.get_options();
        for (std::size_t k = before; k < options.size(); ++k) options[k]->group(analysis.title);
    }
    return checks;
}

// The data file's format, and the options of VCF, BCF and STRUCTURE input.
void add_input_options(CLI::App& app, RunPlan& plan, Typed& typed) {
    app.add_option_function<std::string>(
           "--format", [&typed](const std::string& name) { typed.format = format_named(name); },
           "The data file's format, one of " + format_names() + " (default: told by its content)")
        ->type_name("NAME")
        ->check(CLI::Validator(
            [](std::string& name) -> std::string {
                return format_named(name) ? std::string() : "'" + name + "' is not one of " + format_names();
            },
            ""));
    app.add_option("--sample-map", plan.load.sample_map,
                   "Lines of individual, sample and optionally group (tab-separated) naming the individuals to "
                   "analyse: needed for VCF or BCF data; for other data, by their labels (a tab file's column 2), "
                   "in place of their samples and groups");
    app.add_option("--regions", plan.load.regions,
                   "VCF or BCF data: read only these regions (CHROM or CHROM:BEGIN-END, comma-separated), through "
                   "the file's index");
    app.add_option("--partial-genotypes", plan.load.partial,
                   "VCF, BCF or STRUCTURE data: a partly missing genotype such as 0/./1 is missing (default) or "
                   "keeps its known alleles")
        ->type_name("missing|known")
        ->transform(choice<PartialGenotypes>({{"missing", PartialGenotypes::missing},
                                              {"known", PartialGenotypes::known}}));
    app.add_option_function<std::string>(
           "--structure-columns",
           [&plan](const std::string& list) { plan.load.structure.columns = *structure_columns(list); },
           "STRUCTURE data: the columns before the loci, from label, pop, flag, locdata, phenotype and extra "
           "(default label,pop)")
        ->type_name("LIST")
        ->check(CLI::Validator(
            [](std::string& list) -> std::string {
                return structure_columns(list) ? std::string()
                                               : "'" + list +
                                                     "' is not a comma-separated list of label, pop, flag, locdata, "
                                                     "phenotype and extra, each once but extra";
            },
            ""));
    app.add_option("--ploidy", plan.load.structure.ploidy,
                   "STRUCTURE data: each row is an individual, with N alleles a locus (default: one row per allele "
                   "copy, rows of the same label making an individual)")
        ->type_name("N")
        ->check(whole_number(1, MAX_PLOIDY));
    app.add_option("--write-data", plan.load.write_data,
                   "Write the data as read (through the sample map) to FILE, in phenostat's tab format; - writes "
                   "them to standard output, and the run's messages go to standard error");
}

void add_run_options(CLI::App& app, RunPlan& plan, Typed& typed) {
    app.add_option("--bootstrap", plan.bootstrap,
                   "Confidence intervals of every average across loci and pairwise F'st from B resamplings of the "
                   "loci")
        ->type_name("B")
        ->check(whole_number(1, 1000000));
    app.add_option("--min-individuals", plan.min_individuals,
                   "Leave out of every analysis the samples of fewer than N individuals (default 1)")
        ->type_name("N")
        ->check(whole_number(1, INT_MAX));
    app.add_option("--threads", plan.threads, "Threads to run on (default: all cores); no result depends on them")
        ->type_name("N")
        ->check(whole_number(1, MAX_THREADS));
    app.add_flag("--no-tables", typed.no_tables, "Write only the two classic files");
    app.add_flag("--compress-tables", plan.compress_tables, "Write the tidy tables gzip-compressed, as NAME.tsv.gz");
    app.add_flag("--report", typed.report,
                 "Write STEM_report.html: the run's results and figures on one page, for a browser or print");
    app.add_flag("--overwrite", plan.overwrite,
                 "Start the output files afresh (default: append), and replace an earlier report page");
    app.add_flag("-q,--quiet", plan.quiet, "No progress line");
    app.set_version_flag("-V,--version", std::string("phenostat ") + PHENOSTAT_VERSION);
}

// The command as run.tsv records it. The thread count changes no output,
// run.tsv included, so it is left out.
std::string recorded_command(int argc, const char* const* argv) {
    std::string command = "phenostat";
    for (int a = 1; a < argc; ++a) {
        const std::string_view word = argv[a];
        if (word == "--threads" && a + 1 < argc) {
            ++a;
            continue;
        }
        if (word.starts_with("--threads=")) continue;
        command += std::string(" ") + argv[a];
    }
    return command;
}

// The number of single-character edits that turn `a` into `b`.
std::size_t edit_distance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    std::iota(row.begin(), row.end(), std::size_t{0});
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t substituted = diagonal + (a[i - 1] == b[j - 1] ? 0 : 1);
            diagonal = row[j];
            row[j] = std::min({substituted, row[j] + 1, row[j - 1] + 1});
        }
    }
    return row[b.size()];
}

// A word that names no option, said with the option most likely meant; CLI11
// would read "-all" as -a followed by whatever "ll" makes, and call "--eahc"
// merely unexpected. Empty when every option word is known.
std::string misnamed_option(const CLI::App& app, int argc, const char* const* argv) {
    std::vector<std::string> long_names;
    for (const CLI::Option* option : app.get_options())
        for (const std::string& name : option->get_lnames()) long_names.push_back("--" + name);
    const auto known = [&](const std::string& name) {
        return std::find(long_names.begin(), long_names.end(), name) != long_names.end();
    };
    for (int a = 1; a < argc; ++a) {
        const std::string_view word = argv[a];
        if (word == "--") break;
        const std::string name(word.substr(0, word.find('=')));
        if (name.size() > 2 && name[0] == '-' && name[1] != '-' && known("-" + name))
            return strprintf("%s is not an option: long options take two dashes, as in -%s.", name.c_str(),
                             name.c_str());
        if (!name.starts_with("--") || name.size() == 2 || known(name)) continue;
        std::string nearest;
        std::size_t best = std::max<std::size_t>(2, name.size() / 3) + 1;
        for (const std::string& candidate : long_names) {
            const std::size_t distance = edit_distance(name, candidate);
            if (distance < best) best = distance, nearest = candidate;
        }
        return "unknown option " + name + (nearest.empty() ? "." : ": did you mean " + nearest + "?");
    }
    return {};
}

// What the options imply: --coords asks for the pairs, the stem defaults to
// the data file's name, the files and tables folder follow from the stem.
void complete_plan(RunPlan& plan, const Typed& typed, int argc, const char* const* argv) {
    std::filesystem::path data_stem = plan.data_path;
    if (is_compressed(plan.data_path)) data_stem.replace_extension();  // data.txt.gz gives data, as data.txt does
    data_stem.replace_extension();
    if (plan.stem.empty())
        plan.stem = data_stem.string();
    else if (plan.stem.back() == '/' || std::filesystem::is_directory(plan.stem))
        plan.stem = (std::filesystem::path(plan.stem) / data_stem.filename()).string();
    plan.stats_path = plan.stem + "_stats.txt";
    plan.summary_path = plan.stem + "_summary.txt";
    if (!typed.no_tables) plan.tables_folder = plan.stem + "_tables";
    if (typed.report) plan.report_path = plan.stem + "_report.html";
    if (typed.seed >= 0) plan.seed = static_cast<std::uint32_t>(typed.seed);
    plan.command = recorded_command(argc, argv);
    plan.load.overwrite = plan.overwrite;
    plan.load.keep_cells = plan.keeps_cells();
    plan.load.format = typed.format;
    if (typed.format || unreadable_reason(plan.data_path).empty()) plan.format = data_format(plan.data_path, plan.load);
}

// The usage errors that no single option's value shows: an option that needs
// another, and options that do not fit the kind of data file, told from its
// first bytes (a data file that does not open is the run's to report).
// Empty: none.
std::string misused_options(const RunPlan& plan, const std::vector<OptionCheck>& checks) {
    for (const OptionCheck& check : checks)
        if (std::string misuse = check(plan); !misuse.empty()) return misuse;
    if (!plan.report_path.empty() && !plan.analyses())
        return "--report reports on the analyses, and none is asked for (--all, --each, --pairwise, ...).";
    if (!unreadable_reason(plan.data_path).empty()) return {};
    try {
        check_load_options(plan.data_path, plan.load);
    } catch (const UsageError& error) {
        return error.what();
    }
    return {};
}

// The plan, or the exit status when the run ends here (help, version, usage
// error).
std::optional<int> parse(int argc, const char* const* argv, RunPlan& plan, std::ostream& out, std::ostream& err) {
    CLI::App app{"PHENOSTAT: population-genetic statistics from allelic phenotypes.", "phenostat"};
    app.footer("Without arguments, phenostat asks its questions on the console instead.\n"
               "With DATA and no analysis option, it checks DATA and writes nothing.\n"
               "The tidy tables go to the folder STEM_tables/ (see docs/columns.md).\n"
               "\n"
               "Examples:\n"
               "  phenostat --all --each --groups 999 data.txt\n"
               "  phenostat --coords sites.txt --ibd --seed 1 --out results/ data.txt");
    Typed typed;
    add_data_options(app, plan, typed);
    const std::vector<OptionCheck> checks = add_analysis_options(app, plan);
    add_input_options(app, plan, typed);
    add_run_options(app, plan, typed);
    if (const std::string misnamed = misnamed_option(app, argc, argv); !misnamed.empty())
        return usage_error(err, misnamed);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        return 0;
    } catch (const CLI::CallForVersion&) {
        out << "phenostat " << PHENOSTAT_VERSION << '\n';
        return 0;
    } catch (const CLI::ParseError& error) {
        return usage_error(err, error.what());
    }
    if (plan.compress_tables && typed.no_tables) {
        err << "phenostat: --compress-tables compresses the tables, which --no-tables leaves out.\nRun 'phenostat "
               "--help' for the options.\n";
        return 2;
    }
    complete_plan(plan, typed, argc, argv);
    if (const std::string misused = misused_options(plan, checks); !misused.empty()) return usage_error(err, misused);
    return std::nullopt;
}

}  // namespace

int run_command_line(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    RunPlan plan;
    if (const std::optional<int> status = parse(argc, argv, plan, out, err)) return *status;
    // The data written to standard output have it to themselves.
    return run_batch(plan, is_standard_output(plan.load.write_data) ? err : out, err);
}

}  // namespace phenostat

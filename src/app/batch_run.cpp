#include "app/batch_run.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <new>
#include <optional>

#include "app/driver.h"
#include "app/output_file.h"
#include "app/pending_file.h"
#include "app/signal_cleanup.h"
#include "app/runner.h"
#include "app/table_list.h"
#include "app/tables_folder.h"
#include "app/terminal_progress.h"
#include "base/clock.h"
#include "base/fatal_error.h"
#include "base/output_file_name.h"
#include "base/parallel.h"
#include "base/sha256.h"
#include "base/text.h"
#include "input/input_file.h"
#include "reports/stats_file.h"
#include "reports/tidy_tables.h"
#include "stats/sample_filter.h"

namespace phenostat {
namespace {

namespace fs = std::filesystem;

std::string iso_date(std::time_t now) {
    std::tm utc{};
    gmtime_r(&now, &utc);
    return strprintf("%04d-%02d-%02dT%02d:%02d:%02dZ", utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour,
                     utc.tm_min, utc.tm_sec);
}

std::string yes_no(bool value) { return value ? "yes" : "no"; }
bool has_map(const RunPlan& plan) { return !plan.load.sample_map.empty(); }
DataFormat data_format(const RunPlan& plan) { return plan.format.value_or(DataFormat::tab); }

// The keys of run.tsv that are the run's, not an analysis's, in their places.
const RunKey GENERAL_KEYS[] = {
    {"bootstrap", [](const RunPlan& plan) { return std::to_string(plan.bootstrap); }, nullptr, RunKeyPlace::bootstrap},
    {"stem", [](const RunPlan& plan) { return plan.stem; }, nullptr, RunKeyPlace::stem},
    {"overwrite", [](const RunPlan& plan) { return yes_no(plan.overwrite); }, nullptr, RunKeyPlace::overwrite},
    {"report", [](const RunPlan& plan) { return plan.report_path; },
     [](const RunPlan& plan) { return !plan.report_path.empty(); }},
    {"min_individuals", [](const RunPlan& plan) { return std::to_string(plan.min_individuals); },
     [](const RunPlan& plan) { return plan.min_individuals > 0; }, RunKeyPlace::min_individuals},
    {"sample_map", [](const RunPlan& plan) { return plan.load.sample_map; }, has_map},
    {"sample_map_bytes", [](const RunPlan& plan) { return file_bytes(plan.load.sample_map); }, has_map},
    {"regions", [](const RunPlan& plan) { return plan.load.regions; },
     [](const RunPlan& plan) { return !plan.load.regions.empty(); }},
    {"format", [](const RunPlan& plan) { return std::string(format_name(data_format(plan))); },
     // When asked for, or not ours (a VCF's records said so as ever).
     [](const RunPlan& plan) {
         return plan.load.format.has_value() ||
                (data_format(plan) != DataFormat::tab && data_format(plan) != DataFormat::vcf);
     }},
    {"partial_genotypes",
     [](const RunPlan& plan) {
         return std::string(plan.load.partial == PartialGenotypes::known ? "known" : "missing");
     },
     [](const RunPlan& plan) {
         return data_format(plan) == DataFormat::vcf || data_format(plan) == DataFormat::structure;
     }},
    {"structure_columns", [](const RunPlan& plan) { return structure_columns_text(plan.load.structure.columns); },
     [](const RunPlan& plan) { return data_format(plan) == DataFormat::structure; }},
    {"ploidy", [](const RunPlan& plan) { return std::to_string(plan.load.structure.ploidy); },
     [](const RunPlan& plan) { return data_format(plan) == DataFormat::structure && plan.load.structure.ploidy > 0; }},
};

// run.tsv: what was asked, of which data, when, with which seed; then every
// key of the run and of the analyses the plan asks for, in their places (a
// key of an analysis not asked for only where it always stands).
std::string run_table(const RunPlan& plan, std::time_t now, std::uint32_t seed) {
    std::vector<std::pair<std::string, std::string>> entries = {
        {"version", PHENOSTAT_VERSION}, {"command_line", plan.command},
        {"data_file", plan.data_path},  {"data_bytes", file_bytes(plan.data_path)},
        {"date", iso_date(now)},        {"seed", std::to_string(seed)},
    };
    std::vector<const RunKey*> keys;
    for (const RunKey& key : GENERAL_KEYS) keys.push_back(&key);
    for (const Analysis& analysis : analyses())
        for (const RunKey& key : analysis.keys) keys.push_back(&key);
    std::stable_sort(keys.begin(), keys.end(), [](const RunKey* a, const RunKey* b) { return a->place < b->place; });
    for (const RunKey* key : keys)
        if (key->present == nullptr || key->present(plan)) entries.emplace_back(key->key, key->value(plan));
    return key_value_table(entries);
}

// --min-individuals: the samples of fewer individuals left out of the data
// and of the sites (read for every sample of the file), named; a run stopped
// when none is left.
void leave_out_small_samples(const RunPlan& plan, Dataset& data, Coordinates& sites, const WarningSink& warn) {
    std::vector<char> keep;
    std::vector<std::string> left_out;
    for (const Sample& sample : data.catalogue.samples) {
        keep.push_back(sample.row_count() >= static_cast<std::size_t>(plan.min_individuals) ? 1 : 0);
        if (keep.back() == 0) left_out.push_back(sample.name);
    }
    if (left_out.empty()) return;
    if (left_out.size() == keep.size())
        throw FatalError(strprintf("No sample of %s has %d individuals (--min-individuals): nothing to analyse.",
                                   plan.data_path.c_str(), plan.min_individuals));
    keep_samples(data, keep);
    if (!sites.known.empty()) {
        Coordinates kept;
        for (std::size_t s = 0; s < keep.size(); ++s) {
            if (keep[s] == 0) continue;
            kept.longitude.push_back(sites.longitude[s]);
            kept.latitude.push_back(sites.latitude[s]);
            kept.known.push_back(sites.known[s]);
        }
        sites = std::move(kept);
    }
    const bool one = left_out.size() == 1;
    const std::string names = join_names(left_out);
    warn({WarningKind::small_samples_left_out, names,
          strprintf("%zu of %s %s fewer than %d individuals and %s left out of every analysis: %s.", left_out.size(),
                    count_of(keep.size(), "sample", "samples").c_str(), one ? "has" : "have", plan.min_individuals,
                    one ? "is" : "are", names.c_str())});
}

// One warning for every sample of one line: no statistic within a sample is
// defined for it, and isolation by distance leaves its pairs out.
void warn_of_single_individuals(const Dataset& data, const WarningSink& warn) {
    std::vector<std::string> single;
    for (const Sample& sample : data.catalogue.samples)
        if (sample.row_count() == 1) single.push_back(sample.name);
    if (single.empty()) return;
    const bool one = single.size() == 1;
    const std::string names = join_names(single);
    warn({WarningKind::one_individual_samples, names,
          strprintf("%s of a single individual: %s; no pair of individuals lies within %s, and %s F'st describes no "
                    "population (--min-individuals 2 leaves %s out).",
                    one ? "a sample" : "samples", names.c_str(), one ? "it" : "them", one ? "its" : "their",
                    one ? "it" : "them")});
}

// The data set, loaded and checked; its counts on `out`, the loader's warnings
// to `warn`.
Dataset load(const RunPlan& plan, TerminalProgress& progress, std::ostream& out, const WarningSink& warn) {
    LoadedDataset loaded = load_dataset(plan.data_path, plan.load, progress.task("loading (MB)"));
    progress.end_line();
    check_dimensions(plan.data_path, loaded.dims);
    if (loaded.refusal) throw FatalError(*loaded.refusal);
    const Dataset& data = loaded.data;
    // The format is named when the file is not ours: the content told it.
    const DataFormat format = plan.format.value_or(DataFormat::tab);
    out << plan.data_path
        << (format == DataFormat::tab || format == DataFormat::vcf ? "" : strprintf(" (%s)", format_title(format)))
        << ": " << count_of(static_cast<std::size_t>(loaded.dims.individual_count), "individual", "individuals") << ", "
        << count_of(data.locus_count(), "locus", "loci") << ", " << count_of(data.sample_count(), "sample", "samples")
        << ", " << count_of(build_group_catalogue(data.catalogue).names.size(), "group", "groups") << '\n';
    for (const Warning& warning : loaded.warnings) warn(warning);
    return std::move(loaded.data);
}

Coordinates read_sites(const RunPlan& plan, const Dataset& data, std::ostream& out, const WarningSink& warn) {
    std::vector<std::string> names;
    for (const Sample& sample : data.catalogue.samples) names.push_back(sample.name);
    std::vector<Warning> warnings;
    Coordinates sites = read_sites_file(plan.coordinates_path, names, warnings);
    for (const Warning& warning : warnings) warn(warning);
    // The ranges read, so that a file written latitude first shows at once.
    std::size_t count = 0;
    double west = 0, east = 0, south = 0, north = 0;
    for (std::size_t s = 0; s < names.size(); ++s) {
        if (!sites.has(s)) continue;
        west = count == 0 ? sites.longitude[s] : std::min(west, sites.longitude[s]);
        east = count == 0 ? sites.longitude[s] : std::max(east, sites.longitude[s]);
        south = count == 0 ? sites.latitude[s] : std::min(south, sites.latitude[s]);
        north = count == 0 ? sites.latitude[s] : std::max(north, sites.latitude[s]);
        ++count;
    }
    out << strprintf("coordinates: %zu of %s, longitude %g to %g, latitude %g to %g\n", count,
                     count_of(names.size(), "sample", "samples").c_str(), west, east, south, north);
    return sites;
}

// FatalError unless files can be made in `folder`, or in the folders that
// would be made down to it (--out results/).
void check_folder(const fs::path& folder) {
    fs::path existing = folder.empty() ? "." : folder;
    std::error_code error;
    while (!fs::exists(existing, error)) {
        existing = existing.parent_path();
        if (existing.empty()) existing = ".";
    }
    if (!fs::is_directory(existing, error)) {
        if (existing == folder) throw FatalError(strprintf("%s exists and is not a folder.", folder.c_str()));
        throw FatalError(strprintf("%s exists and is not a folder: the folder %s cannot be made.", existing.c_str(),
                                   folder.c_str()));
    }
    if (access(existing.c_str(), W_OK | X_OK) != 0)
        throw FatalError(strprintf("Writing into the folder %s failed: %s.", existing.c_str(), std::strerror(errno)));
}

// --write-data FILE refused as loading would refuse it, only sooner.
void check_data_output(const RunPlan& plan) {
    const std::string& path = plan.load.write_data;
    if (path.empty() || is_standard_output(path)) return;
    std::error_code error;
    if (fs::equivalent(plan.data_path, path, error))
        throw FatalError(strprintf("--write-data %s would replace the data file.", path.c_str()));
    if (fs::exists(path, error) && (!plan.overwrite || fs::is_directory(path, error)))
        throw FatalError(plan.overwrite ? strprintf("Opening %s for writing failed.", path.c_str())
                                        : strprintf("%s exists: give --overwrite to replace it.", path.c_str()));
    // Its folder is not made: it must be there.
    const fs::path folder = fs::path(path).parent_path().empty() ? "." : fs::path(path).parent_path();
    int problem = 0;
    if (!fs::exists(folder, error))
        problem = ENOENT;
    else if (!fs::is_directory(folder, error))
        problem = ENOTDIR;
    else if (access(folder.c_str(), W_OK | X_OK) != 0)
        problem = errno;
    if (problem != 0)
        throw FatalError(strprintf("Opening %s for writing failed: %s.", path.c_str(), std::strerror(problem)));
}

// What the run would refuse to write, refused before the data are read (which
// can take minutes): the messages are those of the refusals met later, which
// stay in place for anything that changes meanwhile.
void check_outputs(const RunPlan& plan) {
    check_data_output(plan);
    if (!plan.analyses()) return;
    if (!plan.coordinates_path.empty()) require_readable(plan.coordinates_path, "coordinates file");
    check_folder(fs::path(plan.stats_path).parent_path());
    for (const std::string* path : {&plan.stats_path, &plan.summary_path}) {
        std::error_code error;
        if (!fs::exists(*path, error)) continue;
        // Opened to append and closed at once: nothing changes.
        std::FILE* file = fs::is_directory(*path, error) ? nullptr : std::fopen(path->c_str(), "ab");
        if (file == nullptr) throw FatalError(strprintf("Opening %s failed!", path->c_str()));
        std::fclose(file);
    }
    if (!plan.tables_folder.empty()) TablesFolder::check(plan);
    // The page is replaced only when asked (it is moved into place whole).
    std::error_code error;
    if (!plan.report_path.empty() && fs::exists(fs::symlink_status(plan.report_path, error))) {
        if (fs::is_directory(plan.report_path, error))
            throw FatalError(strprintf("%s exists and is a folder: the report page cannot take its place.",
                                       plan.report_path.c_str()));
        if (!plan.overwrite)
            throw FatalError(strprintf("%s exists: give --overwrite to replace it.", plan.report_path.c_str()));
    }
}

// The page's account of the run: what was run, by which version, on which
// data (its size and SHA-256, to tell it from another file of the same name).
std::vector<std::pair<std::string, std::string>> provenance(const RunPlan& plan, std::time_t now, std::uint32_t seed) {
    const std::optional<std::string> digest = file_sha256(plan.data_path);
    return {
        {"command line", plan.command},
        {"version", PHENOSTAT_VERSION},
        {"date", iso_date(now)},
        {"seed", std::to_string(seed)},
        {"data file", plan.data_path},
        {"data bytes", file_bytes(plan.data_path)},
        {"data SHA-256", digest.value_or("NA (not a regular file)")},
        {"statistics", plan.stats_path},
        {"frequencies", plan.summary_path},
        {"tables", plan.tables_folder.empty() ? std::string("none") : plan.tables_folder + "/"},
    };
}

// The folder of the output stem, made when it does not exist yet (--out results/).
void make_stem_folder(const RunPlan& plan) {
    const fs::path folder = fs::path(plan.stats_path).parent_path();
    std::error_code error;
    if (!folder.empty()) fs::create_directories(folder, error);
    if (error)
        throw FatalError(strprintf("Creating the folder %s failed: %s.", folder.c_str(), error.message().c_str()));
}

// The command line's side of the analyses: a task of the progress line each,
// its console lines on `out`, the samples' sites when given.
FrontEnd command_line_front(const RunPlan& plan, const Coordinates& sites, RandomGenerator& random,
                            TerminalProgress& progress, std::ostream& out, const WarningSink& warn) {
    FrontEnd front;
    front.report = &out;
    front.warn = warn;
    front.classic_random = &random;
    front.starting = [&progress](const Analysis& analysis) -> Progress& { return progress.task(analysis.progress); };
    front.finished = [&progress](const Analysis& analysis) {
        if ((analysis.needs & ENDS_PROGRESS_LINE) != 0) progress.end_line();
    };
    const Coordinates* given = plan.coordinates_path.empty() ? nullptr : &sites;
    front.sites = [given] { return given; };
    return front;
}

// The report page, written beside its place, then the tables and the page
// moved into place with the stop signals held between.
void put_in_place(const RunPlan& plan, std::optional<TablesFolder>& tables, const std::optional<ReportPage>& page) {
    std::optional<PendingFile> report;
    if (page)
        report.emplace(plan.report_path, plan.overwrite,
                       report_html(*page, "phenostat: " + fs::path(plan.data_path).filename().string()));
    const SignalsHeld held;
    if (tables) tables->commit();
    if (report) report->commit();
}

int run(const RunPlan& plan, std::ostream& out, std::ostream& err) {
    use_threads(plan.threads > 0 ? plan.threads : available_cores());
    TerminalProgress progress(err, !plan.quiet && isatty(STDERR_FILENO) == 1);
    std::optional<ReportPage> page;  // with --report: it collects the warnings, then the sections
    if (!plan.report_path.empty()) page.emplace();
    const WarningSink warn = [&](const Warning& warning) {
        progress.end_line();
        err << "phenostat: warning: " << warning.text << '\n';
        if (page) page->warnings.push_back(warning);
    };
    require_readable(plan.data_path, "data file");
    check_outputs(plan);
    Dataset data = load(plan, progress, out, warn);
    Coordinates sites;
    if (plan.analyses() && !plan.coordinates_path.empty()) sites = read_sites(plan, data, out, warn);
    if (plan.min_individuals > 1) leave_out_small_samples(plan, data, sites, warn);
    warn_of_single_individuals(data, warn);
    if (!plan.analyses()) return 0;
    make_stem_folder(plan);
    // The runner writes the tables into a folder of their own, moved into
    // place when all are written.
    std::optional<TablesFolder> tables;
    RunPlan writing = plan;
    if (!plan.tables_folder.empty()) writing.tables_folder = tables.emplace(plan).path();

    const std::time_t now = current_time();
    const std::uint32_t seed = plan.seed ? *plan.seed : static_cast<std::uint32_t>(now);
    out << "seed: " << seed << '\n';
    try {
        RandomGenerator random(seed);
        FrontEnd front = command_line_front(plan, sites, random, progress, out, warn);
        if (page) {
            page->provenance = provenance(plan, now, seed);
            page->data_summary = data_summary_html(data);
            front.page = &*page;
            if (tables) front.page_tables = fs::path(plan.tables_folder).filename().string();
        }
        Runner runner(data, writing, seed, std::move(front));
        for (const std::string* path : {&plan.stats_path, &plan.summary_path}) {
            if (plan.overwrite) truncate_file(*path);
            append_to_file(*path, run_header_text(plan.data_path, now));
        }
        runner.run_analyses();
        runner.table("run.tsv", run_table(plan, now, seed));
        runner.finish();
    } catch (const FatalError& error) {
        if (!tables) throw;
        throw FatalError(tables->named_as_target(error.what()));
    }
    put_in_place(plan, tables, page);
    out << "statistics: " << plan.stats_path << "\nfrequencies: " << plan.summary_path << '\n';
    if (!plan.tables_folder.empty()) out << "tables: " << plan.tables_folder << "/\n";
    if (page) out << "report: " << plan.report_path << '\n';
    return 0;
}

// A message written for the dialogue, on one line of its own.
std::string trimmed(std::string message) {
    message.erase(0, message.find_first_not_of('\n'));
    return message;
}

}  // namespace

int usage_error(std::ostream& err, const std::string& message) {
    err << "phenostat: " << message << "\nRun 'phenostat --help' for the options.\n";
    return 2;
}

int run_batch(const RunPlan& plan, std::ostream& out, std::ostream& err) {
    try {
        return run(plan, out, err);
    } catch (const UsageError& error) {
        return usage_error(err, trimmed(error.what()));
    } catch (const FatalError& error) {
        err << "phenostat: " << trimmed(error.what()) << '\n';
    } catch (const std::bad_alloc&) {
        err << "phenostat: memory allocation failed.\n";
    }
    return 1;
}

}  // namespace phenostat

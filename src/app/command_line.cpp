#include "app/command_line.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <charconv>
#include <chrono>
#include <climits>
#include <cmath>
#include <filesystem>
#include <map>
#include <new>

#include "app/dialogue.h"
#include "app/driver.h"
#include "app/output_file.h"
#include "app/sections.h"
#include "base/clock.h"
#include "base/fatal_error.h"
#include "base/memory.h"
#include "base/parallel.h"
#include "base/text.h"
#include "reports/console_text.h"
#include "reports/isolation_report.h"
#include "reports/stats_file.h"
#include "reports/tidy_tables.h"

namespace phenostat {
namespace {

namespace fs = std::filesystem;

constexpr std::int64_t MAX_THREADS = 4096;

struct CommandLine {
    std::string data, stem, coords;
    bool all = false, each = false, pairwise = false, no_tables = false, overwrite = false, quiet = false;
    int permutations = 0;       // 0: no group test
    std::int64_t seed = -1;     // -1: the clock
    bool ibd = false;
    GeneticScale ibd_genetic = GeneticScale::rousset;
    GeographicScale ibd_distance = GeographicScale::log;
    int ibd_permutations = 9999;
    int bootstrap = 0;          // replicates; 0: no bootstrap
    int threads = 0;            // 0: all cores
    LoadOptions load;           // VCF and BCF input
    bool analyses() const { return all || each || pairwise || permutations > 0; }
};

// One line on the terminal, rewritten as the work goes: the task, the count,
// the total and the time left.
class TerminalProgress final : public Progress {
public:
    TerminalProgress(std::ostream& err, bool shown) : err_(err), shown_(shown) {}
    TerminalProgress& task(const char* label) {
        end_line();
        label_ = label;
        start_ = last_ = std::chrono::steady_clock::now();
        finished_ = false;
        return *this;
    }
    void step(std::size_t done, std::size_t total) override {
        if (!shown_ || done == 0 || finished_) return;
        const auto now = std::chrono::steady_clock::now();
        if (done < total && now - last_ < std::chrono::milliseconds(200)) return;
        last_ = now;
        const double elapsed = std::chrono::duration<double>(now - start_).count();
        const double left = elapsed * static_cast<double>(total - done) / static_cast<double>(done);
        err_ << strprintf("\r%s: %zu of %zu, %.0f s left   ", label_, done, total, left);
        open_ = done < total;
        finished_ = !open_;
        if (finished_) err_ << '\n';
        err_.flush();
    }
    // Ends a progress line left open, before other text is written.
    void end_line() {
        if (open_) err_ << '\n';
        open_ = false;
    }

private:
    std::ostream& err_;
    bool shown_;
    bool open_ = false;      // a line drawn without its line end
    bool finished_ = false;  // the task's last line is drawn
    const char* label_ = "";
    std::chrono::steady_clock::time_point start_, last_;
};

// A whole number from `low` to `high`, written in decimal digits.
CLI::Validator whole_number(std::int64_t low, std::int64_t high) {
    const std::string message = strprintf(" is not a whole number from %lld to %lld", static_cast<long long>(low),
                                          static_cast<long long>(high));
    return CLI::Validator(
        [=](std::string& text) -> std::string {
            std::int64_t value = 0;
            const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
            if (error == std::errc() && end == text.data() + text.size() && value >= low && value <= high) return {};
            return "'" + text + "'" + message;
        },
        "");
}

// The parsed options, or the exit status when the run ends here (help,
// version, usage error).
std::optional<int> parse(int argc, const char* const* argv, CommandLine& line, std::ostream& out, std::ostream& err) {
    CLI::App app{"PHENOSTAT: population-genetic statistics from allelic phenotypes.", "phenostat"};
    app.footer(
        "Without arguments, phenostat asks its questions on the console instead.\n"
        "With DATA and no analysis option, it checks DATA and writes nothing.\n"
        "The tidy tables go to the folder STEM_tables/ (see docs/columns.md).");
    app.add_option("DATA", line.data,
                   "The data file (read through zlib when its name ends in .gz), or a VCF or BCF file (with "
                   "--sample-map)")
        ->required();
    app.add_option("-o,--out", line.stem, "Output stem (default: DATA without its extension, .gz included)");
    app.add_flag("-a,--all", line.all, "Statistics of all samples together, with the frequency tables");
    app.add_flag("-e,--each", line.each, "Statistics of each sample in turn");
    app.add_flag("-p,--pairwise", line.pairwise, "F'st between every pair of samples");
    app.add_option("-c,--coords", line.coords,
                   "Coordinates of the samples (implies --pairwise): longitude and latitude in sample order, or "
                   "lines of name, longitude, latitude");
    app.add_option("-g,--groups", line.permutations, "Group statistics and a permutation test with N permutations")
        ->type_name("N")
        ->check(whole_number(1, INT_MAX));
    app.add_option("-s,--seed", line.seed, "Seed of the random generator (default: the clock)")
        ->type_name("N")
        ->check(whole_number(0, 4294967295));
    app.add_flag("--ibd", line.ibd, "Isolation by distance: Mantel test and regression (needs --coords)");
    const std::map<std::string, GeneticScale> genetic{{"rousset", GeneticScale::rousset}, {"fst", GeneticScale::fst}};
    app.add_option("--ibd-genetic", line.ibd_genetic, "Genetic distance: rousset, F/(1-F) (default), or fst")
        ->transform(CLI::CheckedTransformer(genetic));
    const std::map<std::string, GeographicScale> geographic{{"log", GeographicScale::log},
                                                            {"linear", GeographicScale::linear}};
    app.add_option("--ibd-distance", line.ibd_distance, "Geographic distance: log, ln(km) (default), or linear")
        ->transform(CLI::CheckedTransformer(geographic));
    app.add_option("--ibd-permutations", line.ibd_permutations, "Permutations of the Mantel test (default 9999)")
        ->type_name("N")
        ->check(whole_number(1, INT_MAX));
    app.add_option("--bootstrap", line.bootstrap,
                   "Confidence intervals of every average across loci and pairwise F'st from B resamplings of the "
                   "loci")
        ->type_name("B")
        ->check(whole_number(1, 1000000));
    app.add_option("--threads", line.threads, "Threads to run on (default: all cores); no result depends on them")
        ->type_name("N")
        ->check(whole_number(1, MAX_THREADS));
    app.add_option("--sample-map", line.load.sample_map,
                   "VCF or BCF data: lines of individual, sample and optionally group (tab-separated) naming the "
                   "individuals to analyse");
    app.add_option("--regions", line.load.regions,
                   "VCF or BCF data: read only these regions (CHROM or CHROM:BEGIN-END, comma-separated), through "
                   "the file's index");
    const std::map<std::string, PartialGenotypes> partial{{"missing", PartialGenotypes::missing},
                                                          {"known", PartialGenotypes::known}};
    app.add_option("--partial-genotypes", line.load.partial,
                   "VCF or BCF data: a partly missing GT such as 0/./1 is missing (default) or keeps its known "
                   "alleles")
        ->transform(CLI::CheckedTransformer(partial));
    app.add_option("--write-data", line.load.write_data,
                   "VCF or BCF data: write the data as read to FILE, in phenostat's tab format");
    app.add_flag("--no-tables", line.no_tables, "Write only the two classic files");
    app.add_flag("--overwrite", line.overwrite, "Start the output files afresh (default: append)");
    app.add_flag("-q,--quiet", line.quiet, "No progress line");
    app.set_version_flag("-V,--version", std::string("phenostat ") + PHENOSTAT_VERSION);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        return 0;
    } catch (const CLI::CallForVersion&) {
        out << "phenostat " << PHENOSTAT_VERSION << '\n';
        return 0;
    } catch (const CLI::ParseError& error) {
        err << "phenostat: " << error.what() << "\nRun 'phenostat --help' for the options.\n";
        return 2;
    }
    if (line.ibd && line.coords.empty()) {
        err << "phenostat: --ibd needs the coordinates of the samples (--coords FILE).\nRun 'phenostat --help' for "
               "the options.\n";
        return 2;
    }
    if (!line.coords.empty()) line.pairwise = true;
    line.load.overwrite = line.overwrite;
    if (line.stem.empty()) {
        fs::path stem = line.data;
        if (is_compressed(line.data)) stem.replace_extension();  // data.txt.gz gives data, as data.txt does
        line.stem = stem.replace_extension().string();
    }
    return std::nullopt;
}

std::string join_names(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& name : names) out += (out.empty() ? "" : ", ") + name;
    return out;
}

// The distinct assignments of the samples to the groups (and to no group)
// that the shuffles can give: S! / (n_1! ... n_k! n_none!).
long double distinct_assignments(const GroupCatalogue& groups) {
    long double log_count = std::lgamma(static_cast<long double>(groups.slots.size()) + 1);
    std::size_t grouped = 0;
    for (const std::size_t size : groups.sizes) {
        log_count -= std::lgamma(static_cast<long double>(size) + 1);
        grouped += size;
    }
    log_count -= std::lgamma(static_cast<long double>(groups.slots.size() - grouped) + 1);
    return std::round(std::exp(log_count));
}

void warn_about_groups(const GroupCatalogue& groups, int permutations, std::ostream& err) {
    if (groups.names.size() == 1)
        err << "phenostat: warning: there is only one group (" << groups.names[0]
            << "): the group test cannot tell groups apart, and every P-value is 1.\n";
    if (groups.names.size() < 2) return;
    const long double assignments = distinct_assignments(groups);
    if (assignments < permutations)
        err << strprintf("phenostat: warning: the samples can be assigned to the groups in only %.0Lf distinct ways, "
                         "fewer than the %d permutations asked for; the P-values cannot go below 1/%.0Lf.\n",
                         assignments, permutations, assignments);
}

// The tables folder; without --overwrite, a table that this run would write
// and that an earlier run left stops the run before anything is written.
void prepare_tables(const CommandLine& line, const std::string& folder) {
    std::vector<std::string> names = {"run.tsv"};
    if (line.all || line.each || line.permutations > 0) names.push_back("loci.tsv");
    if (line.all) names.push_back("frequencies.tsv");
    if (line.pairwise) names.insert(names.end(), {"pairs.tsv", "fst_matrix.tsv"});
    if (!line.coords.empty()) names.push_back("km_matrix.tsv");
    if (line.ibd) names.insert(names.end(), {"ibd.tsv", "ibd_pairs.tsv", "ibd.svg"});
    if (line.bootstrap > 0 && (line.all || line.each || line.permutations > 0)) names.push_back("averages_ci.tsv");
    if (line.permutations > 0) names.push_back("group_test.tsv");
    for (const std::string& name : names) {
        if (!line.overwrite && fs::exists(folder + "/" + name))
            throw FatalError(strprintf("%s/%s exists from an earlier run: give --overwrite to replace the output "
                                       "files, --out for another stem, or --no-tables.",
                                       folder.c_str(), name.c_str()));
    }
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) throw FatalError(strprintf("Creating the folder %s failed: %s.", folder.c_str(), error.message().c_str()));
}

std::string iso_date(std::time_t now) {
    std::tm utc{};
    gmtime_r(&now, &utc);
    return strprintf("%04d-%02d-%02dT%02d:%02d:%02dZ", utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour,
                     utc.tm_min, utc.tm_sec);
}

int run(int argc, const char* const* argv, const CommandLine& line, std::ostream& out, std::ostream& err) {
    use_threads(line.threads > 0 ? line.threads : available_cores());
    TerminalProgress progress(err, !line.quiet && isatty(STDERR_FILENO) == 1);
    if (!is_readable_file(line.data)) throw FatalError(strprintf("Opening the data file %s failed.", line.data.c_str()));
    LoadedDataset loaded = load_dataset(line.data, line.load, progress.task("loading (MB)"));
    progress.end_line();
    const FileDimensions& dims = loaded.dims;
    check_dimensions(line.data, dims);
    if (loaded.refusal) throw FatalError(*loaded.refusal);
    const Dataset& data = loaded.data;
    const GroupCatalogue groups = build_group_catalogue(data.catalogue);
    out << strprintf("%s: %ld individuals, %zu loci, %zu samples, %zu groups\n", line.data.c_str(),
                     dims.individual_count, data.locus_count(), data.sample_count(), groups.names.size());
    // Each warning of the listing starts "\n\nWarning: ".
    const std::string warnings = listing_warnings_text(data.catalogue);
    for (std::size_t at = 0; (at = warnings.find("Warning: ", at)) != std::string::npos;) {
        const std::size_t end = std::min(warnings.find("\n\nWarning: ", at), warnings.size());
        err << "phenostat: warning: " << warnings.substr(at + 9, end - at - 9) << '\n';
        at = end;
    }
    for (const std::string& warning : loaded.warnings) err << "phenostat: warning: " << warning << '\n';
    if (!line.analyses()) return 0;

    Coordinates sites;
    if (!line.coords.empty()) {
        std::vector<std::string> names, unmatched, missing;
        for (const Sample& sample : data.catalogue.samples) names.push_back(sample.name);
        sites = read_sites_file(line.coords, names, unmatched);
        for (std::size_t s = 0; s < data.sample_count(); ++s)
            if (!sites.has(s)) missing.push_back(names[s]);
        if (!missing.empty())
            err << "phenostat: warning: no coordinates for " << join_names(missing) << "; their distances are NA.\n";
        if (!unmatched.empty())
            err << "phenostat: warning: " << line.coords << " names samples the data lack: " << join_names(unmatched)
                << ".\n";
    }
    const std::string folder = line.stem + "_tables";
    if (!line.no_tables) prepare_tables(line, folder);

    const std::time_t now = current_time();
    const auto seed = static_cast<std::uint32_t>(line.seed >= 0 ? line.seed : now);
    out << "seed: " << seed << '\n';
    LocusResamples resamples;
    if (line.bootstrap > 0) {
        // Every replicate's count of every locus is kept.
        const double needed = static_cast<double>(line.bootstrap) * static_cast<double>(data.locus_count()) * 8;
        const auto available = static_cast<double>(available_memory());
        if (available > 0 && needed > available / 2)
            throw FatalError(strprintf("%d bootstrap replicates of %zu loci would need about %.1f GB of memory, and "
                                       "%.1f GB are available: ask for fewer replicates.",
                                       line.bootstrap, data.locus_count(), needed / 1e9, available / 1e9));
        resamples = draw_resamples(data.locus_count(), static_cast<std::size_t>(line.bootstrap), seed);
    }
    const Outputs outputs{line.stem + "_stats.txt", line.stem + "_summary.txt", nullptr,
                          line.no_tables ? std::string() : folder, line.bootstrap > 0 ? &resamples : nullptr};
    for (const std::string* path : {&outputs.stats_path, &outputs.summary_path}) {
        if (line.overwrite) truncate_file(*path);
        append_to_file(*path, run_header_text(line.data, now));
    }
    Sections sections(data, outputs);
    if (line.all) sections.all_samples(progress.task("all samples"));
    if (line.each) sections.per_sample(progress.task("each sample"));
    std::vector<PairResult> pairs;
    if (line.pairwise) pairs = sections.pairwise(line.coords.empty() ? nullptr : &sites, progress.task("pairs"));
    RandomGenerator random(seed);
    if (line.permutations > 0) {
        warn_about_groups(groups, line.permutations, err);
        sections.groups(line.permutations, random, progress.task("permutations"));
        progress.end_line();
    }
    if (line.ibd) {
        const IsolationScales scales{line.ibd_genetic, line.ibd_distance};
        const IsolationResult ibd = isolation_by_distance(pairs, data.sample_count(), scales.genetic,
                                                          scales.geographic, line.ibd_permutations, seed);
        out << isolation_console_text(ibd, scales);
        sections.table("ibd.tsv", isolation_table(ibd, scales, seed));
        sections.table("ibd_pairs.tsv", isolation_pairs_table(ibd, pairs, data.catalogue));
        sections.table("ibd.svg", isolation_plot(ibd, scales));
    }
    std::string command = "phenostat";
    for (int a = 1; a < argc; ++a) {
        // The thread count changes no output, run.tsv included.
        const std::string_view word = argv[a];
        if (word == "--threads" && a + 1 < argc) {
            ++a;
            continue;
        }
        if (word.starts_with("--threads=")) continue;
        command += std::string(" ") + argv[a];
    }
    sections.table("run.tsv", key_value_table({
                                  {"version", PHENOSTAT_VERSION},
                                  {"command_line", command},
                                  {"data_file", line.data},
                                  {"data_bytes", std::to_string(fs::file_size(line.data))},
                                  {"date", iso_date(now)},
                                  {"seed", std::to_string(seed)},
                                  {"permutations", std::to_string(line.permutations)},
                                  {"bootstrap", std::to_string(line.bootstrap)},
                                  {"ibd", line.ibd ? "yes" : "no"},
                                  {"all", line.all ? "yes" : "no"},
                                  {"each", line.each ? "yes" : "no"},
                                  {"pairwise", line.pairwise ? "yes" : "no"},
                                  {"coordinates", line.coords.empty() ? "NA" : line.coords},
                                  {"stem", line.stem},
                                  {"overwrite", line.overwrite ? "yes" : "no"},
                              }));
    sections.finish();
    out << "statistics: " << outputs.stats_path << "\nfrequencies: " << outputs.summary_path << '\n';
    if (!line.no_tables) out << "tables: " << folder << "/\n";
    return 0;
}

// A message written for the dialogue, on one line of its own.
std::string trimmed(std::string message) {
    message.erase(0, message.find_first_not_of('\n'));
    return message;
}

}  // namespace

int run_command_line(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    CommandLine line;
    if (const std::optional<int> status = parse(argc, argv, line, out, err)) return *status;
    try {
        return run(argc, argv, line, out, err);
    } catch (const FatalError& error) {
        err << "phenostat: " << trimmed(error.what()) << '\n';
    } catch (const std::bad_alloc&) {
        err << "phenostat: memory allocation failed.\n";
    }
    return 1;
}

}  // namespace phenostat

#include "app/analysis_list.h"

#include <climits>
#include <filesystem>

#include "app/option_values.h"
#include "app/runner.h"
#include "app/set_sections.h"
#include "base/text.h"
#include "input/input_file.h"
#include "reports/amova_report.h"
#include "reports/isolation_report.h"
#include "reports/pairs_report.h"
#include "reports/pcoa_report.h"
#include "reports/set_report.h"
#include "reports/significance_report.h"
#include "reports/stats_file.h"
#include "reports/tidy_tables.h"

namespace phenostat {
namespace {

std::string yes_no(bool value) { return value ? "yes" : "no"; }
bool bootstrapped(const RunPlan& plan) { return plan.bootstrap > 0; }
bool reported(const RunPlan& plan) { return !plan.report_path.empty(); }
// The data file's name, in the figures' captions.
std::string data_name(const Runner& runner) {
    return std::filesystem::path(runner.plan().data_path).filename().string();
}

// The tables of every analysis of sets of samples.

// ---- All samples together

bool all_asked(const RunPlan& plan) { return plan.all_samples; }

OptionCheck all_options(CLI::App& app, RunPlan& plan) {
    app.add_flag("-a,--all", plan.all_samples, "Statistics of all samples together, with the frequency tables");
    return nullptr;
}

void run_all(Runner& runner) {
    AppendFile stats(runner.plan().stats_path);
    stats.write(ALL_SAMPLES_TITLE);
    AppendFile summary(runner.plan().summary_path);
    std::optional<AppendFile> frequencies;
    if (runner.tables()) {
        runner.open_table(frequencies, "frequencies.tsv");
        frequencies->write(frequencies_header());
    }
    SetSections sections(runner, SetSections::Kind::all, stats);
    sections.summaries(summary, frequencies ? &*frequencies : nullptr, runner.progress());
    sections.begin(0);
    const SetAverage average = analyse_all_samples(runner.data(), runner.scratch(), sections);
    sections.end(0, average);
    if (ReportSection* section = runner.section()) section->body += all_samples_section(average.average);
    stats.close();
    summary.close();
    if (frequencies) frequencies->close();
}

constexpr AnalysisTable ALL_TABLES[] = {{"loci.tsv"}, {"frequencies.tsv"}, {"averages_ci.tsv", bootstrapped}};
constexpr RunKey ALL_KEYS[] = {
    {"all", [](const RunPlan& plan) { return yes_no(plan.all_samples); }, nullptr, RunKeyPlace::all}};

// ---- Each sample

bool each_asked(const RunPlan& plan) { return plan.per_sample; }

OptionCheck each_options(CLI::App& app, RunPlan& plan) {
    app.add_flag("-e,--each", plan.per_sample, "Statistics of each sample in turn");
    return nullptr;
}

void run_each(Runner& runner) {
    AppendFile stats(runner.plan().stats_path);
    stats.write(PER_SAMPLE_TITLE);
    stats.write(PER_SAMPLE_NOTE);
    runner.print("\n\n Doing per-sample stats");
    SetSections sections(runner, SetSections::Kind::sample, stats);
    analyse_each_sample(runner.data(), runner.scratch(), sections, runner.progress());
    stats.close();
    if (ReportSection* section = runner.section()) {
        const SampleCatalogue& catalogue = runner.data().catalogue;
        const bool intervals = !sections.intervals().empty();
        const std::string plot =
            per_sample_plot(sections.averages(), sections.intervals(), catalogue, data_name(runner));
        runner.table("sample_diversity.svg", plot);
        section->body +=
            per_sample_section(sections.averages(), catalogue, plot, intervals,
                               runner.in_tables(intervals ? "loci.tsv, averages_ci.tsv and sample_diversity.svg"
                                                          : "loci.tsv and sample_diversity.svg"));
    }
}

constexpr AnalysisTable EACH_TABLES[] = {
    {"loci.tsv"}, {"averages_ci.tsv", bootstrapped}, {"sample_diversity.svg", reported}};
constexpr RunKey EACH_KEYS[] = {
    {"each", [](const RunPlan& plan) { return yes_no(plan.per_sample); }, nullptr, RunKeyPlace::each}};

// ---- The pair test (before the pairs, whose table carries its P-values)

bool pair_test_asked(const RunPlan& plan) { return plan.pair_test > 0; }

OptionCheck pair_test_options(CLI::App& app, RunPlan& plan) {
    app.add_option("--pair-test", plan.pair_test,
                   "Permutation test of every pair's F'st with N permutations (implies --pairwise)")
        ->type_name("N")
        ->check(whole_number(1, INT_MAX));
    return nullptr;
}

void run_pair_test(Runner& runner) {
    runner.results.pair_tests = pair_tests(runner.data(), runner.plan().pair_test, runner.seed(), runner.progress());
}

constexpr RunKey PAIR_TEST_KEYS[] = {{"pair_test", [](const RunPlan& plan) { return std::to_string(plan.pair_test); },
                                      pair_test_asked, RunKeyPlace::pair_test}};

// ---- Pairs of samples

bool pairs_asked(const RunPlan& plan) {
    return plan.pairwise || !plan.coordinates_path.empty() || pair_test_asked(plan);
}
bool has_sites(const RunPlan& plan) { return !plan.coordinates_path.empty(); }

OptionCheck pairs_options(CLI::App& app, RunPlan& plan) {
    app.add_flag("-p,--pairwise", plan.pairwise, "F'st between every pair of samples");
    app.add_option("-c,--coords", plan.coordinates_path,
                   "Coordinates of the samples (implies --pairwise): longitude and latitude in sample order, or "
                   "lines of name, longitude, latitude");
    return nullptr;
}

void run_pairs(Runner& runner) {
    const Dataset& data = runner.data();
    const Coordinates* sites = runner.sites();
    RunResults& results = runner.results;
    results.pairs = analyse_pairs(data, sites, runner.progress(), runner.resamples());
    runner.print(pairs_console_text(results.pairs, data.catalogue));
    append_to_file(runner.plan().stats_path, pairwise_text(results.pairs, data.catalogue, sites != nullptr));
    runner.table("pairs.tsv",
                 pairs_table(results.pairs, data.catalogue, results.pair_tests ? &*results.pair_tests : nullptr));
    runner.table("fst_matrix.tsv", fst_matrix(results.pairs, data.catalogue));
    if (sites != nullptr) runner.table("km_matrix.tsv", km_matrix(results.pairs, data.catalogue));
    if (ReportSection* section = runner.section()) {
        // The matrix in the order of its tree, on the page and beside the tables.
        const std::vector<double> fst = fst_distances(results.pairs, data.sample_count());
        const Clustering tree = upgma(fst, data.sample_count());
        // The pair test ran first: its cells not told from chance are marked.
        std::vector<double> p_bh;
        if (results.pair_tests)
            for (const PairTest& test : *results.pair_tests) p_bh.push_back(test.p_bh);
        const std::string heatmap = fst_heatmap_plot(fst, tree, data.catalogue, data_name(runner), results.pairs, p_bh);
        runner.table("fst_order.tsv", fst_order_table(tree, data.catalogue));
        runner.table("fst_heatmap.svg", heatmap);
        section->body += pairs_section(results.pairs, heatmap, !p_bh.empty(),
                                       runner.in_tables("fst_matrix.tsv, fst_order.tsv and fst_heatmap.svg"));
    }
}

constexpr AnalysisTable PAIRS_TABLES[] = {{"pairs.tsv"},
                                          {"fst_matrix.tsv"},
                                          {"km_matrix.tsv", has_sites},
                                          {"fst_order.tsv", reported},
                                          {"fst_heatmap.svg", reported}};
constexpr RunKey PAIRS_KEYS[] = {
    {"pairwise", [](const RunPlan& plan) { return yes_no(pairs_asked(plan)); }, nullptr, RunKeyPlace::pairwise},
    {"coordinates", [](const RunPlan& plan) { return has_sites(plan) ? plan.coordinates_path : std::string("NA"); },
     nullptr, RunKeyPlace::coordinates},
    {"coordinates_bytes", [](const RunPlan& plan) { return file_bytes(plan.coordinates_path); }, has_sites,
     RunKeyPlace::coordinates_bytes},
};

// ---- Groups, and the group test

bool groups_asked(const RunPlan& plan) { return plan.permutations > 0; }

OptionCheck groups_options(CLI::App& app, RunPlan& plan) {
    app.add_option("-g,--groups", plan.permutations, "Group statistics and a permutation test with N permutations")
        ->type_name("N")
        ->check(whole_number(1, INT_MAX));
    // Only our own files have groups of their own (a VCF or BCF has a map).
    return [](const RunPlan& given) {
        const DataFormat format = given.format.value_or(DataFormat::tab);
        if (!groups_asked(given) || !given.load.sample_map.empty() || format == DataFormat::tab ||
            format == DataFormat::vcf)
            return std::string();
        return strprintf("--groups compares groups of samples, and %s data have none: give the samples their groups "
                         "with --sample-map FILE (lines of individual, sample, group).",
                         format_title(format));
    };
}

void run_groups(Runner& runner) {
    const Dataset& data = runner.data();
    for (const Warning& warning :
         group_test_warnings(build_group_catalogue(data.catalogue), runner.plan().permutations))
        runner.warn(warning);
    const GroupCatalogue groups = compared_groups(data);
    runner.print("\n\nDoing Group Statistics...\n");
    AppendFile stats(runner.plan().stats_path);
    stats.write(GROUP_TITLE);
    SetSections sections(runner, SetSections::Kind::group, stats, &groups);
    analyse_groups(data, groups, runner.scratch(), sections);
    stats.close();
    const PermutationResult test =
        permutation_test(data, groups, runner.plan().permutations, runner.classic_random(), runner.progress());
    append_to_file(runner.plan().stats_path, group_report_text(test.p_values));
    const std::string table = group_test_table(groups, test);
    runner.table("group_test.tsv", table);
    if (ReportSection* section = runner.section())
        section->body += html_paragraph(strprintf("The groups' averages compared by %s of whole samples between "
                                                  "groups:",
                                                  count_of(static_cast<std::size_t>(runner.plan().permutations),
                                                           "permutation", "permutations")
                                                      .c_str())) +
                         html_table_from_tsv(table);
}

constexpr AnalysisTable GROUPS_TABLES[] = {{"loci.tsv"}, {"averages_ci.tsv", bootstrapped}, {"group_test.tsv"}};
constexpr RunKey GROUPS_KEYS[] = {{"permutations",
                                   [](const RunPlan& plan) { return std::to_string(plan.permutations); }, nullptr,
                                   RunKeyPlace::permutations}};

// ---- AMOVA

bool amova_asked(const RunPlan& plan) { return plan.amova; }

OptionCheck amova_options(CLI::App& app, RunPlan& plan) {
    app.add_flag("--amova", plan.amova,
                 "AMOVA on allele presence (groups, samples, individuals), with Phi_ST of every pair of samples");
    const CLI::Option* permutations = app.add_option("--amova-permutations", plan.amova_permutations,
                                                     "Permutations of the AMOVA's tests (default 999)")
                                          ->type_name("N")
                                          ->check(whole_number(0, INT_MAX));
    return [permutations](const RunPlan& given) {
        return permutations->count() > 0 && !given.amova ? std::string("--amova-permutations needs --amova.")
                                                         : std::string();
    };
}

void run_amova(Runner& runner) {
    const Dataset& data = runner.data();
    const AmovaResult amova = analyse_amova(data, build_group_catalogue(data.catalogue),
                                            runner.plan().amova_permutations, runner.seed(), runner.progress());
    for (const Warning& warning : amova_warnings(amova)) runner.warn(warning);
    runner.report(amova_console_text(amova));
    runner.table("amova.tsv", amova_table(amova));
    runner.table("amova_phi.tsv", amova_phi_table(amova));
    runner.table("phipt_matrix.tsv", phipt_matrix(pairwise_phi_st(data), data.catalogue));
    if (ReportSection* section = runner.section()) section->body += amova_section(amova);
}

constexpr AnalysisTable AMOVA_TABLES[] = {{"amova.tsv"}, {"amova_phi.tsv"}, {"phipt_matrix.tsv"}};
constexpr RunKey AMOVA_KEYS[] = {{"amova_permutations",
                                  [](const RunPlan& plan) { return std::to_string(plan.amova_permutations); },
                                  amova_asked, RunKeyPlace::amova_permutations}};

// ---- Isolation by distance

bool ibd_asked(const RunPlan& plan) { return plan.ibd; }

OptionCheck ibd_options(CLI::App& app, RunPlan& plan) {
    app.add_flag("--ibd", plan.ibd, "Isolation by distance: Mantel test and regression (needs --coords)");
    const std::vector<const CLI::Option*> settings = {
        app.add_option("--ibd-genetic", plan.ibd_scales.genetic, "Genetic distance: rousset, F/(1-F) (default), or fst")
            ->type_name("rousset|fst")
            ->transform(choice<GeneticScale>({{"rousset", GeneticScale::rousset}, {"fst", GeneticScale::fst}})),
        app.add_option("--ibd-distance", plan.ibd_scales.geographic,
                       "Geographic distance: log, ln(km) (default), or linear")
            ->type_name("log|linear")
            ->transform(choice<GeographicScale>({{"log", GeographicScale::log}, {"linear", GeographicScale::linear}})),
        app.add_option("--ibd-permutations", plan.ibd_permutations, "Permutations of the Mantel test (default 9999)")
            ->type_name("N")
            ->check(whole_number(1, INT_MAX)),
    };
    return [settings](const RunPlan& given) {
        if (given.ibd && given.coordinates_path.empty())
            return std::string("--ibd needs the coordinates of the samples (--coords FILE).");
        for (const CLI::Option* setting : settings)
            if (setting->count() > 0 && !given.ibd) return setting->get_name() + " needs --ibd.";
        return std::string();
    };
}

void run_ibd(Runner& runner) {
    const IsolationScales scales = runner.plan().ibd_scales;
    const Dataset& data = runner.data();
    const std::vector<PairResult>& pairs = runner.results.pairs;
    const IsolationResult ibd = isolation_by_distance(pairs, individual_counts(data.catalogue), scales.genetic,
                                                      scales.geographic, runner.plan().ibd_permutations, runner.seed());
    runner.report(isolation_console_text(ibd, scales));
    runner.table("ibd.tsv", isolation_table(ibd, scales, runner.seed()));
    runner.table("ibd_pairs.tsv", isolation_pairs_table(ibd, pairs, data.catalogue));
    const std::string plot = isolation_plot(ibd, scales, data_name(runner));
    runner.table("ibd.svg", plot);
    if (ReportSection* section = runner.section())
        section->body += isolation_section(ibd, scales, plot, runner.in_tables("ibd_pairs.tsv and ibd.svg"));
}

constexpr AnalysisTable IBD_TABLES[] = {{"ibd.tsv"}, {"ibd_pairs.tsv"}, {"ibd.svg"}};
constexpr RunKey IBD_KEYS[] = {
    {"ibd", [](const RunPlan& plan) { return yes_no(plan.ibd); }, nullptr, RunKeyPlace::ibd},
    {"ibd_genetic", [](const RunPlan& plan) { return std::string(genetic_scale_name(plan.ibd_scales.genetic)); },
     ibd_asked, RunKeyPlace::ibd_settings},
    {"ibd_distance", [](const RunPlan& plan) { return std::string(geographic_scale_name(plan.ibd_scales.geographic)); },
     ibd_asked, RunKeyPlace::ibd_settings},
    {"ibd_permutations", [](const RunPlan& plan) { return std::to_string(plan.ibd_permutations); }, ibd_asked,
     RunKeyPlace::ibd_settings},
};

// ---- Principal coordinates

bool pcoa_asked(const RunPlan& plan) { return plan.pcoa; }

OptionCheck pcoa_options(CLI::App& app, RunPlan& plan) {
    app.add_flag("--pcoa", plan.pcoa,
                 "Principal coordinates of the individuals (allele presence) and of the samples (pairwise F'st)");
    const CLI::Option* axes = app.add_option("--pcoa-axes", plan.pcoa_axes, "Axes kept (default 10)")
                                  ->type_name("K")
                                  ->check(whole_number(1, 1000));
    return [axes](const RunPlan& given) {
        return axes->count() > 0 && !given.pcoa ? std::string("--pcoa-axes needs --pcoa.") : std::string();
    };
}

void run_pcoa(Runner& runner) {
    const Dataset& data = runner.data();
    // The pairs' F'st, from the pairs when they ran.
    std::vector<PairResult> computed;
    if (!pairs_asked(runner.plan())) computed = analyse_pairs(data, nullptr, runner.progress(), nullptr);
    const std::vector<PairResult>& pairs = pairs_asked(runner.plan()) ? runner.results.pairs : computed;
    const auto axes = static_cast<std::size_t>(runner.plan().pcoa_axes);
    const PcoaResult pcoa{individual_ordination(data, axes), sample_ordination(pairs, data.sample_count(), axes)};
    for (const Warning& warning : pcoa_warnings(pcoa)) runner.warn(warning);
    runner.report(pcoa_console_text(pcoa));
    runner.table("pcoa_individuals.tsv", pcoa_individuals_table(pcoa.individuals, data));
    runner.table("pcoa_samples.tsv", pcoa_samples_table(pcoa.samples, data.catalogue));
    runner.table("pcoa_axes.tsv", pcoa_axes_table(pcoa));
    const std::string individuals = pcoa_individuals_plot(pcoa.individuals, data, data_name(runner));
    const std::string samples = pcoa_samples_plot(pcoa.samples, data.catalogue, data_name(runner));
    runner.table("pcoa_individuals.svg", individuals);
    runner.table("pcoa_samples.svg", samples);
    if (ReportSection* section = runner.section())
        section->body += pcoa_section(pcoa, individuals, samples,
                                      {runner.in_tables("pcoa_individuals.tsv and pcoa_individuals.svg"),
                                       runner.in_tables("pcoa_samples.tsv and pcoa_samples.svg")});
}

constexpr AnalysisTable PCOA_TABLES[] = {
    {"pcoa_individuals.tsv"}, {"pcoa_samples.tsv"}, {"pcoa_axes.tsv"}, {"pcoa_individuals.svg"}, {"pcoa_samples.svg"}};
constexpr RunKey PCOA_KEYS[] = {
    {"pcoa_axes", [](const RunPlan& plan) { return std::to_string(plan.pcoa_axes); }, pcoa_asked}};

// ---- The list

constexpr unsigned SET_NEEDS = NEEDS_ALL_LOCI;

const Analysis ANALYSES[] = {
    {"All samples together", "all samples", all_asked, SET_NEEDS, all_options, ALL_TABLES, ALL_KEYS, run_all},
    {"Each sample", "each sample", each_asked, SET_NEEDS, each_options, EACH_TABLES, EACH_KEYS, run_each},
    {"Permutation test of every pair",
     "pair tests",
     pair_test_asked,
     NEEDS_CELLS,
     pair_test_options,
     {},
     PAIR_TEST_KEYS,
     run_pair_test},
    {"Pairs of samples", "pairs", pairs_asked, NEEDS_SITES, pairs_options, PAIRS_TABLES, PAIRS_KEYS, run_pairs},
    {"Groups, with a permutation test", "permutations", groups_asked, SET_NEEDS | SHOWS_REPLICATES | ENDS_PROGRESS_LINE,
     groups_options, GROUPS_TABLES, GROUPS_KEYS, run_groups},
    {"AMOVA", "AMOVA", amova_asked, NEEDS_CELLS | ENDS_PROGRESS_LINE, amova_options, AMOVA_TABLES, AMOVA_KEYS,
     run_amova},
    {"Isolation by distance", "isolation by distance", ibd_asked, NEEDS_SITES, ibd_options, IBD_TABLES, IBD_KEYS,
     run_ibd},
    {"Principal coordinates", "principal coordinates", pcoa_asked, NEEDS_CELLS | ENDS_PROGRESS_LINE, pcoa_options,
     PCOA_TABLES, PCOA_KEYS, run_pcoa},
};

}  // namespace

std::span<const Analysis> analyses() { return ANALYSES; }

std::vector<const Analysis*> analyses_asked(const RunPlan& plan) {
    std::vector<const Analysis*> asked;
    for (const Analysis& analysis : ANALYSES)
        if (analysis.asked(plan)) asked.push_back(&analysis);
    return asked;
}

bool RunPlan::analyses() const { return !analyses_asked(*this).empty(); }

bool RunPlan::keeps_cells() const {
    for (const Analysis* analysis : analyses_asked(*this))
        if ((analysis->needs & NEEDS_CELLS) != 0) return true;
    return false;
}

}  // namespace phenostat

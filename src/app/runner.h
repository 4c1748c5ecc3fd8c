#pragma once
// The one place where a run's analyses run, the dialogue's and the command
// line's alike: every analysis of the list that the plan asks for, in list
// order, each computed and then written as sections of the output files (the
// stats and summary files, one opening per section), the dialogue's console
// text when a dialogue runs, its console lines on the command line, and the
// tidy tables when the plan names a tables folder. The front ends say what
// comes between (the dialogue's pauses, the command line's progress line).

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "analyses/analyses.h"
#include "analyses/pair_permutation.h"
#include "app/analysis_list.h"
#include "app/output_file.h"
#include "app/run_plan.h"
#include "base/console.h"
#include "base/progress.h"
#include "base/random_generator.h"
#include "base/warning.h"
#include "reports/report_page.h"

namespace phenostat {

// What a front end gives the analyses.
struct FrontEnd {
    Console* dialogue = nullptr;     // the dialogue's console text; null on the command line
    std::ostream* report = nullptr;  // the command line's console lines; null in the dialogue
    WarningSink warn;
    RandomGenerator* classic_random = nullptr;  // the group test's generator, shared with the dialogue
    // Called before each analysis; returns its progress.
    std::function<Progress&(const Analysis& analysis)> starting;
    // Called after each analysis.
    std::function<void(const Analysis& analysis)> finished = [](const Analysis&) {};
    // The samples' coordinates, for an analysis that needs them; null: none.
    std::function<const Coordinates*()> sites = [] { return nullptr; };
    // The report page, which receives a section per analysis; null: none.
    ReportPage* page = nullptr;
    std::string page_tables;  // the tables folder as the page links it; empty: no links
};

// What an analysis leaves for a later one.
struct RunResults {
    std::vector<PairResult> pairs;                    // every pair's F'st (and km)
    std::optional<std::vector<PairTest>> pair_tests;  // their permutation tests, for pairs.tsv
};

class Runner {
public:
    // Draws the bootstrap's resamples when the plan asks for one (FatalError
    // when they would not fit in memory).
    Runner(const Dataset& data, const RunPlan& plan, std::uint32_t seed, FrontEnd front);

    // Runs every analysis the plan asks for, in list order.
    void run_analyses();
    // Writes a whole tidy table (nothing without a tables folder).
    void table(const std::string& file, const std::string& text);
    // Closes the tables still open, reporting write failures.
    void finish();

    // For the analyses' run steps.
    const Dataset& data() const { return data_; }
    const RunPlan& plan() const { return plan_; }
    std::uint32_t seed() const { return seed_; }
    Progress& progress() { return *progress_; }
    bool dialogue() const { return front_.dialogue != nullptr; }
    // Console text of the dialogue (nothing on the command line).
    void print(const std::string& text) const {
        if (front_.dialogue != nullptr) front_.dialogue->print(text);
    }
    // Console lines of the command line (nothing in the dialogue).
    void report(const std::string& text) const {
        if (front_.report != nullptr) *front_.report << text;
    }
    void warn(const Warning& warning) const { front_.warn(warning); }
    RandomGenerator& classic_random() { return *front_.classic_random; }
    const Coordinates* sites() const { return front_.sites(); }
    const LocusResamples* resamples() const { return resamples_ ? &*resamples_ : nullptr; }
    bool tables() const { return !plan_.tables_folder.empty(); }
    // Opens a table of the list for a writer that writes it piece by piece.
    void open_table(std::optional<AppendFile>& file, const std::string& name) const;
    // The tables that several analyses add rows to, opened with their header on first use.
    AppendFile& shared_table(const std::string& name, const std::string& header);
    SetScratch& scratch() { return scratch_; }
    // The running analysis's section of the report page; null without one.
    ReportSection* section() { return section_; }
    // `files` when the tables folder is written, else nothing: a figure's
    // files for its caption.
    std::string in_tables(std::string files) const { return plan_.tables_folder.empty() ? std::string() : files; }
    RunResults results;

private:
    std::string table_path(const std::string& name) const;

    const Dataset& data_;
    const RunPlan& plan_;
    std::uint32_t seed_;
    FrontEnd front_;
    Progress* progress_ = nullptr;
    ReportSection* section_ = nullptr;
    std::optional<LocusResamples> resamples_;
    SetScratch scratch_;
    std::vector<std::pair<std::string, std::unique_ptr<AppendFile>>> shared_;  // in the order opened
};

}  // namespace phenostat

#pragma once
// The one place where a run's analyses run, the dialogue's and the command
// line's alike: each analysis computed, then written as sections of the
// output files (the stats and summary files, one opening per section), the
// dialogue's console text when a dialogue runs, and the tidy tables when the
// plan names a tables folder. The front ends decide the order and what comes
// between (the dialogue's pauses, the command line's progress line).

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "analyses/amova.h"
#include "analyses/analyses.h"
#include "analyses/isolation.h"
#include "analyses/pair_permutation.h"
#include "app/output_file.h"
#include "app/run_plan.h"
#include "app/table_list.h"
#include "base/console.h"
#include "base/progress.h"
#include "base/warning.h"

namespace phenostat {

class Runner {
public:
    // `dialogue` null: no console text. Draws the bootstrap's resamples when
    // the plan asks for one (FatalError when they would not fit in memory).
    Runner(const Dataset& data, const RunPlan& plan, std::uint32_t seed, Console* dialogue, WarningSink warn);

    void all_samples(Progress& progress);
    void per_sample(Progress& progress);
    // `sites` null: no distances. The pairs stay for isolation().
    const std::vector<PairResult>& pairwise(const Coordinates* sites, Progress& progress);
    PermutationResult groups(RandomGenerator& random, Progress& progress);
    // The pair test, its columns then added to pairs.tsv by pairwise().
    void pair_tests(Progress& progress);
    // The AMOVA and the pairs' Phi_ST: the summary on `report`, then the tables.
    AmovaResult amova(Progress& progress, std::ostream& report);
    // Isolation by distance over the pairs of pairwise(): its summary on
    // `report`, then its tables.
    IsolationResult isolation(std::ostream& report);
    // Writes a whole tidy table (nothing without a tables folder).
    void table(TidyTable table, const std::string& text);
    // Closes the tables still open, reporting write failures.
    void finish();

private:
    friend class SetSections;
    void print(const std::string& text) const {
        if (dialogue_ != nullptr) dialogue_->print(text);
    }
    bool tables() const { return !plan_.tables_folder.empty(); }
    std::string table_path(TidyTable table) const;
    void open_table(std::optional<AppendFile>& file, TidyTable table) const;
    AppendFile& loci_table();
    AppendFile& intervals_table();

    const Dataset& data_;
    const RunPlan& plan_;
    std::uint32_t seed_;
    Console* dialogue_;
    WarningSink warn_;
    std::optional<LocusResamples> resamples_;
    SetScratch scratch_;
    std::optional<AppendFile> loci_, intervals_;
    std::vector<PairResult> pairs_;
    std::optional<std::vector<PairTest>> pair_tests_;
};

}  // namespace phenostat

#pragma once
// The analyses of a run, each computed and then written as sections of the
// output files: the stats and summary files (one open per section), the
// dialogue's console text when a dialogue runs, and the tidy tables when a
// command-line run asks for them.

#include <optional>
#include <string>
#include <vector>

#include "analyses/analyses.h"
#include "analyses/pair_test.h"
#include "app/output_file.h"
#include "base/console.h"
#include "base/progress.h"

namespace phenostat {

struct Outputs {
    std::string stats_path;
    std::string summary_path;
    Console* dialogue = nullptr;  // where the dialogue's console text goes; null: none
    std::string tables_folder;    // where the tidy tables go; empty: none
    const LocusResamples* resamples = nullptr;  // the bootstrap's, when one is asked for
};

class Sections {
public:
    Sections(const Dataset& data, Outputs outputs) : data_(data), outputs_(std::move(outputs)) {}

    void all_samples(Progress& progress);
    void per_sample(Progress& progress);
    // `sites` null: no distances; `tests`: the pair test's columns in pairs.tsv.
    std::vector<PairResult> pairwise(const Coordinates* sites, Progress& progress,
                                     const std::vector<PairTest>* tests = nullptr);
    PermutationResult groups(int permutations, RandomGenerator& random, Progress& progress);
    // Writes a whole tidy table (nothing without a tables folder).
    void table(const std::string& name, const std::string& text);
    // Closes the tables still open, reporting write failures.
    void finish();

private:
    void print(const std::string& text) const {
        if (outputs_.dialogue != nullptr) outputs_.dialogue->print(text);
    }
    bool tables() const { return !outputs_.tables_folder.empty(); }
    AppendFile& loci_table();
    // The set's rows of loci.tsv and, with a bootstrap, of averages_ci.tsv:
    // made (on any thread), then written.
    struct SetRows {
        std::string loci, intervals;
    };
    SetRows set_rows(std::string_view analysis, std::string_view name, std::size_t number,
                     const SetTable& table) const;
    void write(const SetRows& rows);

    const Dataset& data_;
    Outputs outputs_;
    SetScratch scratch_;
    std::optional<AppendFile> loci_, intervals_;
};

}  // namespace phenostat

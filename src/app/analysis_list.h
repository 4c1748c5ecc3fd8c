#pragma once
// The analyses a run can do, each named once, in the one list of
// analysis_list.cpp: its options, what it needs, the tables and plots it
// writes, its keys in run.tsv, and the step that runs it and hands its results
// to its renderers. The command line's options and --help, the plan's
// predicates, the order analyses run in (the dialogue's included), run.tsv and
// the tables folder's list of files all come from it. Adding an analysis is
// adding an entry (and, where it has options, their fields in RunPlan).

#include <CLI/CLI.hpp>
#include <functional>
#include <span>
#include <string>

#include "app/run_plan.h"

namespace phenostat {

class Runner;

// What an analysis needs of the run, beyond the data set.
enum Need : unsigned {
    NEEDS_CELLS = 1u << 0,     // every individual's phenotype ids (it moves individuals between sets)
    NEEDS_SITES = 1u << 1,     // the samples' coordinates, when the plan gives them
    NEEDS_ALL_LOCI = 1u << 2,  // every locus at once, for a whole table per set of samples
    // The dialogue shows its replicates on the console, one line each.
    SHOWS_REPLICATES = 1u << 3,
    // The command line ends its progress line after it (a long test).
    ENDS_PROGRESS_LINE = 1u << 4,
};

// A table or plot an analysis writes into the tables folder.
struct AnalysisTable {
    const char* file;                                // NAME.tsv (NAME.tsv.gz with --compress-tables) or NAME.svg
    bool (*written)(const RunPlan& plan) = nullptr;  // null: whenever the analysis runs
};

// Where a key of run.tsv stands. The keys of the first releases keep their
// places, which scripts may rely on; any later key comes after them, in list
// order.
enum class RunKeyPlace {
    permutations,
    bootstrap,
    ibd,
    all,
    each,
    pairwise,
    coordinates,
    stem,
    overwrite,
    amova_permutations,
    pair_test,
    min_individuals,
    coordinates_bytes,
    ibd_settings,
    later,
};

struct RunKey {
    const char* key;
    std::string (*value)(const RunPlan& plan);
    bool (*present)(const RunPlan& plan) = nullptr;  // null: always
    RunKeyPlace place = RunKeyPlace::later;
};

// The usage error that a plan's options make, or empty (an option of the
// analysis given without the analysis, say).
using OptionCheck = std::function<std::string(const RunPlan& plan)>;

struct Analysis {
    const char* title;     // its heading in --help
    const char* progress;  // its task on the command line's progress line
    bool (*asked)(const RunPlan& plan);
    unsigned needs;                                        // Need flags
    OptionCheck (*options)(CLI::App& app, RunPlan& plan);  // adds its options; null: none of its own
    std::span<const AnalysisTable> tables;
    std::span<const RunKey> keys;
    void (*run)(Runner& runner);
};

// Every analysis, in the order a run does them.
std::span<const Analysis> analyses();

// The analyses `plan` asks for, in list order.
std::vector<const Analysis*> analyses_asked(const RunPlan& plan);

}  // namespace phenostat

#pragma once
// The tidy tables a command-line run can write, named here once: the file
// each is written to and the options that write it. docs/columns.md says what
// their columns hold.

#include <array>
#include <string>
#include <vector>

#include "app/run_plan.h"

namespace phenostat {

enum class TidyTable {
    run,
    loci,
    frequencies,
    pairs,
    fst_matrix,
    km_matrix,
    ibd,
    ibd_pairs,
    ibd_plot,
    averages_ci,
    group_test,
    amova,
    amova_phi,
    phipt_matrix,
};

struct TidyTableEntry {
    TidyTable table;
    const char* file;                      // within the tables folder
    bool (*written)(const RunPlan& plan);  // whether a run of this plan writes it
};

// Every table, in the order the folder's check looks for earlier ones.
extern const std::array<TidyTableEntry, 14> TIDY_TABLES;

const char* table_file(TidyTable table);
// Its file in a run of `plan`: NAME.tsv.gz with --compress-tables (the plot
// stays as it is).
std::string table_file(const RunPlan& plan, TidyTable table);
// A table's file in the other form, compressed or not; the plot's is itself.
std::string other_form(const std::string& file);
// Whether phenostat writes a file of this name, in either form.
bool is_table_file(const std::string& file);

// Whether a run of `plan` writes `table`.
bool writes_table(const RunPlan& plan, TidyTable table);

// The files of the tables a run of `plan` writes, in list order, in its form.
std::vector<std::string> tables_written(const RunPlan& plan);

}  // namespace phenostat

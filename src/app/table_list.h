#pragma once
// The files of the tables folder, from the list of analyses: run.tsv, which
// every run writes, and the tables and plots of the analyses a plan asks
// for. docs/columns.md says what their columns hold.

#include <string>
#include <vector>

#include "app/run_plan.h"

namespace phenostat {

// A table's file in a run of `plan`: NAME.tsv.gz with --compress-tables (a
// plot stays as it is).
std::string table_file(const RunPlan& plan, const std::string& table);
// A table's file in the other form, compressed or not; a plot's is itself.
std::string other_form(const std::string& file);
// Whether phenostat writes a file of this name, in either form.
bool is_table_file(const std::string& file);

// The files of the tables a run of `plan` writes, run.tsv first, then each
// analysis's in list order (a table shared by analyses once), in their form.
std::vector<std::string> tables_written(const RunPlan& plan);

}  // namespace phenostat

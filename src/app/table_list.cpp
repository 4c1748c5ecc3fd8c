#include "app/table_list.h"

namespace phenostat {

const std::array<TidyTableEntry, 14> TIDY_TABLES = {{
    {TidyTable::run, "run.tsv", [](const RunPlan&) { return true; }},
    {TidyTable::loci, "loci.tsv", [](const RunPlan& plan) { return plan.set_tables(); }},
    {TidyTable::frequencies, "frequencies.tsv", [](const RunPlan& plan) { return plan.all_samples; }},
    {TidyTable::pairs, "pairs.tsv", [](const RunPlan& plan) { return plan.pairwise; }},
    {TidyTable::fst_matrix, "fst_matrix.tsv", [](const RunPlan& plan) { return plan.pairwise; }},
    {TidyTable::km_matrix, "km_matrix.tsv", [](const RunPlan& plan) { return !plan.coordinates_path.empty(); }},
    {TidyTable::ibd, "ibd.tsv", [](const RunPlan& plan) { return plan.ibd; }},
    {TidyTable::ibd_pairs, "ibd_pairs.tsv", [](const RunPlan& plan) { return plan.ibd; }},
    {TidyTable::ibd_plot, "ibd.svg", [](const RunPlan& plan) { return plan.ibd; }},
    {TidyTable::averages_ci, "averages_ci.tsv",
     [](const RunPlan& plan) { return plan.bootstrap > 0 && plan.set_tables(); }},
    {TidyTable::group_test, "group_test.tsv", [](const RunPlan& plan) { return plan.groups(); }},
    {TidyTable::amova, "amova.tsv", [](const RunPlan& plan) { return plan.amova; }},
    {TidyTable::amova_phi, "amova_phi.tsv", [](const RunPlan& plan) { return plan.amova; }},
    {TidyTable::phipt_matrix, "phipt_matrix.tsv", [](const RunPlan& plan) { return plan.amova; }},
}};

const char* table_file(TidyTable table) {
    for (const TidyTableEntry& entry : TIDY_TABLES)
        if (entry.table == table) return entry.file;
    return "";
}

std::string table_file(const RunPlan& plan, TidyTable table) {
    const std::string file = table_file(table);
    return plan.compress_tables && file.ends_with(".tsv") ? file + ".gz" : file;
}

std::string other_form(const std::string& file) {
    if (file.ends_with(".tsv")) return file + ".gz";
    if (file.ends_with(".tsv.gz")) return file.substr(0, file.size() - 3);
    return file;
}

bool is_table_file(const std::string& file) {
    for (const TidyTableEntry& entry : TIDY_TABLES)
        if (file == entry.file || other_form(file) == entry.file) return true;
    return false;
}

bool writes_table(const RunPlan& plan, TidyTable table) {
    for (const TidyTableEntry& entry : TIDY_TABLES)
        if (entry.table == table) return entry.written(plan);
    return false;
}

std::vector<std::string> tables_written(const RunPlan& plan) {
    std::vector<std::string> files;
    for (const TidyTableEntry& entry : TIDY_TABLES)
        if (entry.written(plan)) files.push_back(table_file(plan, entry.table));
    return files;
}

}  // namespace phenostat

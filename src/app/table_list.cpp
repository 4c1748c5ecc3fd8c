#include "app/table_list.h"

#include <algorithm>

#include "app/analysis_list.h"

namespace phenostat {
namespace {

constexpr const char* RUN_TABLE = "run.tsv";

}  // namespace

std::string table_file(const RunPlan& plan, const std::string& table) {
    return plan.compress_tables && table.ends_with(".tsv") ? table + ".gz" : table;
}

std::string other_form(const std::string& file) {
    if (file.ends_with(".tsv")) return file + ".gz";
    if (file.ends_with(".tsv.gz")) return file.substr(0, file.size() - 3);
    return file;
}

bool is_table_file(const std::string& file) {
    const auto named = [&](const std::string& table) { return file == table || other_form(file) == table; };
    if (named(RUN_TABLE)) return true;
    for (const Analysis& analysis : analyses())
        for (const AnalysisTable& table : analysis.tables)
            if (named(table.file)) return true;
    return false;
}

std::vector<std::string> tables_written(const RunPlan& plan) {
    std::vector<std::string> files = {table_file(plan, RUN_TABLE)};
    for (const Analysis* analysis : analyses_asked(plan))
        for (const AnalysisTable& table : analysis->tables) {
            const std::string file = table_file(plan, table.file);
            if ((table.written == nullptr || table.written(plan)) &&
                std::find(files.begin(), files.end(), file) == files.end())
                files.push_back(file);
        }
    return files;
}

}  // namespace phenostat

#include "app/runner.h"

#include "app/table_list.h"
#include "base/fatal_error.h"
#include "base/memory.h"
#include "base/text.h"

namespace phenostat {

namespace {

// Every replicate's count of every locus is kept: refused when that would
// take more than half the memory available.
LocusResamples bootstrap_resamples(int replicates, std::size_t loci, std::uint32_t seed) {
    const double needed = static_cast<double>(replicates) * static_cast<double>(loci) * 8;
    const auto available = static_cast<double>(available_memory());
    if (available > 0 && needed > available / 2)
        throw FatalError(strprintf(
            "%s of %s would need about %.1f GB of memory, and %.1f GB are available: ask for "
            "fewer replicates.",
            count_of(static_cast<std::size_t>(replicates), "bootstrap replicate", "bootstrap replicates").c_str(),
            count_of(loci, "locus", "loci").c_str(), needed / 1e9, available / 1e9));
    return draw_resamples(loci, static_cast<std::size_t>(replicates), seed);
}

}  // namespace

Runner::Runner(const Dataset& data, const RunPlan& plan, std::uint32_t seed, FrontEnd front)
    : data_(data), plan_(plan), seed_(seed), front_(std::move(front)) {
    if (plan.bootstrap > 0) resamples_ = bootstrap_resamples(plan.bootstrap, data.locus_count(), seed);
}

// With a report page, each analysis has a section, which its run step fills
// and which links to the tables it writes; one left empty is dropped.
void Runner::run_analyses() {
    for (const Analysis* analysis : analyses_asked(plan_)) {
        progress_ = &front_.starting(*analysis);
        ReportSection section{analysis->title, {}, {}};
        if (front_.page != nullptr) section_ = &section;
        analysis->run(*this);
        section_ = nullptr;
        front_.finished(*analysis);
        if (front_.page == nullptr) continue;
        for (const AnalysisTable& table : analysis->tables)
            if (!front_.page_tables.empty() && (table.written == nullptr || table.written(plan_)))
                section.links.push_back(front_.page_tables + "/" + table_file(plan_, table.file));
        if (!section.body.empty() || !section.links.empty()) front_.page->sections.push_back(std::move(section));
    }
}

// Only the tables that the list says the plan writes: the folder's checks
// read the same list, so a table outside it is a fault of the program.
std::string Runner::table_path(const std::string& name) const {
    const std::string file = table_file(plan_, name);
    const std::vector<std::string> written = tables_written(plan_);
    if (std::find(written.begin(), written.end(), file) == written.end())
        throw FatalError(strprintf("Internal error: the table %s is not among the tables this run writes.",
                                   name.c_str()));
    return plan_.tables_folder + "/" + file;
}

void Runner::open_table(std::optional<AppendFile>& file, const std::string& name) const {
    const std::string path = table_path(name);
    file.emplace(path, path.ends_with(".gz") ? AppendFile::Format::compressed_table : AppendFile::Format::table);
}

AppendFile& Runner::shared_table(const std::string& name, const std::string& header) {
    for (auto& [opened, file] : shared_)
        if (opened == name) return *file;
    const std::string path = table_path(name);
    auto& [opened, file] = shared_.emplace_back(
        name, std::make_unique<AppendFile>(path, path.ends_with(".gz") ? AppendFile::Format::compressed_table
                                                                       : AppendFile::Format::table));
    file->write(header);
    return *file;
}

void Runner::table(const std::string& name, const std::string& text) {
    if (!tables()) return;
    std::optional<AppendFile> file;
    open_table(file, name);
    file->write(text);
    file->close();
}

void Runner::finish() {
    for (auto& [name, file] : shared_) file->close();
}

}  // namespace phenostat

#include "app/runner.h"

#include <filesystem>

#include "base/fatal_error.h"
#include "base/memory.h"
#include "base/text.h"
#include "reports/amova_report.h"
#include "reports/console_text.h"
#include "reports/isolation_report.h"
#include "reports/significance_report.h"
#include "reports/stats_file.h"
#include "reports/summary_file.h"
#include "reports/tidy_tables.h"

namespace phenostat {

namespace {

// Loci handed out at a time: enough per thread to even out their sizes.
constexpr std::size_t LOCI_PER_THREAD_AND_BLOCK = 16;

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

Runner::Runner(const Dataset& data, const RunPlan& plan, std::uint32_t seed, Console* dialogue, WarningSink warn)
    : data_(data), plan_(plan), seed_(seed), dialogue_(dialogue), warn_(std::move(warn)) {
    if (plan.bootstrap > 0) resamples_ = bootstrap_resamples(plan.bootstrap, data.locus_count(), seed);
}

// Only the tables that the list says the plan writes: the folder's checks
// read the same list, so a table outside it is a fault of the program.
std::string Runner::table_path(TidyTable table) const {
    if (!writes_table(plan_, table))
        throw FatalError(strprintf("Internal error: the table %s is not among the tables this run writes.",
                                   table_file(table)));
    return plan_.tables_folder + "/" + table_file(table);
}

AppendFile& Runner::loci_table() {
    if (!loci_) {
        loci_.emplace(table_path(TidyTable::loci), AppendFile::Format::table);
        loci_->write(loci_table_header());
    }
    return *loci_;
}

Runner::SetRows Runner::set_rows(std::string_view analysis, std::string_view name, std::size_t number,
                                 const SetTable& table) const {
    SetRows rows;
    if (!tables()) return rows;
    rows.loci = loci_table_rows(analysis, name, number, table, data_.locus_names);
    if (resamples_)
        rows.intervals = averages_ci_rows(analysis, name, number, table, bootstrap_table(table, *resamples_));
    return rows;
}

void Runner::write(const SetRows& rows) {
    if (!tables()) return;
    loci_table().write(rows.loci);
    if (!resamples_) return;
    if (!intervals_) {
        intervals_.emplace(table_path(TidyTable::averages_ci), AppendFile::Format::table);
        intervals_->write(averages_ci_header());
    }
    intervals_->write(rows.intervals);
}

void Runner::table(TidyTable table, const std::string& text) {
    if (!tables()) return;
    AppendFile file(table_path(table), AppendFile::Format::table);
    file.write(text);
    file.close();
}

void Runner::finish() {
    if (loci_) loci_->close();
    if (intervals_) intervals_->close();
}

void Runner::all_samples(Progress& progress) {
    const AllSamplesResult result = analyse_all_samples(data_);
    print(all_samples_console_text(result.table, data_.classic_names()));
    AppendFile stats(plan_.stats_path);
    stats.write(ALL_SAMPLES_TITLE);
    stats.write(set_table_text(result.table, data_.classic_names()));
    stats.close();
    write_summaries(result, progress);
    write(set_rows("all", "all", 0, result.table));
}

// The summary file's section and frequencies.tsv: blocks of loci, their
// texts made on the threads and written in locus order.
void Runner::write_summaries(const AllSamplesResult& result, Progress& progress) {
    AppendFile summary(plan_.summary_path);
    std::optional<AppendFile> frequencies;
    if (tables()) {
        frequencies.emplace(table_path(TidyTable::frequencies), AppendFile::Format::table);
        frequencies->write(frequencies_header());
    }
    const std::size_t count = data_.locus_count();
    const std::size_t block = LOCI_PER_THREAD_AND_BLOCK * team_size();
    std::vector<std::string> summaries(std::min(block, count)), rows(summaries.size());
    PerThread<LocusReader> readers;
    for (std::size_t start = 0; start < count; start += block) {
        const std::size_t size = std::min(block, count - start);
        parallel_for(size, 1, [&](std::size_t b) {
            const std::size_t i = start + b;
            const UnpackedLocus& locus = readers.local().read(data_.loci, i, Unpack::summaries);
            summaries[b] = frequency_summary_text(locus.coded, locus.summary, result.tallies[i], data_.catalogue,
                                                  data_.classic_names()[i]);
            if (frequencies)
                rows[b] = frequencies_rows(data_.locus_names[i], locus.coded, locus.summary, result.tallies[i],
                                           data_.catalogue);
        });
        for (std::size_t b = 0; b < size; ++b) {
            summary.write(summaries[b]);
            if (frequencies) frequencies->write(rows[b]);
            progress.step(start + b + 1, count);
        }
    }
    summary.close();
    if (frequencies) frequencies->close();
}

// Each sample's texts, made on the thread that computed its table, written in
// sample order.
class PerSampleSections final : public PerSampleSink {
public:
    PerSampleSections(Runner& runner, AppendFile& stats) : runner_(runner), stats_(stats) {}
    void places(std::size_t count) override { texts_.resize(count); }
    void made(std::size_t place, std::size_t sample, const SetTable& table) override {
        const std::string& name = runner_.data_.catalogue.samples[sample].name;
        texts_[place].warnings = table_warnings_text(table);
        texts_[place].stats = sample_title(name) + set_table_text(table, runner_.data_.classic_names());
        texts_[place].rows = runner_.set_rows("sample", name, sample + 1, table);
    }
    void ready(std::size_t place, std::size_t) override {
        runner_.print(texts_[place].warnings);
        stats_.write(texts_[place].stats);
        runner_.write(texts_[place].rows);
    }

private:
    struct Texts {
        std::string warnings, stats;
        Runner::SetRows rows;
    };
    Runner& runner_;
    AppendFile& stats_;
    std::vector<Texts> texts_;
};

void Runner::per_sample(Progress& progress) {
    AppendFile stats(plan_.stats_path);
    stats.write(PER_SAMPLE_TITLE);
    stats.write(PER_SAMPLE_NOTE);
    print("\n\n Doing per-sample stats");
    PerSampleSections sections(*this, stats);
    analyse_each_sample(data_, scratch_, sections, progress);
    stats.close();
}

const std::vector<PairResult>& Runner::pairwise(const Coordinates* sites, Progress& progress) {
    pairs_ = analyse_pairs(data_, sites, progress, resamples_ ? &*resamples_ : nullptr);
    print(pairs_console_text(pairs_, data_.catalogue));
    append_to_file(plan_.stats_path, pairwise_text(pairs_, data_.catalogue, sites != nullptr));
    table(TidyTable::pairs, pairs_table(pairs_, data_.catalogue, pair_tests_ ? &*pair_tests_ : nullptr));
    table(TidyTable::fst_matrix, fst_matrix(pairs_, data_.catalogue));
    if (sites != nullptr) table(TidyTable::km_matrix, km_matrix(pairs_, data_.catalogue));
    return pairs_;
}

PermutationResult Runner::groups(RandomGenerator& random, Progress& progress) {
    for (const Warning& warning : group_test_warnings(build_group_catalogue(data_.catalogue), plan_.permutations))
        warn_(warning);
    const GroupTables groups = analyse_groups(data_);
    print("\n\nDoing Group Statistics...\n");
    AppendFile stats(plan_.stats_path);
    stats.write(GROUP_TITLE);
    for (std::size_t g = 0; g < groups.tables.size(); ++g) {
        print(group_console_line(groups.groups, g));
        print(table_warnings_text(groups.tables[g]));
        stats.write(group_title(groups.groups.names[g]));
        stats.write(set_table_text(groups.tables[g], data_.classic_names()));
        write(set_rows("group", groups.groups.names[g], g + 1, groups.tables[g]));
    }
    stats.close();
    PermutationResult test = permutation_test(data_, groups.groups, plan_.permutations, random, progress);
    append_to_file(plan_.stats_path, group_report_text(test.p_values));
    table(TidyTable::group_test, group_test_table(groups.groups, test));
    return test;
}

void Runner::pair_tests(Progress& progress) {
    pair_tests_ = phenostat::pair_tests(data_, plan_.pair_test, seed_, progress);
}

AmovaResult Runner::amova(Progress& progress, std::ostream& report) {
    const GroupCatalogue groups = build_group_catalogue(data_.catalogue);
    const AmovaResult amova = analyse_amova(data_, groups, plan_.amova_permutations, seed_, progress);
    if (!amova.left_out.empty()) {
        const std::string names = join_names(amova.left_out);
        const char* samples = amova.left_out.size() == 1 ? "the sample" : "the samples";
        warn_({WarningKind::amova_ungrouped, names,
               std::string("the AMOVA leaves out ") + samples + " in no group: " + names + "."});
    }
    if (amova.contributing_loci == 0)
        warn_({WarningKind::amova_no_locus, "",
               "no locus has a degree of freedom at every level of the AMOVA (each needs two samples, or groups, "
               "typed there and a sample with two typed individuals): its components and Phi values are NA."});
    report << amova_console_text(amova);
    table(TidyTable::amova, amova_table(amova));
    table(TidyTable::amova_phi, amova_phi_table(amova));
    table(TidyTable::phipt_matrix, phipt_matrix(pairwise_phi_st(data_), data_.catalogue));
    return amova;
}

IsolationResult Runner::isolation(std::ostream& report) {
    const IsolationScales scales = plan_.ibd_scales;
    IsolationResult ibd = isolation_by_distance(pairs_, individual_counts(data_.catalogue), scales.genetic,
                                                scales.geographic, plan_.ibd_permutations, seed_);
    report << isolation_console_text(ibd, scales);
    table(TidyTable::ibd, isolation_table(ibd, scales, seed_));
    table(TidyTable::ibd_pairs, isolation_pairs_table(ibd, pairs_, data_.catalogue));
    table(TidyTable::ibd_plot, isolation_plot(ibd, scales, std::filesystem::path(plan_.data_path).filename().string()));
    return ibd;
}

}  // namespace phenostat

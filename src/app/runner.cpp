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
    return plan_.tables_folder + "/" + table_file(plan_, table);
}

void Runner::open_table(std::optional<AppendFile>& file, TidyTable table) const {
    file.emplace(table_path(table), table_file(plan_, table).ends_with(".gz") ? AppendFile::Format::compressed_table
                                                                              : AppendFile::Format::table);
}

AppendFile& Runner::loci_table() {
    if (!loci_) {
        open_table(loci_, TidyTable::loci);
        loci_->write(loci_table_header());
    }
    return *loci_;
}

AppendFile& Runner::intervals_table() {
    if (!intervals_) {
        open_table(intervals_, TidyTable::averages_ci);
        intervals_->write(averages_ci_header());
    }
    return *intervals_;
}

void Runner::table(TidyTable table, const std::string& text) {
    if (!tables()) return;
    std::optional<AppendFile> file;
    open_table(file, table);
    file->write(text);
    file->close();
}

void Runner::finish() {
    if (loci_) loci_->close();
    if (intervals_) intervals_->close();
}

// A set's sections, written as its loci come: its rows of the stats file and
// of loci.tsv made on the threads that computed them and written in locus
// order, then its average rows and, with a bootstrap, its intervals. Over all
// samples the summary file's section and frequencies.tsv come along; of a
// series (each sample, each group), each set in turn.
class SetSections final : public AllSamplesSink {
public:
    enum class Kind { all, sample, group };
    SetSections(Runner& runner, Kind kind, AppendFile& stats, const GroupCatalogue* groups = nullptr)
        : runner_(runner), kind_(kind), stats_(stats), groups_(groups) {
        if (runner.tables() && runner.resamples_) resampled_.emplace(runner.data_.locus_count());
    }
    // Over all samples: the summary file, frequencies.tsv (null: no tables)
    // and the progress, locus by locus.
    void summaries(AppendFile& summary, AppendFile* frequencies, Progress& progress) {
        summary_ = &summary;
        frequencies_ = frequencies;
        progress_ = &progress;
    }

    void begin(std::size_t k) override {
        number_ = kind_ == Kind::all ? 0 : k + 1;
        name_ = kind_ == Kind::all      ? "all"
                : kind_ == Kind::sample ? runner_.data_.catalogue.samples[k].name
                                        : groups_->names[k];
        if (kind_ == Kind::sample) stats_.write(sample_title(name_));
        if (kind_ == Kind::group) {
            runner_.print(group_console_line(*groups_, k));
            stats_.write(group_title(name_));
        }
        stats_.write(stats_header_line());
    }
    void places(std::size_t count) override { texts_.resize(count); }
    void tallied(std::size_t place, std::size_t i, const UnpackedLocus& locus, const PooledTally& pooled) override {
        const Dataset& data = runner_.data_;
        texts_[place].summary =
            frequency_summary_text(locus.coded, locus.summary, pooled, data.catalogue, data.classic_names()[i]);
        if (frequencies_ != nullptr)
            texts_[place].frequencies =
                frequencies_rows(data.locus_names[i], locus.coded, locus.summary, pooled, data.catalogue);
    }
    void made(std::size_t place, std::size_t i, const LocusOutcome& record) override {
        const Dataset& data = runner_.data_;
        texts_[place].stats = stats_row(record.stats, data.classic_names()[i]);
        if (runner_.tables())
            texts_[place].loci = loci_table_row(analysis(), name_, number_, data.locus_names[i], record);
        if (resampled_) resampled_->set(i, record);
    }
    void ready(std::size_t place, std::size_t i, const LocusOutcome& record) override {
        if (kind_ == Kind::all && runner_.dialogue_ != nullptr)
            runner_.print(all_samples_locus_text(runner_.data_.classic_names()[i], record));
        else if (kind_ != Kind::all && record.no_pairs_within)
            runner_.print(NO_PAIRS_WITHIN_WARNING);
        stats_.write(texts_[place].stats);
        if (runner_.tables()) runner_.loci_table().write(texts_[place].loci);
        if (summary_ == nullptr) return;
        summary_->write(texts_[place].summary);
        if (frequencies_ != nullptr) frequencies_->write(texts_[place].frequencies);
        progress_->step(i + 1, runner_.data_.locus_count());
    }
    void end(std::size_t, const SetAverage& average) override {
        stats_.write(stats_row(average.average, AVERAGE_LABEL));
        if (!runner_.tables()) return;
        runner_.loci_table().write(loci_table_average_row(analysis(), name_, number_, average));
        if (resampled_)
            runner_.intervals_table().write(averages_ci_rows(analysis(), name_, number_, average,
                                                             bootstrap_table(*resampled_, *runner_.resamples_)));
    }

private:
    std::string_view analysis() const {
        return kind_ == Kind::all ? "all" : kind_ == Kind::sample ? "sample" : "group";
    }
    struct Texts {
        std::string stats, loci, summary, frequencies;
    };
    Runner& runner_;
    Kind kind_;
    AppendFile& stats_;
    const GroupCatalogue* groups_;
    AppendFile* summary_ = nullptr;
    AppendFile* frequencies_ = nullptr;
    Progress* progress_ = nullptr;
    std::string name_;
    std::size_t number_ = 0;
    std::vector<Texts> texts_;
    std::optional<ResampledAverage> resampled_;  // the current set's terms, for its bootstrap
};

void Runner::all_samples(Progress& progress) {
    AppendFile stats(plan_.stats_path);
    stats.write(ALL_SAMPLES_TITLE);
    AppendFile summary(plan_.summary_path);
    std::optional<AppendFile> frequencies;
    if (tables()) {
        open_table(frequencies, TidyTable::frequencies);
        frequencies->write(frequencies_header());
    }
    SetSections sections(*this, SetSections::Kind::all, stats);
    sections.summaries(summary, frequencies ? &*frequencies : nullptr, progress);
    sections.begin(0);
    sections.end(0, analyse_all_samples(data_, scratch_, sections));
    stats.close();
    summary.close();
    if (frequencies) frequencies->close();
}

void Runner::per_sample(Progress& progress) {
    AppendFile stats(plan_.stats_path);
    stats.write(PER_SAMPLE_TITLE);
    stats.write(PER_SAMPLE_NOTE);
    print("\n\n Doing per-sample stats");
    SetSections sections(*this, SetSections::Kind::sample, stats);
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
    const GroupCatalogue groups = compared_groups(data_);
    print("\n\nDoing Group Statistics...\n");
    AppendFile stats(plan_.stats_path);
    stats.write(GROUP_TITLE);
    SetSections sections(*this, SetSections::Kind::group, stats, &groups);
    analyse_groups(data_, groups, scratch_, sections);
    stats.close();
    PermutationResult test = permutation_test(data_, groups, plan_.permutations, random, progress);
    append_to_file(plan_.stats_path, group_report_text(test.p_values));
    table(TidyTable::group_test, group_test_table(groups, test));
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

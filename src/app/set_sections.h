#pragma once
// The sections of the analyses of sets of samples (all samples together, each
// sample, each group): the stats file's rows, loci.tsv and averages_ci.tsv,
// and over all samples the summary file and frequencies.tsv, written as the
// loci come.

#include <optional>
#include <string>
#include <vector>

#include "analyses/analyses.h"
#include "app/output_file.h"
#include "app/runner.h"
#include "reports/console_text.h"
#include "reports/stats_file.h"
#include "reports/summary_file.h"
#include "reports/tidy_tables.h"

namespace phenostat {

// A set's sections, written as its loci come: its rows of the stats file and
// of loci.tsv made on the threads that computed them and written in locus
// order, then its average rows and, with a bootstrap, its intervals (kept
// for the report page too). Over all
// samples the summary file's section and frequencies.tsv come along; of a
// series (each sample, each group), each set in turn.
class SetSections final : public AllSamplesSink {
public:
    enum class Kind { all, sample, group };
    SetSections(Runner& runner, Kind kind, AppendFile& stats, const GroupCatalogue* groups = nullptr)
        : runner_(runner), kind_(kind), stats_(stats), groups_(groups) {
        const bool shown = runner.tables() || runner.section() != nullptr;
        if (shown && runner.resamples() != nullptr) resampled_.emplace(runner.data().locus_count());
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
                : kind_ == Kind::sample ? runner_.data().catalogue.samples[k].name
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
        const Dataset& data = runner_.data();
        texts_[place].summary =
            frequency_summary_text(locus.coded, locus.summary, pooled, data.catalogue, data.classic_names()[i]);
        if (frequencies_ != nullptr)
            texts_[place].frequencies =
                frequencies_rows(data.locus_names[i], locus.coded, locus.summary, pooled, data.catalogue);
    }
    void made(std::size_t place, std::size_t i, const LocusOutcome& record) override {
        const Dataset& data = runner_.data();
        texts_[place].stats = stats_row(record.stats, data.classic_names()[i]);
        if (runner_.tables())
            texts_[place].loci = loci_table_row(analysis(), name_, number_, data.locus_names[i], record);
        if (resampled_) resampled_->set(i, record);
    }
    void ready(std::size_t place, std::size_t i, const LocusOutcome& record) override {
        if (kind_ == Kind::all && runner_.dialogue())
            runner_.print(all_samples_locus_text(runner_.data().classic_names()[i], record));
        else if (kind_ != Kind::all && record.no_pairs_within)
            runner_.print(NO_PAIRS_WITHIN_WARNING);
        stats_.write(texts_[place].stats);
        if (runner_.tables()) loci_table().write(texts_[place].loci);
        if (summary_ == nullptr) return;
        summary_->write(texts_[place].summary);
        if (frequencies_ != nullptr) frequencies_->write(texts_[place].frequencies);
        progress_->step(i + 1, runner_.data().locus_count());
    }
    void end(std::size_t, const SetAverage& average) override {
        averages_.push_back(average.average);
        stats_.write(stats_row(average.average, AVERAGE_LABEL));
        if (resampled_) intervals_.push_back(bootstrap_table(*resampled_, *runner_.resamples()));
        if (!runner_.tables()) return;
        loci_table().write(loci_table_average_row(analysis(), name_, number_, average));
        if (resampled_)
            intervals_table().write(averages_ci_rows(analysis(), name_, number_, average, intervals_.back()));
    }

    // Each set's average across loci, in the order ended.
    const std::vector<LocusStats>& averages() const { return averages_; }
    // With a bootstrap, the intervals of each set's averages, in the same
    // order; else none.
    const std::vector<std::array<Interval, STATISTIC_COUNT>>& intervals() const { return intervals_; }

private:
    AppendFile& loci_table() { return runner_.shared_table("loci.tsv", loci_table_header()); }
    AppendFile& intervals_table() { return runner_.shared_table("averages_ci.tsv", averages_ci_header()); }
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
    std::vector<LocusStats> averages_;
    std::vector<std::array<Interval, STATISTIC_COUNT>> intervals_;
    std::optional<ResampledAverage> resampled_;  // the current set's terms, for its bootstrap
};


}  // namespace phenostat

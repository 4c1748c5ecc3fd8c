#include "app/sections.h"

#include "reports/amova_report.h"
#include "reports/console_text.h"
#include "reports/significance_report.h"
#include "reports/stats_file.h"
#include "reports/summary_file.h"
#include "reports/tidy_tables.h"

namespace phenostat {

namespace {

// Samples and loci handed out at a time: enough per thread to even out their sizes.
constexpr std::size_t SAMPLES_PER_THREAD_AND_BLOCK = 4;
constexpr std::size_t LOCI_PER_THREAD_AND_BLOCK = 16;

}  // namespace

AppendFile& Sections::loci_table() {
    if (!loci_) {
        loci_.emplace(outputs_.tables_folder + "/loci.tsv", AppendFile::Format::table);
        loci_->write(loci_table_header());
    }
    return *loci_;
}

Sections::SetRows Sections::set_rows(std::string_view analysis, std::string_view name, std::size_t number,
                                     const SetTable& table) const {
    SetRows rows;
    if (!tables()) return rows;
    rows.loci = loci_table_rows(analysis, name, number, table, data_.locus_names);
    if (outputs_.resamples != nullptr)
        rows.intervals =
            averages_ci_rows(analysis, name, number, table, bootstrap_table(table, *outputs_.resamples));
    return rows;
}

void Sections::write(const SetRows& rows) {
    if (!tables()) return;
    loci_table().write(rows.loci);
    if (outputs_.resamples == nullptr) return;
    if (!intervals_) {
        intervals_.emplace(outputs_.tables_folder + "/averages_ci.tsv", AppendFile::Format::table);
        intervals_->write(averages_ci_header());
    }
    intervals_->write(rows.intervals);
}

void Sections::table(const std::string& name, const std::string& text) {
    if (!tables()) return;
    AppendFile file(outputs_.tables_folder + "/" + name, AppendFile::Format::table);
    file.write(text);
    file.close();
}

void Sections::finish() {
    if (loci_) loci_->close();
    if (intervals_) intervals_->close();
}

void Sections::all_samples(Progress& progress) {
    const AllSamplesResult result = analyse_all_samples(data_);
    print(all_samples_console_text(result.table, data_.locus_names));
    AppendFile stats(outputs_.stats_path);
    stats.write(ALL_SAMPLES_TITLE);
    stats.write(set_table_text(result.table, data_.locus_names));
    stats.close();
    AppendFile summary(outputs_.summary_path);
    std::optional<AppendFile> frequencies;
    if (tables()) {
        frequencies.emplace(outputs_.tables_folder + "/frequencies.tsv", AppendFile::Format::table);
        frequencies->write(frequencies_header());
    }
    // Blocks of loci, their texts made on the threads and written in locus order.
    const std::size_t count = data_.locus_count();
    const std::size_t block = LOCI_PER_THREAD_AND_BLOCK * team_size();
    std::vector<std::string> summaries(std::min(block, count)), rows(summaries.size());
    for (std::size_t start = 0; start < count; start += block) {
        const std::size_t size = std::min(block, count - start);
        parallel_for(size, 1, [&](std::size_t b) {
            const std::size_t i = start + b;
            const CodedLocus& locus = data_.coded.loci[i];
            summaries[b] = frequency_summary_text(locus, data_.summaries[i], result.tallies[i], data_.catalogue,
                                                  data_.locus_names[i]);
            if (frequencies)
                rows[b] = frequencies_rows(data_.locus_names[i], locus, data_.summaries[i], result.tallies[i],
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
    write(set_rows("all", "all", 0, result.table));
}

void Sections::per_sample(Progress& progress) {
    AppendFile stats(outputs_.stats_path);
    stats.write(PER_SAMPLE_TITLE);
    stats.write(PER_SAMPLE_NOTE);
    print("\n\n Doing per-sample stats");
    // Blocks of samples spread over the threads, each sample's table and
    // texts made on one thread; the texts then go out in sample order.
    struct Texts {
        std::string warnings, stats;
        SetRows rows;
    };
    const std::size_t count = data_.sample_count();
    const std::size_t block = SAMPLES_PER_THREAD_AND_BLOCK * team_size();
    std::vector<Texts> texts(std::min(block, count));
    for (std::size_t start = 0; start < count; start += block) {
        const std::size_t size = std::min(block, count - start);
        parallel_for(size, 1, [&](std::size_t b) {
            const std::size_t s = start + b;
            const std::size_t set[1] = {s};
            const SetTable table = compute_set_table(data_, set, scratch_);
            const std::string& name = data_.catalogue.samples[s].name;
            texts[b].warnings = table_warnings_text(table);
            texts[b].stats = sample_title(name) + set_table_text(table, data_.locus_names);
            texts[b].rows = set_rows("sample", name, s + 1, table);
        });
        for (std::size_t b = 0; b < size; ++b) {
            print(texts[b].warnings);
            stats.write(texts[b].stats);
            write(texts[b].rows);
            progress.step(start + b + 1, count);
        }
    }
    stats.close();
}

std::vector<PairResult> Sections::pairwise(const Coordinates* sites, Progress& progress,
                                          const std::vector<PairTest>* tests) {
    std::vector<PairResult> pairs = analyse_pairs(data_, sites, progress, outputs_.resamples);
    print(pairs_console_text(pairs, data_.catalogue));
    append_to_file(outputs_.stats_path, pairwise_text(pairs, data_.catalogue, sites != nullptr));
    const std::string pairs_text = pairs_table(pairs, data_.catalogue);
    table("pairs.tsv", tests != nullptr ? with_pair_test_columns(pairs_text, *tests) : pairs_text);
    table("fst_matrix.tsv", fst_matrix(pairs, data_.catalogue));
    if (sites != nullptr) table("km_matrix.tsv", km_matrix(pairs, data_.catalogue));
    return pairs;
}

PermutationResult Sections::groups(int permutations, RandomGenerator& random, Progress& progress) {
    const GroupTables groups = analyse_groups(data_);
    print("\n\nDoing Group Statistics...\n");
    AppendFile stats(outputs_.stats_path);
    stats.write(GROUP_TITLE);
    for (std::size_t g = 0; g < groups.tables.size(); ++g) {
        print(group_console_line(groups.groups, g));
        print(table_warnings_text(groups.tables[g]));
        stats.write(group_title(groups.groups.names[g]));
        stats.write(set_table_text(groups.tables[g], data_.locus_names));
        write(set_rows("group", groups.groups.names[g], g + 1, groups.tables[g]));
    }
    stats.close();
    PermutationResult test = permutation_test(data_, groups.groups, permutations, random, progress);
    append_to_file(outputs_.stats_path, group_report_text(test.p_values));
    table("group_test.tsv", group_test_table(groups.groups, test));
    return test;
}

}  // namespace phenostat

// Golden-file runs of the all-samples, per-sample and pairwise analyses: the
// built program driven through standard input on the small data sets under
// tests/data/analyses/<case>/, both output files compared byte for byte with
// the expected files (run-header date masked).
//
// No golden file is taken on trust. Each run is also compared with a text
// built here independently of the program's analyses and summary writer:
// - the stats file from the literal reference computation (one table over all
//   rows, one per run of rows, one per pair of runs), each record formatted by
//   the stats file's row writer; pair lines as "\n%s\t%s\t%f" with the
//   distances written out below by hand;
// - the summary file from the tallying rules (first-seen order, 500-phenotype
//   cap, frequencies only for samples with someone typed) applied here to the
//   coded lists of the literal reference;
// - the bytes: CR LF line ends only, no final line end (unless the file ends
//   with a section title), no "nan"/"inf", and no number printed as a minus
//   sign and zeros except where the value is a small negative one.
// A handful of values are checked by hand as well (see each case).
//
// The data of extremes/ and many_phenotypes/ are generated:
// - extremes: samples A (120 individuals) and B (150). L1 cycles {1},{2} in A
//   and {1},{2},{1,2} in B; L2 gives everyone 20
//   consecutive codes (A from 1..40, B from 31..70, written both ways round);
//   L3 cycles nine-digit codes, "007, 999999999" and a missing "0"; L4 gives
//   three codes out of 150 to each individual.
// - many_phenotypes: samples X (300) and Y (240) with two-allele phenotypes
//   from codes 1..40: 520 distinct ones in shuffled order, then repeats of the
//   495th-514th (five of them listed, fifteen beyond the 500 listed).

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "reports/stats_file.h"
#include "base/text.h"
#include "support/e2e.h"
#include "support/literal_reference.h"

namespace phenostat {
namespace {

namespace fs = std::filesystem;
using e2e::read_file;

// ---- The data set as the test reads it ----

struct Run {
    std::string name;
    std::size_t begin = 0;  // first row
    std::size_t end = 0;    // one past the last row
};

struct DataSet {
    std::vector<std::string> locus_names;
    std::vector<literal::Row> rows;
    std::vector<Run> runs;  // maximal runs of equal sample names, in file order
};

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (c == separator)
            parts.emplace_back();
        else
            parts.back().push_back(c);
    }
    return parts;
}

fs::path case_dir(const std::string& case_name) { return fs::path(PHENOSTAT_TEST_DATA) / "analyses" / case_name; }

// The test files are plain LF text ending with a line end.
DataSet read_data_set(const std::string& case_name) {
    std::vector<std::string> lines = split(read_file(case_dir(case_name) / "data.txt"), '\n');
    lines.pop_back();
    DataSet data;
    const std::vector<std::string> header = split(lines.at(0), '\t');
    data.locus_names.assign(header.begin() + 3, header.end());
    for (std::size_t r = 1; r < lines.size(); ++r) {
        const std::vector<std::string> fields = split(lines[r], '\t');
        data.rows.push_back(literal::Row{fields.at(1), {fields.begin() + 3, fields.end()}});
        const std::size_t row = data.rows.size() - 1;
        if (data.runs.empty() || data.runs.back().name != fields[1]) data.runs.push_back(Run{fields[1], row, row});
        data.runs.back().end = row + 1;
    }
    return data;
}

std::vector<literal::Row> rows_of(const DataSet& data, const Run& run) {
    return {data.rows.begin() + static_cast<std::ptrdiff_t>(run.begin),
            data.rows.begin() + static_cast<std::ptrdiff_t>(run.end)};
}

// ---- The stats file, from the literal reference ----

std::string table_text(const DataSet& data, const literal::TableStats& table) {
    std::string out = stats_header_line();
    for (std::size_t i = 0; i < table.loci.size(); ++i) out += stats_row(table.loci[i], data.locus_names[i]);
    return out + stats_row(table.average, "Average across Loci");
}

struct Expected {
    std::string text;   // with "\n" line ends
    int warnings = 0;   // "Warning no pairs within" on the console
};

void add_all_samples(const DataSet& data, Expected& expected) {
    const literal::TableStats table = literal::compute_table(data.rows, data.locus_names.size());
    expected.text += "\n\n\t****Statistics calculated across all samples****\n" + table_text(data, table);
    expected.warnings += table.warnings;
}

void add_per_sample(const DataSet& data, Expected& expected) {
    expected.text +=
        "\n\n\t****Statistics calculated for each sample individually****"
        "\n\n(note that F'st and other inter-sample statistics cannot be calculated for single samples,"
        "\nand that overall diversity=within sample diversity for a single sample)";
    for (const Run& run : data.runs) {
        const literal::TableStats table = literal::compute_table(rows_of(data, run), data.locus_names.size());
        expected.text += "\n\nSample " + run.name + table_text(data, table);
        expected.warnings += table.warnings;
    }
}

// The pair's runs as a two-sample data set (each run its own sample, even
// when both bear the same name), averaged across loci.
double pair_fst(const DataSet& data, const Run& first, const Run& second, int& warnings) {
    std::vector<LocusStats> records;
    std::vector<long long> weights;
    for (std::size_t locus = 0; locus < data.locus_names.size(); ++locus) {
        const std::vector<std::vector<int>> lists = {literal::code_locus(rows_of(data, first), locus).at(0),
                                                     literal::code_locus(rows_of(data, second), locus).at(0)};
        long long typed = 0;
        for (int n : literal::count_typed_individuals(lists)) typed += n;
        records.push_back(literal::compute_locus_stats(lists, &warnings));
        weights.push_back(typed);
    }
    return literal::average_across_loci(records, weights).fst_unshared;
}

// `distances`: one text per pair in pair order ("111.319456", "NA"), or none.
void add_pairwise(const DataSet& data, const std::optional<std::vector<std::string>>& distances,
                  Expected& expected) {
    expected.text += "\n\n\t****Pairwise F'st (unshared alleles) ****\n\n";
    std::size_t pair = 0;
    for (std::size_t i = 0; i < data.runs.size(); ++i) {
        for (std::size_t j = i + 1; j < data.runs.size(); ++j, ++pair) {
            const double fst = pair_fst(data, data.runs[i], data.runs[j], expected.warnings);
            expected.text += strprintf("\n%s\t%s\t%f", data.runs[i].name.c_str(), data.runs[j].name.c_str(), fst);
            if (distances) expected.text += "\t" + distances->at(pair);
        }
    }
    if (distances) {
        EXPECT_EQ(pair, distances->size()) << "one distance per pair";
    }
}

// ---- The summary file, from the tallying rules ----

using Phenotype = std::vector<int>;

// The typed individuals of each sample: their codes, without the markers.
std::vector<std::vector<Phenotype>> individuals_of(const std::vector<std::vector<int>>& lists) {
    std::vector<std::vector<Phenotype>> samples;
    for (const std::vector<int>& list : lists) {
        samples.emplace_back();
        Phenotype current;
        for (int entry : list) {
            if (entry == literal::SAMPLE_END) break;
            if (entry == literal::PHENOTYPE_END) {
                samples.back().push_back(current);
                current.clear();
            } else {
                current.push_back(entry);
            }
        }
    }
    return samples;
}

// One table: the "Over all Samples" row and one row per sample; `count_of`
// gives an item's count among some individuals. Frequencies divide by the
// number typed and are left out for a sample with nobody typed.
template <typename Item, typename CountOf>
std::string table_rows(const std::vector<std::vector<Phenotype>>& samples, const DataSet& data,
                       const std::vector<Item>& items, CountOf count_of, bool frequencies) {
    std::vector<Phenotype> everyone;
    for (const auto& sample : samples) everyone.insert(everyone.end(), sample.begin(), sample.end());
    std::string out = "\nOver all Samples";
    for (const Item& item : items)
        out += strprintf("\t%f", frequencies ? count_of(everyone, item) / static_cast<double>(everyone.size())
                                             : count_of(everyone, item));
    for (std::size_t s = 0; s < samples.size(); ++s) {
        out += "\n" + data.runs[s].name;
        if (frequencies && samples[s].empty()) continue;
        for (const Item& item : items)
            out += strprintf("\t%f", frequencies ? count_of(samples[s], item) / static_cast<double>(samples[s].size())
                                                 : count_of(samples[s], item));
    }
    return out;
}

std::string summary_block(const DataSet& data, std::size_t locus) {
    const std::vector<std::vector<Phenotype>> samples = individuals_of(literal::code_locus(data.rows, locus));
    std::vector<int> alleles;
    std::vector<Phenotype> phenotypes;
    for (const auto& sample : samples) {
        for (const Phenotype& p : sample) {
            for (int code : p)
                if (std::find(alleles.begin(), alleles.end(), code) == alleles.end()) alleles.push_back(code);
            if (phenotypes.size() < 500 && std::find(phenotypes.begin(), phenotypes.end(), p) == phenotypes.end())
                phenotypes.push_back(p);
        }
    }
    const auto carriers = [](const std::vector<Phenotype>& who, int code) {
        double n = 0;
        for (const Phenotype& p : who) n += static_cast<double>(std::count(p.begin(), p.end(), code));
        return n;
    };
    const auto having = [](const std::vector<Phenotype>& who, const Phenotype& phenotype) {
        return static_cast<double>(std::count(who.begin(), who.end(), phenotype));
    };
    std::string allele_header = "\n";
    for (int code : alleles) allele_header += strprintf("\t%i", code);
    std::string phenotype_header = "\n";
    for (std::size_t place = 0; place < 500; ++place) {
        phenotype_header += "\t";
        if (place < phenotypes.size())
            for (int code : phenotypes[place]) phenotype_header += strprintf("%i,", code);
    }
    return "\n\n\n\t\t****\t*****\t****\t  \n\t\t****\tLocus " + data.locus_names[locus] +
           "\t****\t  \n\t\t****\t*****\t*****" +
           "\n\n\t\tAllele-Carrier Counts (The number of individuals seen carrying each allele)" + allele_header +
           table_rows(samples, data, alleles, carriers, false) +
           "\n\n\t\tCarrier frequencies (The proportion of individuals carrying each allele)" + allele_header +
           table_rows(samples, data, alleles, carriers, true) +
           "\n\n\t\tPhenotype Counts (The number of individuals seen carrying each phenotype)" + phenotype_header +
           table_rows(samples, data, phenotypes, having, false) +
           "\n\n\t\tPhenotype Frequencies (The proportion of individuals seen carrying each phenotype)" +
           phenotype_header + table_rows(samples, data, phenotypes, having, true);
}

// ---- File bytes ----

std::string with_crlf(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out.push_back('\r');
        out.push_back(c);
    }
    return out;
}

std::string run_header() {
    return "***************************\n*    This is PHENOSTAT    *\n***************************\n\n"
           "\nCalculated from data.txt on <DATE>\n";
}

bool ends_with(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::size_t count_of(const std::string& text, const std::string& piece) {
    std::size_t n = 0;
    for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++n;
    return n;
}

// Numbers written as a minus sign and nothing but zeros ("-0.000", "-0.000000").
std::size_t signed_zero_texts(const std::string& bytes) {
    std::size_t n = 0;
    for (std::size_t at = bytes.find("-0."); at != std::string::npos; at = bytes.find("-0.", at + 1)) {
        std::size_t end = at + 3;
        while (end < bytes.size() && bytes[end] == '0') ++end;
        if (end == bytes.size() || bytes[end] < '0' || bytes[end] > '9') ++n;
    }
    return n;
}

// `signed_zeros`: how many numbers may print as "-0.000..." (small negative
// values); `line_end_last`: the file ends with a section title's line ends.
void expect_clean_bytes(const std::string& bytes, std::size_t signed_zeros = 0, bool line_end_last = false) {
    for (std::size_t at = 0; at < bytes.size(); ++at) {
        const bool lf_after_cr = bytes[at] != '\n' || (at > 0 && bytes[at - 1] == '\r');
        const bool cr_before_lf = bytes[at] != '\r' || (at + 1 < bytes.size() && bytes[at + 1] == '\n');
        ASSERT_TRUE(lf_after_cr && cr_before_lf) << "a line end other than CR LF at byte " << at;
    }
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(bytes.back() == '\n', line_end_last) << "only a title ends with a line end";
    EXPECT_EQ(bytes.find("nan"), std::string::npos);
    EXPECT_EQ(bytes.find("inf"), std::string::npos);
    EXPECT_EQ(signed_zero_texts(bytes), signed_zeros);
}

// ---- Running a case ----

struct CaseRun {
    int exit_status = -1;
    std::string stdout_bytes;
    std::string stats;    // header dates masked
    std::string summary;
};

// Runs the binary on analyses/<case>/data.txt (and coords.txt) with the bytes
// of stdin<variant>.txt, and compares the files with expected_stats<variant>
// and expected_summary<variant> (and the console with expected_stdout<variant>
// when `with_stdout`).
CaseRun run_case(const std::string& case_name, const std::string& variant = "", bool with_stdout = false) {
    e2e::TempDir dir;
    const std::string relative = "analyses/" + case_name;
    e2e::copy_test_data(relative + "/data.txt", dir.path());
    if (fs::exists(case_dir(case_name) / "coords.txt")) e2e::copy_test_data(relative + "/coords.txt", dir.path());
    e2e::RunRequest request;
    request.stdin_bytes = read_file(case_dir(case_name) / ("stdin" + variant + ".txt"));
    const e2e::RunResult result = e2e::run_phenostat(dir.path(), request);
    EXPECT_EQ(result.stderr_bytes, "");
    CaseRun run{result.exit_status, result.stdout_bytes, e2e::mask_header_dates(read_file(dir / "out_stats.txt")),
                e2e::mask_header_dates(read_file(dir / "out_summary.txt"))};
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_TRUE(e2e::matches_golden(relative, "stats" + variant, run.stats));
    EXPECT_TRUE(e2e::matches_golden(relative, "summary" + variant, run.summary));
    if (with_stdout) {
        EXPECT_TRUE(e2e::matches_golden(relative, "stdout" + variant, run.stdout_bytes));
    }
    return run;
}

// The all-samples and per-sample analyses: both files against the
// independent texts, the console's no-pairs warnings counted.
void expect_independent_texts(const std::string& case_name, const CaseRun& run, std::size_t signed_zeros = 0) {
    const DataSet data = read_data_set(case_name);
    Expected expected;
    add_all_samples(data, expected);
    add_per_sample(data, expected);
    EXPECT_EQ(run.stats, with_crlf(run_header() + expected.text))
        << e2e::describe_difference(with_crlf(run_header() + expected.text), run.stats);
    std::string summary = run_header();
    for (std::size_t locus = 0; locus < data.locus_names.size(); ++locus) summary += summary_block(data, locus);
    EXPECT_EQ(run.summary, with_crlf(summary)) << e2e::describe_difference(with_crlf(summary), run.summary);
    EXPECT_EQ(count_of(run.stdout_bytes, "\nWarning no pairs within"), static_cast<std::size_t>(expected.warnings));
    expect_clean_bytes(run.stats, signed_zeros);
    expect_clean_bytes(run.summary);
}

// The pairwise analysis alone: the stats file against the independent text,
// the summary file holding its header only.
void expect_pairwise_text(const std::string& case_name, const CaseRun& run,
                          const std::optional<std::vector<std::string>>& distances) {
    const DataSet data = read_data_set(case_name);
    Expected expected;
    add_pairwise(data, distances, expected);
    EXPECT_EQ(run.stats, with_crlf(run_header() + expected.text))
        << e2e::describe_difference(with_crlf(run_header() + expected.text), run.stats);
    EXPECT_EQ(run.summary, with_crlf(run_header()));
    EXPECT_EQ(count_of(run.stdout_bytes, "\nWarning no pairs within"), static_cast<std::size_t>(expected.warnings));
    expect_clean_bytes(run.stats, 0, data.runs.size() < 2);
}

// The 44 tab-separated fields of the rows of the table that follows `title`
// (up to the next empty line), the header line excluded.
std::vector<std::vector<std::string>> table_after(const std::string& stats, const std::string& title) {
    const std::size_t start = stats.find(title);
    if (start == std::string::npos) return {};
    const std::vector<std::string> lines = split(stats.substr(start + title.size()), '\n');
    std::vector<std::vector<std::string>> rows;
    bool in_table = false;
    for (std::size_t i = 1; i < lines.size(); ++i) {  // lines[0] ends the title
        std::string line = lines[i];
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("Locus\t", 0) == 0) {
            in_table = true;
            continue;
        }
        if (line.empty() && in_table) break;
        if (in_table) rows.push_back(split(line, '\t'));
    }
    return rows;
}

// ---- All samples and per sample ----

// One locus; samples P {1},{1},{2} and Q {3}. Checked by hand against the
// worked example: alleles and phenotypes seen 3.000, per sample 1.750;
// unshared within 1.333, across 1.667, F'st 0.200; Shannon-Weaver within
// 0.477 (0.75 x 0.6365), across 1.040 (1.0397), F'st 0.541; p(1-p) within
// 0.333, across 0.625, F'st 0.467; shared within 0.333, between 0.000,
// unshared between 2.000, shared across 0.167; PsLD (2/3 x 1/3)^2 =
// 0.0493827; carrier frequencies across mean 0.3333333, variance 0.0138889,
// max 0.5, min 0.25; within mean 0.625, variance 0.0208333, max 0.75, min 0.5.
// Column 5 of the average row is 1.750 (the locus is variable). Per sample:
// Q has one individual (no pairs within: one console warning, PsLD not
// calculable, nothing polymorphic), P gives PsLD 0.0493827 again.
TEST(AnalysesGolden, WorkedExampleOneLocus) {
    const CaseRun run = run_case("worked_example", "", true);
    expect_independent_texts("worked_example", run);
    const auto all = table_after(run.stats, "****Statistics calculated across all samples****");
    ASSERT_EQ(all.size(), 2u);
    const std::vector<std::string> l1 = split(
        "L1\t3.000\t1.750\t3.000\t1.750\t0.000\t1.333\t1.667\t0.200\t0.477\t1.040\t0.541\t0.333\t0.625\t0.467"
        "\t1.000\t0.000\t1.000\t1.000\t1.000\t0.000\t0.333\t0.000\t2.000\t0.167\t1.000\t1.000\t0.0493827"
        "\t0.3333333\t0.0138889\t0.5000000\t0.2500000\t0.6250000\t0.0208333\t0.7500000\t0.5000000"
        "\t0.3333333\t0.0138889\t0.5000000\t0.2500000\t0.6250000\t0.0208333\t0.7500000\t0.5000000",
        '\t');
    ASSERT_EQ(l1.size(), 44u);
    EXPECT_EQ(all[0], l1);
    std::vector<std::string> average = l1;
    average[0] = "Average across Loci";
    average[5] = "1.750";
    EXPECT_EQ(all[1], average);
    const auto q = table_after(run.stats, "Sample Q");
    ASSERT_EQ(q.size(), 2u);
    EXPECT_EQ(q[0][6], "0.000");   // unshared within: no pair
    EXPECT_EQ(q[0][25], "0.000");  // not polymorphic
    EXPECT_EQ(q[0][26], "0.000");  // PsLD not calculable
    const auto p = table_after(run.stats, "Sample P");
    ASSERT_EQ(p.size(), 2u);
    EXPECT_EQ(p[0][27], "0.0493827");
    EXPECT_EQ(count_of(run.stdout_bytes, "\nWarning no pairs within"), 1u);
    EXPECT_NE(run.stdout_bytes.find("\n\nWorking with locus L1\nThe total number of individuals sampled for this "
                                    "locus is 4\n\n Doing per-sample stats\nWarning no pairs within"),
              std::string::npos);
    // Summary, by hand: carriers of 1, 2, 3 are 2, 1, 1 overall; frequencies
    // 0.5, 0.25, 0.25; P's are 2/3, 1/3, 0.
    EXPECT_NE(run.summary.find("\r\n\t1\t2\t3\r\nOver all Samples\t0.500000\t0.250000\t0.250000\r\n"
                               "P\t0.666667\t0.333333\t0.000000\r\nQ\t0.000000\t0.000000\t1.000000"),
              std::string::npos);
}

// One sample "Solo", three loci: L1 mixed ({1,2} written "2,1" too, one
// individual missing), L2 {4,5} for everyone (written "5,4" and "4,5,5": one
// phenotype, not polymorphic, PsLD not calculable), L3 typed in one
// individual only (no pairs within, in both analyses). By hand at L1:
// phenotypes {1,2} x2, {1,3}, {2}: p(1-p) = 0.5 x 0.5 + 2 x 0.25 x 0.75 =
// 0.625; unshared alleles over the six pairs 2 + 1 + 0 + 3 + 2 + 1 = 9, so
// 1.500; carriers of 1, 2, 3: 3, 3, 1.
TEST(AnalysesGolden, OneSampleGivesTheSameRowsInBothSections) {
    const CaseRun run = run_case("one_sample", "", true);
    expect_independent_texts("one_sample", run);
    const auto all = table_after(run.stats, "****Statistics calculated across all samples****");
    const auto solo = table_after(run.stats, "Sample Solo");
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(solo, all);
    EXPECT_EQ(all[0][13], "0.625");  // p(1-p) across
    EXPECT_EQ(all[0][6], "1.500");   // unshared within
    EXPECT_EQ(all[0][11], "0.000");  // no F'st with one sample
    EXPECT_EQ(all[1][3], "1.000");   // L2: one phenotype
    EXPECT_EQ(all[1][25], "0.000");
    EXPECT_EQ(all[1][26], "0.000");
    EXPECT_EQ(count_of(run.stdout_bytes, "\nWarning no pairs within"), 2u);
    // With one sample the "Over all Samples" rows and the sample's rows agree.
    EXPECT_NE(run.summary.find("\r\nOver all Samples\t3.000000\t3.000000\t1.000000\r\nSolo\t3.000000\t3.000000\t"
                               "1.000000\r\n"),
              std::string::npos);
}

// Samples A, B, C. L2: nobody in B typed ("", "0"); L3: nobody typed at all
// ("0", "", "-", "?", "a,b", "00"); L4: some missing in each sample.
// A locus typed nowhere has weight 0 in the averages and an all-zero row; its
// summary block lists nothing (500 empty phenotype cells). B's rows at L2:
// zeros in the count tables, its name alone in the frequency tables.
// By hand at L2 (A {3},{3,4},{4}; C {3,4},{3}): carriers of 3 and 4 are
// 4 and 3 of 5; unshared within (1 + 2 + 1 + 1) / 4 = 1.25, between A and C
// 5 / 6, across 10 / 10 = 1, so a negative F'st (1 - 1.25) / 1 = -0.250.
TEST(AnalysesGolden, UntypedSampleAndUntypedLocus) {
    const CaseRun run = run_case("missing", "", true);
    expect_independent_texts("missing", run);
    const auto all = table_after(run.stats, "****Statistics calculated across all samples****");
    ASSERT_EQ(all.size(), 5u);
    for (std::size_t column = 1; column < all[2].size(); ++column)
        EXPECT_EQ(std::stod(all[2][column]), 0.0) << "L3 column " << column;
    EXPECT_EQ(all[1][6], "1.250");
    EXPECT_EQ(all[1][7], "1.000");
    EXPECT_EQ(all[1][8], "-0.250");
    const std::string empty_locus = "\r\n\t\t****\tLocus L3\t****";
    const std::size_t l3 = run.summary.find(empty_locus);
    ASSERT_NE(l3, std::string::npos);
    EXPECT_NE(run.summary.find("\r\n\r\n\t\tAllele-Carrier Counts (The number of individuals seen carrying each "
                               "allele)\r\n\r\nOver all Samples\r\nA\r\nB\r\nC\r\n",
                               l3),
              std::string::npos);
    EXPECT_NE(run.summary.find("\r\n" + std::string(500, '\t') + "\r\nOver all Samples\r\nA\r\nB\r\nC", l3),
              std::string::npos);
    // L2: alleles 3, 4; B has nobody typed.
    EXPECT_NE(run.summary.find("\r\n\t3\t4\r\nOver all Samples\t0.800000\t0.600000\r\nA\t0.666667\t0.666667\r\n"
                               "B\r\nC\t1.000000\t0.500000"),
              std::string::npos);
    EXPECT_NE(run.summary.find("\r\nB\t0.000000\t0.000000\r\nC\t2.000000\t1.000000"), std::string::npos);
}

// Samples A, B, A: the name A recurs, and each run is its own sample (two
// "Sample A" tables, two A rows in the summary, pairs A-B, A-A, B-A).
// Pair F'st by hand (L1; L2 is {5} everywhere, not polymorphic, F'st 0, and
// both loci weigh 4, so the average is half the L1 value):
// - A(1st) {1},{1} with B {1,2},{2}: unshared within 1/2, across 7/6,
//   F'st 4/7, average 0.285714;
// - A(1st) with A(2nd) {3},{3}: within 0, across 8/6, F'st 1, average 0.5;
// - B with A(2nd): within 1/2, across 11/6, F'st 8/11, average 0.363636.
TEST(AnalysesGolden, RecurringSampleName) {
    const CaseRun run = run_case("recurring", "", true);
    const DataSet data = read_data_set("recurring");
    Expected expected;
    add_all_samples(data, expected);
    add_per_sample(data, expected);
    add_pairwise(data, std::nullopt, expected);
    EXPECT_EQ(run.stats, with_crlf(run_header() + expected.text))
        << e2e::describe_difference(with_crlf(run_header() + expected.text), run.stats);
    std::string summary = run_header();
    for (std::size_t locus = 0; locus < data.locus_names.size(); ++locus) summary += summary_block(data, locus);
    EXPECT_EQ(run.summary, with_crlf(summary));
    expect_clean_bytes(run.stats);
    expect_clean_bytes(run.summary);
    EXPECT_EQ(count_of(run.stats, "\r\n\r\nSample A\r\n"), 2u);
    EXPECT_NE(run.stats.find("\r\n\r\n\t****Pairwise F'st (unshared alleles) ****\r\n\r\n\r\nA\tB\t0.285714\r\n"
                             "A\tA\t0.500000\r\nB\tA\t0.363636"),
              std::string::npos);
    EXPECT_TRUE(ends_with(run.stats, "\r\nB\tA\t0.363636"));
}

// Negative F'st and large values: 20-code phenotypes (up to 40 unshared
// alleles between two individuals, PsLD far above 1), nine-digit codes, 150
// alleles. By hand at L2: 70 alleles (A 1..40, B 31..70), 5 phenotypes of
// 20 codes (size variance 0), phenotypes per sample (120 x 3 + 150 x 2) / 270
// = 2.444. Sample B alone at L2 (75 + 75 individuals in two disjoint windows):
// unshared within 40 x 75 x 75 / (150 x 149 / 2) = 20.134, and every one of
// its 780 allele pairs adds (0.25 - 0.5)^2 or (0.25 - 0)^2 to PsLD: 48.7500000.
// L3 and L4 have a slightly negative unshared F'st.
TEST(AnalysesGolden, NegativeAndLargeValues) {
    const CaseRun run = run_case("extremes");
    expect_independent_texts("extremes", run);
    const auto all = table_after(run.stats, "****Statistics calculated across all samples****");
    ASSERT_EQ(all.size(), 5u);
    EXPECT_EQ(all[1][1], "70.000");
    EXPECT_EQ(all[1][3], "5.000");
    EXPECT_EQ(all[1][4], "2.444");
    EXPECT_EQ(all[1][19], "20.000");  // L2: every phenotype holds 20 codes
    EXPECT_EQ(all[1][20], "0.000");
    EXPECT_EQ(all[1][17], "20.000");
    EXPECT_EQ(all[2][8], "-0.005");  // L3
    EXPECT_EQ(all[3][1], "150.000");  // L4
    const auto b = table_after(run.stats, "Sample B");
    ASSERT_EQ(b.size(), 5u);
    EXPECT_EQ(b[1][6], "20.134");
    EXPECT_EQ(b[1][27], "48.7500000");
    // L3: codes in first-seen order, each phenotype's codes ascending ("007" is 7).
    EXPECT_NE(run.summary.find("\r\n\t999999999\t123456789\t7\t100000000\r\nOver all Samples\t"),
              std::string::npos);
    EXPECT_NE(run.summary.find("\r\n\t999999999,\t123456789,999999999,\t7,999999999,\t7,100000000,123456789,\t\t"),
              std::string::npos);
}

// 540 individuals with 520 distinct phenotypes: only the first 500 are
// listed and counted (phenotypes seen 500.000; the phenotype header lines
// hold 500 cells; the overall phenotype counts hold 500 first occurrences and
// five repeats, 505 of the 540 individuals).
// The unshared F'st here is really negative but small: within 3.805331,
// across 3.804549, F'st -0.000206, printed "-0.000" (twice: the locus row and
// the average row).
TEST(AnalysesGolden, MoreThan500Phenotypes) {
    const CaseRun run = run_case("many_phenotypes");
    expect_independent_texts("many_phenotypes", run, 2);
    const DataSet data = read_data_set("many_phenotypes");
    const literal::TableStats table = literal::compute_table(data.rows, 1);
    EXPECT_NEAR(table.loci[0].fst_unshared, -0.000206, 5e-7);
    const auto all = table_after(run.stats, "****Statistics calculated across all samples****");
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0][3], "500.000");
    EXPECT_EQ(all[0][8], "-0.000");
    const std::string header = "\r\n\t\tPhenotype Counts (The number of individuals seen carrying each phenotype)\r\n";
    const std::size_t at = run.summary.find(header);
    ASSERT_NE(at, std::string::npos);
    const std::size_t end = run.summary.find("\r\n", at + header.size());
    const std::string cells = run.summary.substr(at + header.size(), end - at - header.size());
    EXPECT_EQ(count_of(cells, "\t"), 500u);
    EXPECT_EQ(count_of(cells, ","), 1000u);  // 500 two-allele phenotypes, a comma after each code
    // Over all samples: 500 listed phenotypes, each once, plus five repeats.
    const std::size_t over = run.summary.find("\r\nOver all Samples", end);
    const std::string row = run.summary.substr(over, run.summary.find("\r\n", over + 2) - over);
    EXPECT_EQ(count_of(row, "\t1.000000"), 495u);
    EXPECT_EQ(count_of(row, "\t2.000000"), 5u);
}

// ---- Pairwise ----

// One sample: no pairs, the section title alone, with distances off
// ("n" at the coordinates question) and on (the one pair is echoed).
TEST(AnalysesGolden, PairwiseOneSampleGivesTheTitleOnly) {
    const std::string title_only =
        with_crlf(run_header() + "\n\n\t****Pairwise F'st (unshared alleles) ****\n\n");
    CaseRun run = run_case("pairwise_one_sample");
    EXPECT_EQ(run.stats, title_only);
    expect_pairwise_text("pairwise_one_sample", run, std::nullopt);
    run = run_case("pairwise_one_sample", "_distances", true);
    EXPECT_EQ(run.stats, title_only);
    EXPECT_NE(run.stdout_bytes.find("\nOnly\tlong 10.500000, lat 45.250000\nAre these correct? if not quit and alter "
                                    "the order of lon/lat data\npress <return> to continue"),
              std::string::npos);
}

// P {1},{1},{2}; Q {3}; R {1,3},{1,3}: lines P-Q, P-R, Q-R in that order.
// F'st by hand: P-Q is the worked example, 0.2; P-R: unshared within 4 over 4
// pairs = 1, across (4 + 10) / 10 = 1.4, F'st 0.4 / 1.4 = 0.285714; Q-R:
// within 0, across 2 / 3, F'st 1. Sites P (0, 0), Q (1, 0), R (0, 1)
// (longitude, latitude): P-Q from Q to P 111.319456 and P-R 110.574361 (the
// reference values), Q-R 156.899524 (checked against an independent
// implementation of Vincenty's formula in its usual series form).
TEST(AnalysesGolden, PairwiseThreeSamples) {
    CaseRun run = run_case("pairwise_three");
    expect_pairwise_text("pairwise_three", run, std::nullopt);
    EXPECT_NE(run.stats.find("\r\n\r\nP\tQ\t0.200000\r\nP\tR\t0.285714\r\nQ\tR\t1.000000"), std::string::npos);
    EXPECT_NE(run.stdout_bytes.find("\n\nDoing pairwise F'st\n\tP vs. Q\n\tP vs. R\n\tQ vs. R"), std::string::npos);

    run = run_case("pairwise_three", "_distances", true);
    expect_pairwise_text("pairwise_three", run, std::vector<std::string>{"111.319456", "110.574361", "156.899524"});
    EXPECT_NE(run.stats.find("\r\n\r\nP\tQ\t0.200000\t111.319456\r\nP\tR\t0.285714\t110.574361\r\n"
                             "Q\tR\t1.000000\t156.899524"),
              std::string::npos);
}

// Sites S (-5, 50), T (-3, 58), U (-5, 50) written "-5.0 5e1", W (0, 0),
// V (180, 0). S-T goes from T to S and T-U from U to T: 899.937424 both ways;
// S-U are identical sites, 0.000000; W-V are antipodal: NA and a console
// warning naming the pair. The other distances were checked against an
// independent implementation of Vincenty's formula (to 1e-6 km).
TEST(AnalysesGolden, PairwiseReferenceDistancesIdenticalAndAntipodalSites) {
    const CaseRun run = run_case("pairwise_distances", "", true);
    expect_pairwise_text("pairwise_distances", run,
                         std::vector<std::string>{"899.937424", "0.000000", "5561.302231", "14442.802321",
                                                  "899.937424", "6436.771429", "13567.190083", "5561.302231",
                                                  "14442.802321", "NA"});
    EXPECT_TRUE(ends_with(run.stats, "\r\nW\tV\t0.454545\tNA"));
    EXPECT_EQ(count_of(run.stdout_bytes, "nearly antipodal"), 1u);
    EXPECT_NE(run.stdout_bytes.find("\nWarning: no distance could be calculated between W and V"), std::string::npos);
}

// The coordinates file holds two pairs and a lone token for three samples:
// R has no site, its lines get NA, and the console says why.
TEST(AnalysesGolden, PairwiseShortCoordinatesFile) {
    const CaseRun run = run_case("pairwise_short_coords", "", true);
    expect_pairwise_text("pairwise_short_coords", run, std::vector<std::string>{"111.319456", "NA", "NA"});
    EXPECT_NE(run.stdout_bytes.find("\nR\tno coordinates"), std::string::npos);
    EXPECT_NE(run.stdout_bytes.find("\n\nWarning: the coordinates file holds 2 pairs for 3 samples"),
              std::string::npos);
}

}  // namespace
}  // namespace phenostat

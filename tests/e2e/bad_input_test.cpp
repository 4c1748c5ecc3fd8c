// The bad-input catalogue, end to end on the built program: for every kind of
// damaged data file, coordinates file, answer script or output path, the exit
// status, the console message, and the exact bytes of both output files. The
// output files are filled with earlier bytes before each run; those must still
// stand untouched at their start afterwards (the program only appends).
//
// Every run answers the whole dialogue (all four analyses where the case
// allows, 5 permutations) under a fixed clock, so the run headers and the
// permutation test's seed are the same on every run.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "support/e2e.h"

namespace phenostat {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using e2e::read_file;
using e2e::write_file;

constexpr const char* CLOCK = "2026-12-05 22:00:08";
constexpr const char* HEADER_DATE = "Sat Dec 05 22:00:08 2026";
// Bytes an earlier run (or the user) left in the output files.
const std::string EARLIER = "earlier results\r\n\t0.500\0\xff\x1a\r\nend"s;

constexpr const char* END_OF_INPUT = "\n\nEnd of input while waiting for an answer: exiting.";
constexpr const char* LISTING_END = "\nDoes the information above look correct?";
constexpr const char* FINISHED = "\n\nFINISHED\n\nStatistics have been recorded in out_stats.txt\n"
                                 "allele/phenotype frequencies in out_summary.txt\n\npress <enter> to exit";
constexpr const char* PERMUTATION_PROMPT = "\nHow many permutations do you wish to use?";
constexpr const char* INVALID_NUMBER = "\nWARNING: you did not enter a valid number\n";

// After "data.txt\nout\n": every analysis, no distances, 5 permutations, the
// listing's Enter and the final Enter.
constexpr const char* ALL = "y\ny\ny\n\ny\n5\n\n\n";
constexpr const char* ALL_WITH_COORDINATES = "y\ny\ny\ncoords.txt\ny\n5\n\n\n\n";

// A small data set on which every analysis runs: two groups of two samples.
const std::string HEADER_LINE = "Group\tSample\tId\tL1\tL2\n";
const std::string BASE_ROWS = "G1\tA\t1\t1,2\t3\n"
                              "G1\tA\t2\t2\t3,4\n"
                              "G1\tB\t3\t1\t4\n"
                              "G2\tC\t4\t1\t\n"
                              "G2\tC\t5\t1,2\t4\n"
                              "G2\tD\t6\t3\t3\n";

std::string run_header() {
    return std::string("***************************\r\n*    This is PHENOSTAT    *\r\n***************************\r\n"
                       "\r\n\r\nCalculated from data.txt on ") +
           HEADER_DATE + "\r\n";
}

std::string repeated(const std::string& piece, std::size_t times, const std::string& separator = "") {
    std::string text;
    for (std::size_t i = 0; i < times; ++i) text += (i ? separator : "") + piece;
    return text;
}

std::string numbers(std::size_t first, std::size_t count, const std::string& separator) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) text += (i ? separator : "") + std::to_string(first + i);
    return text;
}

// Bytes of every value, from a fixed linear congruential sequence; with
// `without` set, that byte value is replaced by 'x'.
std::string garbage(std::size_t size, int without = -1) {
    std::string bytes(size, '\0');
    std::uint32_t state = 12345;
    for (char& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<char>(state >> 23);
        if (static_cast<unsigned char>(byte) == without) byte = 'x';
    }
    return bytes;
}

// One data line per distinct allele code at L1: 201 codes, the last one too many.
std::string rows_with_distinct_codes(std::size_t count) {
    std::string rows;
    for (std::size_t i = 1; i <= count; ++i) rows += "G1\tA\t" + std::to_string(i) + "\t" + std::to_string(i) + "\t1\n";
    return rows;
}

// A few hundred kilobytes that would make a table of 9e10 locus-sample cells:
// 300,000 tabs on the header line over 300,000 lines that alternate between
// two sample names, so that every line is a sample of its own.
std::string huge_sparse_table() {
    std::string text = repeated("\t", 300000) + "\n";
    for (int line = 0; line < 300000; ++line) text += line % 2 ? "\tb\n" : "\ta\n";
    return text;
}

// What an output file must hold after the run.
enum class Output {
    golden,         // EARLIER + the golden file tests/data/bad_input/<case>/expected_<stats|summary>.txt
    header,         // EARLIER + the run header
    earlier,        // EARLIER alone: never written
    not_prefilled,  // not created beforehand (a directory or a missing folder stands there)
};

struct Case {
    std::string name;
    std::vector<std::pair<std::string, std::string>> files;  // created in the run's directory
    std::string stdin_bytes;
    int exit_status;
    std::vector<std::string> console;  // texts the console shows, in this order
    std::string console_end;           // the console's last bytes
    Output stats = Output::golden;
    Output summary = Output::golden;
    std::vector<std::string> directories = {};  // created in the run's directory
};

Case data_case(std::string name, std::string data, int exit_status, std::vector<std::string> console,
               std::string console_end, Output outputs) {
    return Case{std::move(name), {{"data.txt", std::move(data)}},  std::string("data.txt\nout\n") + ALL,
                exit_status,     std::move(console),               std::move(console_end),
                outputs,         outputs};
}

Case stopped(std::string name, std::string data, std::vector<std::string> console, std::string message) {
    return data_case(std::move(name), std::move(data), 1, std::move(console), std::move(message), Output::header);
}

Case completed(std::string name, std::string data, std::vector<std::string> console) {
    return data_case(std::move(name), std::move(data), 0, std::move(console), FINISHED, Output::golden);
}

std::vector<Case> data_file_cases() {
    const std::string NO_DATA_LINE =
        "\n\nThe data file data.txt holds no data line (only a header, or nothing): nothing to analyse.";
    const std::string one_mb(1 << 20, 'x');
    return {
        stopped("empty_file", "", {"\nFile data.txt seems to contain\n\t-1 individuals,\n\t0 columns (-3 loci)"},
                NO_DATA_LINE),
        stopped("header_only", HEADER_LINE, {"\n\t0 individuals,\n\t5 columns (2 loci)"}, NO_DATA_LINE),
        stopped("no_locus_column", "Group\tSample\tId\nG1\tA\t1\nG1\tA\t2\n", {"\n\t2 individuals,\n\t3 columns (0 loci)"},
                "\n\nThe data file data.txt has no locus column (loci start in the fourth column): nothing to "
                "analyse."),
        stopped("tabs_without_line_feeds", "Group\tSample\tId\tL1\rG1\tA\t1\t1\rG1\tA\t2\t2\r",
                {"\n\t-1 individuals,\n\t10 columns (7 loci)"},
                NO_DATA_LINE + "\nNo line feed was found in it: lines must end in LF or CR LF (CR alone does not "
                               "end a line)."),
        // Random bytes: a byte 26 ends the text early, before any line with three tabs.
        stopped("binary_garbage", garbage(4096), {"\n\t2 individuals,\n\t0 columns (-3 loci)"},
                "\n\nThe data file data.txt has no locus column (loci start in the fourth column): nothing to "
                "analyse."),
        // The same without byte 26: eighteen lines of noise, analysed like any data.
        completed("binary_garbage_without_byte_26", garbage(4096, 26),
                  {"\n\t18 individuals,\n\t5 columns (2 loci), with the widest field being\n\t1196 characters wide"}),
        // A NUL ends the text of its locus name, sample name or cell.
        completed("nul_bytes",
                  "Group\tSample\tId\tL1\0hidden\tL2\nG1\tA\0hidden\t1\t1,2\t3\nG1\tA\t2\t2\0,7\t3,4\nG2\tC\t3\t1\t4\n"s,
                  {"\n\t3 individuals,\n\t5 columns (2 loci)", "\n\tL1,\n\tL2,", "\n\t\n\tA\n\tC\n"}),
        // Byte 255 is an ordinary byte; byte 26 ends the file (here inside the last line, which still counts).
        completed("bytes_26_and_255",
                  HEADER_LINE + "G1\tCaf\xff\t1\t1\xff,2\t3\nG1\tB\t2\t2\t\xff\nG2\tC\t3\t1\t4\x1a\t5\nG2\tD\t4\t1\t4\n",
                  {"\n\t3 individuals,", "\n\tCaf\xff\n\tB\n\tC\n"}),
        // A 1 MB field: its letters throw the digits away; the 7 after the comma counts.
        completed("one_megabyte_field", HEADER_LINE + "G1\tA\t1\t12" + one_mb + ",7\t3\n" + BASE_ROWS,
                  {"\n\t7 individuals,\n\t5 columns (2 loci), with the widest field being\n\t1048581 characters wide"}),
        // 100,000 codes in one cell, all the same allele: one code, no limit on the field.
        completed("hundred_thousand_codes", HEADER_LINE + "G1\tA\t1\t" + repeated("5", 100000, ",") + "\t3\n" + BASE_ROWS,
                  {"\n\t7 individuals,"}),
        stopped("hundred_thousand_distinct_codes", HEADER_LINE + BASE_ROWS + "G2\tD\t7\t" + numbers(1, 100000, ",") + "\t3\n",
                {"\n\t7 individuals,"},
                "\n\nLocus L1, line 8 of the data file: an individual has more than 20 distinct allele codes; this "
                "version handles at most 20 alleles per phenotype."),
        stopped("two_hundred_one_alleles", HEADER_LINE + rows_with_distinct_codes(201), {"\n\t201 individuals,"},
                "\n\nLocus L1 has more than 200 distinct alleles; this version handles at most 200 alleles per "
                "locus."),
        completed("two_hundred_alleles", HEADER_LINE + rows_with_distinct_codes(200) + BASE_ROWS,
                  {"\n\t206 individuals,"}),
        stopped("twenty_one_codes", HEADER_LINE + BASE_ROWS + "G2\tD\t7\t1\t" + numbers(1, 21, ",") + "\n",
                {"\n\t7 individuals,"},
                "\n\nLocus L2, line 8 of the data file: an individual has more than 20 distinct allele codes; this "
                "version handles at most 20 alleles per phenotype."),
        // Twenty codes, written twice over, are one phenotype of 20 alleles; 999999999 is the largest code.
        completed("twenty_codes_and_largest_code",
                  HEADER_LINE + BASE_ROWS + "G2\tD\t7\t999999999\t" + numbers(1, 20, ",") + "," + numbers(1, 20, ",") + "\n",
                  {"\n\t7 individuals,"}),
        stopped("ten_digit_code", HEADER_LINE + "G1\tA\t1\t1\t2\nG1\tA\t2\t1000000000\t2\n", {"\n\t2 individuals,"},
                "\n\nLocus L1, line 3 of the data file: an allele code is larger than 999999999."),
        stopped("four_hundred_digit_code", HEADER_LINE + "G1\tA\t1\t1\t" + repeated("9", 400) + "\n",
                {"\n\t1 individuals,"},
                "\n\nLocus L2, line 2 of the data file: an allele code is larger than 999999999."),
        stopped("table_too_large", huge_sparse_table(), {"\n\t300000 individuals,\n\t300001 columns (299998 loci)"},
                "\n\nThe data file has 299998 loci and 300000 samples: too large a table for this program (at most "
                "10,000,000 locus-sample cells)."),
        // Tabs only: one untyped individual of the empty sample, no group.
        data_case("tabs_only", "\t\t\t\t\n\t\t\t\t\n", 1,
                  {"\n\t1 individuals,\n\t5 columns (2 loci)", "\n\nThe samples are named:\n\t\n\t\n"},
                  "\n\nNo sample belongs to a group: the first column of every sample's first line is empty, so "
                  "there are no groups to compare.",
                  Output::golden),
        completed("recurring_sample_name", HEADER_LINE + BASE_ROWS + "G2\tA\t7\t3\t3,4\n",
                  {"\n\tA\n\tB\n\tC\n\tD\n\tA",
                   "\n\nWarning: the sample name A occurs in more than one run of lines; each run is treated as a "
                   "separate sample."}),
        completed("sample_in_two_groups", HEADER_LINE + BASE_ROWS + "G1\tD\t7\t3\t3,4\n",
                  {"\n\nWarning: the lines of sample D name more than one group; the sample belongs to group G2, "
                   "named on its first line."}),
        completed("locus_untyped_everywhere",
                  HEADER_LINE + "G1\tA\t1\t1,2\t\nG1\tA\t2\t2\t0\nG1\tB\t3\t1\t?\nG2\tC\t4\t1\t-\nG2\tD\t5\t3\t,\n",
                  {"\n\t5 individuals,", "\nThe total number of individuals sampled for this locus is 0"}),
    };
}

// The files and answers around the data: output paths, the data file name,
// the coordinates file and the permutation answers.
std::vector<Case> dialogue_cases() {
    const std::string data = HEADER_LINE + BASE_ROWS;
    const std::string stem_prompt = "\n-> Enter the stem for the output file names: ";
    const std::string input_prompt = "\n-> Enter the name of the input file (including extension): ";
    std::vector<Case> cases = {
        {"stem_in_missing_folder", {{"data.txt", data}}, std::string("data.txt\nmissing/out\n") + ALL, 1,
         {}, stem_prompt + "\nOpening missing/out_stats.txt failed!", Output::not_prefilled, Output::not_prefilled},
        {"stats_file_is_a_directory", {{"data.txt", data}}, std::string("data.txt\nout\n") + ALL, 1,
         {}, stem_prompt + "\nOpening out_stats.txt failed!", Output::not_prefilled, Output::earlier,
         {"out_stats.txt"}},
        {"summary_file_is_a_directory", {{"data.txt", data}}, std::string("data.txt\nout\n") + ALL, 1,
         {}, stem_prompt + "\nOpening out_summary.txt failed!", Output::header, Output::not_prefilled,
         {"out_summary.txt"}},
        // A directory is not a data file: the prompt comes again.
        {"data_file_is_a_directory", {{"data.txt", data}}, std::string("folder\ndata.txt\nout\n") + ALL, 0,
         {input_prompt + input_prompt + stem_prompt}, FINISHED, Output::golden, Output::golden, {"folder"}},
        {"data_file_is_a_directory_then_end_of_input", {}, "folder\n", 1, {input_prompt + input_prompt},
         END_OF_INPUT, Output::not_prefilled, Output::not_prefilled, {"folder"}},
        {"permutation_answers", {{"data.txt", data}},
         "data.txt\nout\ny\ny\ny\n\ny\n0\n-1\n2147483648\n99999999999\nabc\n5\n\n\n", 0,
         {PERMUTATION_PROMPT + std::string("\n(enter an integer > 100):   ") + INVALID_NUMBER, PERMUTATION_PROMPT,
          PERMUTATION_PROMPT, INVALID_NUMBER, PERMUTATION_PROMPT, INVALID_NUMBER, PERMUTATION_PROMPT, INVALID_NUMBER,
          PERMUTATION_PROMPT, "\n\tRandomisation: 4"},
         FINISHED},
    };
    // Coordinates files.
    const std::pair<const char*, std::string> coordinates[] = {
        {"coordinates_empty", ""},
        {"coordinates_short", "-3 59\n39 44\n"},
        {"coordinates_text_tokens", "abc 12abc\n0x1A -5e1\nnan inf\n1e999 45\n"},
        {"coordinates_antipodal", "0 0\n10 10\n180 0\n5 5\n"},
    };
    const std::vector<std::vector<std::string>> echoes = {
        {"\nA\tno coordinates\nB\tno coordinates\nC\tno coordinates\nD\tno coordinates",
         "\nWarning: the coordinates file holds 0 pairs for 4 samples"},
        {"\nA\tlong -3.000000, lat 59.000000\nB\tlong 39.000000, lat 44.000000\nC\tno coordinates\nD\tno coordinates",
         "\nWarning: the coordinates file holds 2 pairs for 4 samples"},
        {"\nA\tlong 0.000000, lat 12.000000\nB\tlong 0.000000, lat -50.000000\nC\tlong 0.000000, lat 0.000000\n"
         "D\tlong inf, lat 45.000000",
         "\nWarning: no distance could be calculated between A and D (a coordinate is not a finite number)"},
        {"\nA\tlong 0.000000, lat 0.000000\nB\tlong 10.000000, lat 10.000000\nC\tlong 180.000000, lat 0.000000",
         "\nWarning: no distance could be calculated between A and C (nearly antipodal sites); it is written as NA"},
    };
    for (std::size_t i = 0; i < std::size(coordinates); ++i) {
        cases.push_back({coordinates[i].first,
                         {{"data.txt", data}, {"coords.txt", coordinates[i].second}},
                         std::string("data.txt\nout\n") + ALL_WITH_COORDINATES,
                         0,
                         echoes[i],
                         FINISHED});
    }
    return cases;
}

// End of input where an answer is needed stops the run; at a pause it goes on.
std::vector<Case> end_of_input_cases() {
    const std::string data = HEADER_LINE + BASE_ROWS;
    const std::pair<const char*, std::string> needed[] = {
        {"end_of_input_at_first_question", "data.txt\nout\n"},
        {"end_of_input_at_second_question", "data.txt\nout\ny\n"},
        {"end_of_input_at_third_question", "data.txt\nout\ny\ny\n"},
        {"end_of_input_at_coordinates_file", "data.txt\nout\ny\ny\ny\n"},
        {"end_of_input_at_coordinates_file_again", "data.txt\nout\ny\ny\ny\nmissing.txt\n"},
        {"end_of_input_at_fourth_question", "data.txt\nout\ny\ny\ny\n\n"},
        {"end_of_input_at_permutations", "data.txt\nout\ny\ny\ny\n\ny\n"},
        {"end_of_input_at_permutations_again", "data.txt\nout\ny\ny\ny\n\ny\nabc\n"},
    };
    std::vector<Case> cases;
    cases.push_back({"end_of_input_at_data_file", {{"data.txt", data}}, "", 1, {}, END_OF_INPUT,
                     Output::not_prefilled, Output::not_prefilled});
    // Before the stem is known nothing is written.
    cases.push_back({"end_of_input_at_stem", {{"data.txt", data}}, "data.txt\n", 1, {}, END_OF_INPUT,
                     Output::earlier, Output::earlier});
    for (const auto& [name, typed] : needed)
        cases.push_back({name, {{"data.txt", data}}, typed, 1, {}, END_OF_INPUT, Output::header, Output::header});
    // The pauses: the listing's Enter, the coordinates check and the final Enter all meet the end of input.
    cases.push_back({"end_of_input_at_the_pauses", {{"data.txt", data}, {"coords.txt", "1 1\n2 2\n3 3\n4 4\n"}},
                     "data.txt\nout\ny\ny\ny\ncoords.txt\ny\n5", 0, {"\npress <return> to continue"}, FINISHED});
    // A stop's wait for Enter meets the end of input too.
    cases.push_back({"end_of_input_at_a_stop", {{"data.txt", HEADER_LINE}}, "data.txt\nout\nn\nn\nn\nn", 1, {},
                     "\n\nThe data file data.txt holds no data line (only a header, or nothing): nothing to analyse.",
                     Output::header, Output::header});
    return cases;
}

std::vector<Case> all_cases() {
    std::vector<Case> cases = data_file_cases();
    for (auto* more : {&dialogue_cases, &end_of_input_cases}) {
        std::vector<Case> extra = more();
        cases.insert(cases.end(), extra.begin(), extra.end());
    }
    return cases;
}

bool ends_with(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The console shows `texts` in this order.
::testing::AssertionResult shows_in_order(const std::string& console, const std::vector<std::string>& texts) {
    std::size_t at = 0;
    for (const std::string& text : texts) {
        const std::size_t found = console.find(text, at);
        if (found == std::string::npos)
            return ::testing::AssertionFailure() << "the console does not show (after byte " << at << "): "
                                                 << e2e::describe_difference(text, console.substr(at, 200));
        at = found + text.size();
    }
    return ::testing::AssertionSuccess();
}

void check_output(const Case& c, const fs::path& dir, const std::string& name, Output expected) {
    SCOPED_TRACE(name);
    const fs::path path = dir / ("out_" + name + ".txt");
    if (expected == Output::not_prefilled) {
        // Whatever stands there (a directory, or nothing) is left as it was.
        EXPECT_FALSE(fs::is_regular_file(path));
        return;
    }
    const std::string bytes = read_file(path);
    ASSERT_EQ(bytes.substr(0, EARLIER.size()), EARLIER) << "the earlier bytes were changed";
    const std::string written = bytes.substr(EARLIER.size());
    switch (expected) {
        case Output::golden:
            EXPECT_TRUE(e2e::matches_golden("bad_input/" + c.name, name, written));
            for (const char* bad : {"\tnan", "\t-nan", "\tinf", "\t-inf"})
                EXPECT_EQ(written.find(bad), std::string::npos) << "a value that is not a number: " << bad;
            break;
        case Output::header: EXPECT_EQ(written, run_header()); break;
        case Output::earlier: EXPECT_EQ(written, ""); break;
        case Output::not_prefilled: break;
    }
}

// Test names and failure reports show the case's name, not its bytes.
void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

class BadInput : public ::testing::TestWithParam<Case> {};

TEST_P(BadInput, EndsInOrderAndKeepsEarlierOutput) {
    if (!e2e::faketime_available()) GTEST_SKIP() << "faketime is not installed (needed for a fixed clock and seed)";
    const Case& c = GetParam();
    e2e::TempDir dir;
    for (const auto& [name, bytes] : c.files) write_file(dir / name, bytes);
    for (const std::string& name : c.directories) fs::create_directory(dir / name);
    if (c.stats != Output::not_prefilled) write_file(dir / "out_stats.txt", EARLIER);
    if (c.summary != Output::not_prefilled) write_file(dir / "out_summary.txt", EARLIER);

    e2e::RunRequest request;
    request.stdin_bytes = c.stdin_bytes;
    request.fixed_clock = CLOCK;
    const e2e::RunResult result = e2e::run_phenostat(dir.path(), request);

    EXPECT_FALSE(result.timed_out);
    EXPECT_EQ(result.exit_status, c.exit_status);
    EXPECT_EQ(result.stderr_bytes, "");
    EXPECT_TRUE(shows_in_order(result.stdout_bytes, c.console));
    EXPECT_TRUE(ends_with(result.stdout_bytes, c.console_end))
        << e2e::describe_difference(c.console_end,
                                    result.stdout_bytes.substr(result.stdout_bytes.size() -
                                                               std::min(result.stdout_bytes.size(), c.console_end.size())));
    if (c.exit_status != 0) {
        EXPECT_EQ(result.stdout_bytes.find(FINISHED), std::string::npos);
        // A stop that leaves only the run headers comes before the listing.
        if (c.stats == Output::header) {
            EXPECT_EQ(result.stdout_bytes.find(LISTING_END), std::string::npos);
        }
    }
    check_output(c, dir.path(), "stats", c.stats);
    check_output(c, dir.path(), "summary", c.summary);
    for (const std::string& name : c.directories) EXPECT_TRUE(fs::is_directory(dir / name));
    // Nothing else was created (no folder for a stem in a missing one, no stray file).
    for (const fs::directory_entry& entry : fs::directory_iterator(dir.path())) {
        const std::string name = entry.path().filename().string();
        bool known = name == "out_stats.txt" || name == "out_summary.txt";
        for (const auto& file : c.files) known = known || file.first == name;
        for (const std::string& folder : c.directories) known = known || folder == name;
        EXPECT_TRUE(known) << "unexpected " << name;
    }
}

INSTANTIATE_TEST_SUITE_P(Catalogue, BadInput, ::testing::ValuesIn(all_cases()),
                         [](const ::testing::TestParamInfo<Case>& info) { return info.param.name; });

}  // namespace
}  // namespace phenostat

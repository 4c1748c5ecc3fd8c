// The built program driven through standard input: the console transcript,
// the exit status, and the bytes of both output files.

#include <gtest/gtest.h>

#include <string>

#include "support/e2e.h"

namespace phenostat {
namespace {

using e2e::copy_test_data;
using e2e::mask_header_dates;
using e2e::read_file;
using e2e::RunRequest;
using e2e::RunResult;
using e2e::TempDir;

std::string header(const std::string& input_name) {
    return "***************************\r\n*    This is PHENOSTAT    *\r\n***************************\r\n\r\n\r\n"
           "Calculated from " +
           input_name + " on <DATE>\r\n";
}

bool ends_with(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

RunResult run_in(const std::filesystem::path& dir, const std::string& stdin_bytes,
                 const std::string& fixed_clock = {}) {
    RunRequest request;
    request.stdin_bytes = stdin_bytes;
    request.fixed_clock = fixed_clock;
    RunResult result = e2e::run_phenostat(dir, request);
    EXPECT_EQ(result.stderr_bytes, "");
    return result;
}

// Runs in a fresh directory, mostly on a copy of console/<data_name> with the stem "out".
struct ConsoleRun : ::testing::Test {
    RunResult run(const std::string& stdin_bytes, const std::string& fixed_clock = {}) {
        return run_in(dir.path(), stdin_bytes, fixed_clock);
    }
    RunResult run_on(const std::string& data_name, const std::string& answers_after_stem) {
        copy_test_data("console/" + data_name, dir.path());
        return run(data_name + "\nout\n" + answers_after_stem);
    }
    // Both output files hold exactly one run header each.
    void expect_headers_only(const std::string& data_name) {
        EXPECT_EQ(mask_header_dates(read_file(dir / "out_stats.txt")), header(data_name));
        EXPECT_EQ(mask_header_dates(read_file(dir / "out_summary.txt")), header(data_name));
    }
    TempDir dir;
};

TEST_F(ConsoleRun, AllAnswersNoGivesHeadersListingAndFinalMessage) {
    const RunResult result = run_on("small.txt", "n\nn\nn\nn\n\n\n");
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_TRUE(e2e::matches_golden("console/all_answers_no", "stdout", result.stdout_bytes));
    EXPECT_TRUE(e2e::matches_golden("console/all_answers_no", "stats",
                                    mask_header_dates(read_file(dir / "out_stats.txt"))));
    EXPECT_TRUE(e2e::matches_golden("console/all_answers_no", "summary",
                                    mask_header_dates(read_file(dir / "out_summary.txt"))));
    expect_headers_only("small.txt");
}

TEST_F(ConsoleRun, HeaderCarriesTheLocalDateAndTime) {
    if (!e2e::faketime_available()) GTEST_SKIP() << "faketime is not installed";
    copy_test_data("console/small.txt", dir.path());
    const RunResult result = run("small.txt\nout\nn\nn\nn\nn\n\n\n", "2026-12-05 02:00:08");
    EXPECT_EQ(result.exit_status, 0);
    const std::string expected_end = "\r\nCalculated from small.txt on Sat Dec 05 02:00:08 2026\r\n";
    EXPECT_TRUE(ends_with(read_file(dir / "out_stats.txt"), expected_end));
    EXPECT_TRUE(ends_with(read_file(dir / "out_summary.txt"), expected_end));
}

TEST_F(ConsoleRun, SecondRunWithTheSameStemAppends) {
    copy_test_data("console/small.txt", dir.path());
    EXPECT_EQ(run("small.txt\nout\nn\nn\nn\nn\n\n\n").exit_status, 0);
    EXPECT_EQ(run("small.txt\nout\nn\nn\nn\nn\n\n\n").exit_status, 0);
    EXPECT_EQ(mask_header_dates(read_file(dir / "out_stats.txt")), header("small.txt") + header("small.txt"));
    EXPECT_EQ(mask_header_dates(read_file(dir / "out_summary.txt")), header("small.txt") + header("small.txt"));
}

TEST_F(ConsoleRun, EmptyStemNamesTheFilesBySuffixAlone) {
    copy_test_data("console/small.txt", dir.path());
    const RunResult result = run("small.txt\n\nn\nn\nn\nn\n\n\n");
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(mask_header_dates(read_file(dir / "_stats.txt")), header("small.txt"));
    EXPECT_EQ(mask_header_dates(read_file(dir / "_summary.txt")), header("small.txt"));
    EXPECT_TRUE(ends_with(result.stdout_bytes,
                          "\n\nFINISHED\n\nStatistics have been recorded in _stats.txt\nallele/phenotype frequencies in "
                          "_summary.txt\n\npress <enter> to exit"));
}

TEST_F(ConsoleRun, FinalLineWithoutLineEndIsAnIndividual) {
    const RunResult result = run_on("no_final_line_end.txt", "n\nn\nn\nn\n\n\n");
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_NE(result.stdout_bytes.find("\nFile no_final_line_end.txt seems to contain\n\t2 individuals,\n\t4 columns "
                                       "(1 loci), with the widest field being\n\t"),
              std::string::npos)
        << result.stdout_bytes;
    EXPECT_NE(result.stdout_bytes.find("\n\nThe samples are named:\n\t\n\tA\n\tB\n"), std::string::npos);
}

}  // namespace
}  // namespace phenostat

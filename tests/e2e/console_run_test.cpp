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

constexpr const char* END_OF_INPUT = "\n\nEnd of input while waiting for an answer: exiting.";
constexpr const char* LISTING_END =
    "\nDoes the information above look correct?\nif not, then the file contains an error.\n\nPress <enter> to continue";

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

TEST_F(ConsoleRun, StemInAMissingFolderStops) {
    copy_test_data("console/small.txt", dir.path());
    const RunResult failed = run("small.txt\nno_such_folder/out\nn\nn\nn\nn\n\n\n");
    EXPECT_EQ(failed.exit_status, 1);
    EXPECT_TRUE(ends_with(failed.stdout_bytes,
                          "\n-> Enter the stem for the output file names: \nOpening no_such_folder/out_stats.txt failed!"))
        << failed.stdout_bytes;
    EXPECT_FALSE(std::filesystem::exists(dir / "no_such_folder"));
}

TEST_F(ConsoleRun, FileWithoutDataLinesOrLociStops) {
    const std::string dims_header_only =
        "\nFile header_only.txt seems to contain\n\t0 individuals,\n\t5 columns (2 loci), with the widest field "
        "being\n\t";
    RunResult result = run_on("header_only.txt", "n\nn\nn\nn\n\n");
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_NE(result.stdout_bytes.find(dims_header_only), std::string::npos) << result.stdout_bytes;
    EXPECT_TRUE(ends_with(result.stdout_bytes,
                          "\n\nThe data file header_only.txt holds no data line (only a header, or nothing): nothing "
                          "to analyse."));
    expect_headers_only("header_only.txt");

    TempDir other;
    copy_test_data("console/no_locus.txt", other.path());
    result = run_in(other.path(), "no_locus.txt\nout\nn\nn\nn\nn\n\n");
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_TRUE(ends_with(result.stdout_bytes,
                          "\n\nThe data file no_locus.txt has no locus column (loci start in the fourth column): "
                          "nothing to analyse."))
        << result.stdout_bytes;
    EXPECT_EQ(mask_header_dates(read_file(other / "out_stats.txt")), header("no_locus.txt"));
    EXPECT_EQ(mask_header_dates(read_file(other / "out_summary.txt")), header("no_locus.txt"));
}

TEST_F(ConsoleRun, CapacityViolationStopsBeforeTheListing) {
    const RunResult result = run_on("too_many_codes.txt", "y\nn\nn\nn\n\n\n");
    EXPECT_EQ(result.exit_status, 1);
    const std::string& out = result.stdout_bytes;
    // After the load phase's messages, a message naming the locus, and no listing.
    const std::size_t loaded = out.rfind("\n\nAllocating memory for the table of locus names...\n...success!");
    ASSERT_NE(loaded, std::string::npos) << out;
    EXPECT_NE(out.find("L2", loaded), std::string::npos) << out;
    EXPECT_EQ(out.find("There are"), std::string::npos);
    EXPECT_EQ(out.find("FINISHED"), std::string::npos);
    expect_headers_only("too_many_codes.txt");
}

TEST_F(ConsoleRun, ListingWarnsAboutRecurringNamesAndMixedGroups) {
    RunResult result = run_on("recurring.txt", "n\nn\nn\nn\n\n\n");
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_NE(result.stdout_bytes.find("\n\nThere are 3 samples represented in the file\nThe loci are named:\n\t\n\t"
                                       "L1,\n\nThe samples are named:\n\t\n\tA\n\tB\n\tA\n\nWarning: the sample name A "
                                       "occurs in more than one run of lines; each run is treated as a separate "
                                       "sample." +
                                       std::string(LISTING_END)),
              std::string::npos)
        << result.stdout_bytes;

    TempDir other;
    copy_test_data("console/mixed_groups.txt", other.path());
    result = run_in(other.path(), "mixed_groups.txt\nout\nn\nn\nn\nn\n\n\n");
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_NE(result.stdout_bytes.find("\n\tA\n\tB"
                                       "\n\nWarning: the lines of sample A name more than one group; the sample "
                                       "belongs to group G1, named on its first line."
                                       "\n\nWarning: the lines of sample B name more than one group; the sample "
                                       "belongs to no group, as its first line names none." +
                                       std::string(LISTING_END)),
              std::string::npos)
        << result.stdout_bytes;
}

TEST_F(ConsoleRun, EndOfInputAtEachPromptStops) {
    copy_test_data("console/small.txt", dir.path());
    const std::string prompts_with_headers[] = {
        "small.txt\nout\n",                    // first question
        "small.txt\nout\nn\nn\n",              // third question
        "small.txt\nout\nn\nn\ny\n",           // coordinates file
        "small.txt\nout\nn\nn\ny\nmissing\n",  // coordinates file, re-asked
        "small.txt\nout\nn\nn\nn\ny\n",        // permutations
        "small.txt\nout\nn\nn\nn\ny\n0\n",     // permutations, re-asked
    };
    for (const std::string& typed : {std::string(""), std::string("missing.txt\n"), std::string("small.txt\n")}) {
        SCOPED_TRACE(typed);
        const RunResult result = run(typed);
        EXPECT_EQ(result.exit_status, 1);
        EXPECT_TRUE(ends_with(result.stdout_bytes, END_OF_INPUT)) << result.stdout_bytes;
        EXPECT_FALSE(std::filesystem::exists(dir / "out_stats.txt"));
    }
    for (const std::string& typed : prompts_with_headers) {
        SCOPED_TRACE(typed);
        const RunResult result = run(typed);
        EXPECT_EQ(result.exit_status, 1);
        EXPECT_TRUE(ends_with(result.stdout_bytes, END_OF_INPUT)) << result.stdout_bytes;
        expect_headers_only("small.txt");
        std::filesystem::remove(dir / "out_stats.txt");
        std::filesystem::remove(dir / "out_summary.txt");
    }
}

TEST_F(ConsoleRun, EndOfInputAtThePausesGoesOn) {
    // The last answer's line end is the last byte: the listing's pause and the
    // final message both meet the end of input.
    const RunResult result = run_on("small.txt", "n\nn\nn\nn\n");
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_TRUE(ends_with(result.stdout_bytes, "\n\npress <enter> to exit"));
    // The discarded character after the last answer may be missing too.
    const RunResult shorter = run("small.txt\nout\nn\nn\nn\nn");
    EXPECT_EQ(shorter.exit_status, 0);
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

TEST_F(ConsoleRun, Byte255IsAnOrdinaryByteOfAName) {
    const RunResult result = run_on("byte255.txt", "n\nn\nn\nn\n\n\n");
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_NE(result.stdout_bytes.find("\n\t3 individuals,"), std::string::npos) << result.stdout_bytes;
    EXPECT_NE(result.stdout_bytes.find("\n\nThe samples are named:\n\t\n\tA\n\tCaf\xff\n\tC\n"), std::string::npos);
}

}  // namespace
}  // namespace phenostat

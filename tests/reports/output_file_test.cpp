#include "reports/output_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "base/fatal_error.h"

namespace phenostat {
namespace {

namespace fs = std::filesystem;

// A fresh directory per test, removed afterwards.
class OutputFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() /
               ("phenostat_output_" + std::to_string(::getpid()) + "_" + info->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string path(const char* name) const { return (dir_ / name).string(); }
    static std::string bytes(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    fs::path dir_;
};

TEST_F(OutputFileTest, AppendsWithCrLfAndNeverTruncates) {
    const std::string file = path("out.txt");
    append_to_file(file, "\nfirst\tline");
    append_to_file(file, "\n\nsecond\n");
    EXPECT_EQ(bytes(file), "\r\nfirst\tline\r\n\r\nsecond\r\n");
}

TEST_F(OutputFileTest, AppendFileWritesPiecesThroughOneOpening) {
    const std::string file = path("section.txt");
    append_to_file(file, "old");
    {
        AppendFile section(file);
        section.write("\na");
        section.write("\nb");
        section.close();
        section.close();  // a second close does nothing
    }
    {
        AppendFile abandoned(file);  // closed by the destructor
        abandoned.write("\nc");
    }
    EXPECT_EQ(bytes(file), "old\r\na\r\nb\r\nc");
}

TEST_F(OutputFileTest, OpenFailureGivesTheMessageAndWritesNothing) {
    const std::string directory = dir_.string();
    try {
        append_to_file(directory, "text");
        FAIL() << "no FatalError";
    } catch (const FatalError& error) {
        EXPECT_STREQ(error.what(), ("\nOpening " + directory + " failed!").c_str());
    }
    const std::string missing = path("no_such_dir/out.txt");
    EXPECT_THROW(AppendFile{missing}, FatalError);
    EXPECT_THROW(write_file_header(missing, "data.txt"), FatalError);
    EXPECT_FALSE(fs::exists(missing));
}

TEST_F(OutputFileTest, WriteFailureIsReported) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    try {
        append_to_file("/dev/full", "text");
        FAIL() << "no FatalError";
    } catch (const FatalError& error) {
        EXPECT_STREQ(error.what(), "\nWriting /dev/full failed!");
    }
}

class RunHeaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tz = std::getenv("TZ");
        had_tz_ = tz != nullptr;
        if (had_tz_) old_tz_ = tz;
        ::setenv("TZ", "UTC", 1);
        ::tzset();
    }
    void TearDown() override {
        if (had_tz_)
            ::setenv("TZ", old_tz_.c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    bool had_tz_ = false;
    std::string old_tz_;
};

TEST_F(RunHeaderTest, DateTextHasZeroPaddedDayAndCLocaleNames) {
    EXPECT_EQ(run_header_text("pop data.txt", 1796508008),  // 2026-12-05 22:00:08 UTC
              "***************************"
              "\n*    This is PHENOSTAT    *"
              "\n***************************"
              "\n\n"
              "\nCalculated from pop data.txt on Sat Dec 05 22:00:08 2026\n");
    EXPECT_EQ(run_header_text("x", 1767225600).substr(102), "x on Thu Jan 01 00:00:00 2026\n");
}

TEST_F(RunHeaderTest, WriteFileHeaderAppendsAHeaderPerCall) {
    const std::string file = (fs::temp_directory_path() /
                              ("phenostat_header_" + std::to_string(::getpid()) + ".txt")).string();
    fs::remove(file);
    write_file_header(file, "in.txt");
    write_file_header(file, "in.txt");
    std::ifstream in(file, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    fs::remove(file);
    // Each header ends with the date's line end, so the second starts on a line of its own.
    const std::string start = "***************************\r\n*    This is PHENOSTAT    *\r\n";
    EXPECT_EQ(text.find(start), 0u);
    const std::size_t second = text.find(start, 1);
    ASSERT_NE(second, std::string::npos);
    EXPECT_EQ(text.substr(second - 2, 2), "\r\n");
    EXPECT_NE(text.find("\r\nCalculated from in.txt on ", second), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

}  // namespace
}  // namespace phenostat

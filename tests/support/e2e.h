#pragma once
// End-to-end test harness: runs the built phenostat binary in a fresh
// temporary directory with given standard-input bytes, and compares what it
// wrote against golden files.
//
// Golden files live in tests/data/<case>/expected_<name>.txt. With the
// environment variable PHENOSTAT_UPDATE_GOLDEN=1 the comparison writes the
// actual bytes there instead (check every such file by hand before committing).

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

namespace phenostat::e2e {

// A directory that exists for the lifetime of the object (removed afterwards).
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

struct RunResult {
    int exit_status = -1;      // the process's exit status; 128 + signal when killed by a signal
    bool timed_out = false;    // killed after the timeout
    std::string stdout_bytes;  // the console transcript
    std::string stderr_bytes;  // normally empty (sanitizer reports land here)
};

struct RunRequest {
    std::string stdin_bytes;  // everything the user types; the input ends after it
    // When not empty, the run happens under `faketime '<fixed_clock>'` with
    // TZ=UTC, e.g. "2026-12-05 22:00:08": the clock stands still there.
    std::string fixed_clock;
    std::chrono::seconds timeout{120};
};

// Runs PHENOSTAT_BINARY with `dir` as its working directory. Fails the
// calling test (ADD_FAILURE) when the process cannot be started or times out.
RunResult run_phenostat(const std::filesystem::path& dir, const RunRequest& request);

// True when the faketime program can be found on PATH.
bool faketime_available();

std::string read_file(const std::filesystem::path& path);
void write_file(const std::filesystem::path& path, const std::string& bytes);

// Copies PHENOSTAT_TEST_DATA/<relative> into `dir` (under its own file name,
// or under `as_name` when given); returns the copy's path.
std::filesystem::path copy_test_data(const std::string& relative, const std::filesystem::path& dir,
                                     const std::string& as_name = {});

// Replaces the date and time of every run header ("\r\nCalculated from <name>
// on <date>\r\n") by the token "<DATE>", so that output files compare byte
// for byte.
std::string mask_header_dates(std::string bytes);

// Compares `actual` with PHENOSTAT_TEST_DATA/<case_name>/expected_<name>.txt
// (or writes it there, see above).
::testing::AssertionResult matches_golden(const std::string& case_name, const std::string& name,
                                          const std::string& actual);

// The two bytes sequences differ: where, with a little escaped context.
std::string describe_difference(const std::string& expected, const std::string& actual);

}  // namespace phenostat::e2e

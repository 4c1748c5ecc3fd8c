#include "support/e2e.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

extern char** environ;

namespace phenostat::e2e {
namespace fs = std::filesystem;

namespace {

// The program named by `name` on PATH, or empty.
std::string find_on_path(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        if (dir.empty()) continue;
        const fs::path candidate = fs::path(dir) / name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate.string();
    }
    return {};
}

// The child's environment: ours, with TZ=UTC, and with the sanitizer runtime
// told not to insist on coming first (faketime preloads its own library).
std::vector<std::string> child_environment() {
    std::vector<std::string> env;
    std::string asan_options = "verify_asan_link_order=0";
    for (char** entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        if (text.rfind("TZ=", 0) == 0 || text.rfind("FAKETIME", 0) == 0) continue;
        if (text.rfind("ASAN_OPTIONS=", 0) == 0) {
            asan_options = text.substr(13) + ":" + asan_options;
            continue;
        }
        env.push_back(text);
    }
    env.push_back("TZ=UTC");
    env.push_back("ASAN_OPTIONS=" + asan_options);
    return env;
}

std::vector<char*> c_strings(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& s : strings) pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

// Runs in the forked child: only async-signal-safe calls until exec.
[[noreturn]] void exec_child(const char* dir, const char* in_path, const char* out_path, const char* err_path,
                             char** argv, char** envp) {
    if (::chdir(dir) != 0) ::_exit(126);
    const int in = ::open(in_path, O_RDONLY);
    const int out = ::open(out_path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = ::open(err_path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || err < 0) ::_exit(126);
    if (::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) ::_exit(126);
    ::execve(argv[0], argv, envp);
    ::_exit(127);
}

// Waits for the child; kills it after `timeout`.
int wait_for(pid_t pid, std::chrono::seconds timeout, bool& timed_out) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (done < 0 && errno != EINTR) return -1;
        if (std::chrono::steady_clock::now() > deadline) {
            timed_out = true;
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

std::string escape(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (c == '\t') out += "\\t";
        else if (c < 32 || c >= 127) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        } else out += static_cast<char>(c);
    }
    return out;
}

}  // namespace

TempDir::TempDir() {
    std::string pattern = (fs::temp_directory_path() / "phenostat-e2e-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code error;
    fs::remove_all(path_, error);
}

bool faketime_available() { return !find_on_path("faketime").empty(); }

RunResult run_phenostat(const fs::path& dir, const RunRequest& request) {
    RunResult result;
    // The run's own standard streams live beside the temporary directory's
    // other files under names the program never writes.
    const fs::path in_path = dir / ".stdin";
    const fs::path out_path = dir / ".stdout";
    const fs::path err_path = dir / ".stderr";
    write_file(in_path, request.stdin_bytes);

    std::vector<std::string> args;
    if (!request.fixed_clock.empty()) {
        const std::string faketime = find_on_path("faketime");
        if (faketime.empty()) {
            ADD_FAILURE() << "faketime is not installed (needed for a fixed clock)";
            return result;
        }
        // -f: the time stands still at the given moment (without it, faketime's clock ticks on).
        args = {faketime, "-f", request.fixed_clock};
    }
    args.push_back(PHENOSTAT_BINARY);
    std::vector<std::string> env = child_environment();
    std::vector<char*> argv = c_strings(args);
    std::vector<char*> envp = c_strings(env);
    const std::string dir_text = dir.string();

    const pid_t pid = ::fork();
    if (pid < 0) {
        ADD_FAILURE() << "fork failed: " << std::strerror(errno);
        return result;
    }
    if (pid == 0) exec_child(dir_text.c_str(), in_path.c_str(), out_path.c_str(), err_path.c_str(), argv.data(),
                             envp.data());

    result.exit_status = wait_for(pid, request.timeout, result.timed_out);
    if (result.timed_out) ADD_FAILURE() << "phenostat did not end within " << request.timeout.count() << " s";
    if (result.exit_status == 126 || result.exit_status == 127)
        ADD_FAILURE() << "could not start " << args[0] << " in " << dir_text;
    result.stdout_bytes = read_file(out_path);
    result.stderr_bytes = read_file(err_path);
    std::error_code error;
    fs::remove(in_path, error);
    fs::remove(out_path, error);
    fs::remove(err_path, error);
    return result;
}

std::string read_file(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        ADD_FAILURE() << "cannot read " << path;
        return {};
    }
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

void write_file(const fs::path& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file) ADD_FAILURE() << "cannot write " << path;
}

fs::path copy_test_data(const std::string& relative, const fs::path& dir, const std::string& as_name) {
    const fs::path source = fs::path(PHENOSTAT_TEST_DATA) / relative;
    const fs::path target = dir / (as_name.empty() ? source.filename().string() : as_name);
    std::error_code error;
    fs::copy_file(source, target, fs::copy_options::overwrite_existing, error);
    if (error) ADD_FAILURE() << "cannot copy " << source << " to " << target << ": " << error.message();
    return target;
}

std::string mask_header_dates(std::string bytes) {
    static const std::string opening = "\r\nCalculated from ";
    std::size_t start = bytes.find(opening);
    while (start != std::string::npos) {
        const std::size_t line = start + 2;
        const std::size_t end = bytes.find("\r\n", line);
        if (end == std::string::npos) break;
        const std::size_t on = bytes.rfind(" on ", end);
        if (on != std::string::npos && on > line) bytes.replace(on + 4, end - (on + 4), "<DATE>");
        start = bytes.find(opening, bytes.find("\r\n", line));
    }
    return bytes;
}

std::string describe_difference(const std::string& expected, const std::string& actual) {
    std::size_t at = 0;
    while (at < expected.size() && at < actual.size() && expected[at] == actual[at]) ++at;
    const std::size_t from = at > 40 ? at - 40 : 0;
    std::ostringstream text;
    text << "first difference at byte " << at << " (expected " << expected.size() << " bytes, got "
         << actual.size() << ")\n  expected: ..." << escape(expected.substr(from, 120)) << "\n  actual:   ..."
         << escape(actual.substr(from, 120));
    return text.str();
}

::testing::AssertionResult matches_golden(const std::string& case_name, const std::string& name,
                                          const std::string& actual) {
    const fs::path golden = fs::path(PHENOSTAT_TEST_DATA) / case_name / ("expected_" + name + ".txt");
    const char* update = std::getenv("PHENOSTAT_UPDATE_GOLDEN");
    if (update && std::string(update) == "1") {
        fs::create_directories(golden.parent_path());
        write_file(golden, actual);
        return ::testing::AssertionSuccess() << "wrote " << golden;
    }
    if (!fs::exists(golden))
        return ::testing::AssertionFailure()
               << golden << " is missing (run with PHENOSTAT_UPDATE_GOLDEN=1 to create it, then check it by hand)";
    const std::string expected = read_file(golden);
    if (expected == actual) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << golden << ": " << describe_difference(expected, actual);
}

}  // namespace phenostat::e2e

// Answer scripts cut short at every byte: a script that stops before the
// last answer a run needs ends the run with the end-of-input message and
// status 1; once that answer is in, the pauses meet the end of input and the
// run goes on to its usual end.

#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>

#include "support/program.h"

namespace phenostat {
namespace {

bool ends_with(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

TEST(EndOfInput, EveryCutOfAScript) {
    const std::string end_of_input = "\n\nEnd of input while waiting for an answer: exiting.";
    const std::string finished = "\n\npress <enter> to exit";
    const std::string data = "G\tS\tI\tL1\tL2\nx\tA\t1\t1,2\t3\nx\tA\t2\t2\t3,4\ny\tB\t3\t1\t4\ny\tC\t4\t5\t\n";
    struct Case {
        std::string data, script;  // '|' marks where the last needed answer is complete
        int status;                // after the mark
        std::string end;
    };
    const Case cases[] = {
        {data, "data.txt\nout\ny\ny\ny\ncoords.txt\ny\n3|\n\n", 0, finished},
        {data, "nope\ndata.txt\nout\nn\nY\nn\nx\nn\nn|\n\n", 0, finished},
        {data, "data.txt\nout\nn\nn\ny\nmissing.txt\ncoords.txt\ny\n0\nabc\n2|", 0, finished},
        {"G\tS\tI\tL1\n", "data.txt\nout\nn\nn\nn\nn|\n", 1,
         "\n\nThe data file data.txt holds no data line (only a header, or nothing): nothing to analyse."},
    };
    const auto dir = std::filesystem::temp_directory_path() / ("phenostat_end_of_input_" + std::to_string(::getpid()));
    for (const Case& c : cases) {
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        std::ofstream(dir / "data.txt") << c.data;
        std::ofstream(dir / "coords.txt") << "1 1\n2 2\n3 3\n";
        const std::size_t mark = c.script.find('|');
        const std::string script = c.script.substr(0, mark) + c.script.substr(mark + 1);
        for (std::size_t cut = 0; cut <= script.size(); ++cut) {
            const testing::ConsoleRun run = testing::run_console(script.substr(0, cut), dir);
            SCOPED_TRACE(::testing::Message() << "typed: \"" << script.substr(0, cut) << '"');
            ASSERT_EQ(run.status, cut < mark ? 1 : c.status);
            ASSERT_TRUE(ends_with(run.console, cut < mark ? end_of_input : c.end)) << run.console;
        }
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace phenostat

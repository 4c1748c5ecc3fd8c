// The driver in process: how much of the typed input each way through a run
// consumes (the pauses read exactly what they should).

#include "app/driver.h"

#include <gtest/gtest.h>

#include <iterator>
#include <sstream>
#include <string>

#include "support/e2e.h"

namespace phenostat {
namespace {

struct DriverRun {
    DriverRun(const std::string& data_file, const std::string& answers) {
        const std::string data = e2e::copy_test_data("console/" + data_file, dir.path()).string();
        in.str(data + "\n" + (dir / "out").string() + "\n" + answers);
        status = run_program(in, out, 12345u);
    }
    std::string unread() { return std::string(std::istreambuf_iterator<char>(in), {}); }
    e2e::TempDir dir;
    std::istringstream in;
    std::ostringstream out;
    int status = -1;
};

TEST(Driver, OneEnterContinuesAfterThePermutationAnswer) {
    // The rest of the permutation answer's line is discarded, the Enter after it
    // continues, and the final message takes one more character.
    DriverRun run("small.txt", "n\nn\nn\ny\n3 extra words\n\nZrest");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.unread(), "rest");
    const std::string out = run.out.str();
    EXPECT_LT(out.find("Press <enter> to continue"), out.find("\n\nFINISHED\n\n"));
}

TEST(Driver, PauseWithoutPermutationsReadsOneCharacter) {
    DriverRun run("small.txt", "n\nn\nn\nn\n\nZrest");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.unread(), "rest");
}

TEST(Driver, FatalErrorWaitsForOneCharacter) {
    DriverRun run("header_only.txt", "n\nn\nn\nn\nZrest");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.unread(), "rest");
    EXPECT_EQ(run.out.str().find("Allocating"), std::string::npos);
}

}  // namespace
}  // namespace phenostat

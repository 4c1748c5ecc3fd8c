// Usage errors that point to what was meant: each stops before the data file
// is opened, with status 2 and the message given.

#include <gtest/gtest.h>

#include "support/program.h"

namespace phenostat {
namespace {

TEST(CommandLine, UsageErrorsNameWhatWasMeant) {
    struct Case {
        std::vector<std::string> words;
        std::string message;
    };
    const Case cases[] = {
        {{"-all", "d.txt"}, "-all is not an option: long options take two dashes, as in --all."},
        {{"-a", "-ibd-permutations=5", "d.txt"}, "as in --ibd-permutations."},
        {{"--eahc", "d.txt"}, "unknown option --eahc: did you mean --each?"},
        {{"--pairwse", "d.txt"}, "did you mean --pairwise?"},
        {{"--overwrite=yes", "--ovewrite", "d.txt"}, "did you mean --overwrite?"},
        {{"-c", "s.txt", "--ibd", "--ibd-genetic", "Fst", "d.txt"}, "--ibd-genetic: 'Fst' is not one of rousset|fst"},
        {{"-c", "s.txt", "--ibd", "--ibd-distance=km", "d.txt"}, "'km' is not one of log|linear"},
        {{"-a", "--no-tables", "--compress-tables", "d.txt"}, "--compress-tables compresses the tables, which"},
    };
    for (const Case& c : cases) {
        const testing::CommandLineRun run = testing::run_command_line(c.words);
        EXPECT_EQ(run.status, 2) << c.words[0];
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
    // A word after "--" is the data file's name, whatever it looks like.
    EXPECT_EQ(testing::run_command_line({"-a", "--", "--no-such-file"}).status, 1);
}

}  // namespace
}  // namespace phenostat

// Usage errors that point to what was meant: each stops before the data file
// is opened, with status 2 and the message given.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

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
        {{"--ibdxyzw", "d.txt"}, "unknown option --ibdxyzw."},  // four edits from --ibd: too far to suggest it
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

// Usage errors and refused outputs, each met before the data file is read:
// read, it would stop the run with a message of its own, and its counts would
// be printed first.
TEST(CommandLine, StopsBeforeTheDataAreRead) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("phenostat_early_stops_" + std::to_string(getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const auto write = [&](const char* name, const std::string& text) {
        std::ofstream(dir / name) << text;
        return (dir / name).string();
    };
    const std::string bad = write("bad.txt", "g\ts\ti\tL1\nG\tA\t1\t1\t2\n");  // data past the header
    const std::string vcf = write("empty.vcf", "##fileformat=VCFv4.2\n#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\n");
    const std::string map = write("map.txt", "x\tA\n");
    const std::string genepop = write("d.gen", "Title\nL1\nPop\na, 0101\n");
    const std::string structure = write("d.str", "1 101\n1 103\n");  // read as pop and one allele
    struct Case {
        std::vector<std::string> words;
        int status;
        std::string message;
    };
    const Case cases[] = {
        {{"--regions", "chr1", bad}, 2, "is not a VCF or BCF file"},
        {{"--sample-map", map, "--regions", "chr1:x-y", vcf}, 2, "The regions 'chr1:x-y' cannot be read"},
        {{"-c", map, "--ibd-distance", "linear", bad}, 2, "--ibd-distance needs --ibd."},
        {{"-a", "--out", bad + "/run", bad}, 1, "bad.txt exists and is not a folder."},
        {{"-a", "--out", map + "/new/run", bad}, 1, "the folder " + map + "/new cannot be made."},
        {{"--write-data", map, bad}, 1, "map.txt exists: give --overwrite to replace it."},
        {{"--sample-map", map, "--write-data", (dir / "none" / "d.txt").string(), vcf}, 1, "d.txt for writing failed"},
        {{"--ploidy", "2", bad}, 2, "is read as tab data: --structure-columns and --ploidy apply to STRUCTURE"},
        {{"--partial-genotypes", "known", genepop}, 2, "(it is read as Genepop data)"},
        {{"-g", "9", genepop}, 2, "--groups compares groups of samples, and Genepop data have none"},
        {{"--structure-columns", "pop", structure}, 2, "--structure-columns without label"},
        {{"--structure-columns", "label,label", structure}, 2, "'label,label' is not a comma-separated list"},
        {{"--format", "gen", genepop}, 2, "'gen' is not one of tab|vcf|genepop|fstat|structure|genalex|genodive"},
    };
    for (const Case& c : cases) {
        const testing::CommandLineRun run = testing::run_command_line(c.words);
        EXPECT_EQ(run.status, c.status) << c.message;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "") << c.message;
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace phenostat

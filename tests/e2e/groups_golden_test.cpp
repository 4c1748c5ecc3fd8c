// The group section and its significance report, end to end: the real binary
// under a fixed clock (so a known seed), its whole stats file compared with
// one built from the literal reference (group tables and P-values of a
// literal replicate path) and with the checked golden file.

#include <gtest/gtest.h>

#include <sstream>

#include "reports/significance_report.h"
#include "reports/stats_file.h"
#include "support/e2e.h"
#include "support/literal_permutation.h"

namespace phenostat {
namespace {

constexpr const char* CLOCK = "2026-12-05 22:00:08";  // UTC
constexpr std::uint32_t SEED = 1796508008;            // that clock in seconds
constexpr int PERMUTATIONS = 40;

std::vector<literal::GroupedRow> rows_of(const std::string& text) {
    std::vector<literal::GroupedRow> rows;
    std::istringstream in(text);
    std::string line;
    std::getline(in, line);  // header
    while (std::getline(in, line)) {
        std::vector<std::string> fields;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, '\t');) fields.push_back(cell);
        while (fields.size() < 6) fields.emplace_back();
        rows.push_back({fields[0], {fields[1], {fields[3], fields[4], fields[5]}}});
    }
    return rows;
}

// The group section as the literal reference gives it.
std::string expected_group_section(const std::vector<literal::GroupedRow>& rows) {
    std::string text(GROUP_TITLE);
    const std::vector<std::string> names = {"north", "south", "east"};  // first rows' groups, in order
    for (const std::string& group : names) {
        text += group_title(group) + stats_header_line();
        const literal::TableStats table = literal::group_table(rows, group);
        for (std::size_t i = 0; i < table.loci.size(); ++i) text += stats_row(table.loci[i], std::string(1, 'L').append(std::to_string(i + 1)));
        text += stats_row(table.average, AVERAGE_LABEL);
    }
    const literal::ComparedStatistics p = literal::permutation_p_values(rows, PERMUTATIONS, SEED);
    return text + group_report_text(p);
}

std::string with_crlf(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

TEST(GroupsGolden, GroupTablesAndPValuesMatchTheLiteralReplicatePath) {
    if (!e2e::faketime_available()) GTEST_SKIP() << "faketime is not installed";
    e2e::TempDir dir;
    e2e::copy_test_data("groups/data.txt", dir.path());
    e2e::RunRequest request;
    request.stdin_bytes = std::string("data.txt\nout\nn\nn\nn\ny\n").append(std::to_string(PERMUTATIONS)).append("\n\n\n");
    request.fixed_clock = CLOCK;
    const e2e::RunResult run = e2e::run_phenostat(dir.path(), request);
    ASSERT_EQ(run.exit_status, 0) << run.stdout_bytes;

    const std::string stats = e2e::read_file(dir / "out_stats.txt");
    const std::string header = "***************************\r\n*    This is PHENOSTAT    *\r\n"
                               "***************************\r\n\r\n\r\nCalculated from data.txt on "
                               "Sat Dec 05 22:00:08 2026\r\n";
    const std::string expected = header + with_crlf(expected_group_section(rows_of(e2e::read_file(dir / "data.txt"))));
    EXPECT_EQ(stats, expected) << e2e::describe_difference(expected, stats);
    EXPECT_TRUE(e2e::matches_golden("groups", "stats", e2e::mask_header_dates(stats)));

    // Sample D (no group) enters no table; every group reports its size.
    EXPECT_NE(run.stdout_bytes.find("\n\tWorking with Group <north> which comprises 2 samples\n"), std::string::npos);
    EXPECT_NE(run.stdout_bytes.find("\n\tWorking with Group <east> which comprises 2 samples\n"), std::string::npos);
    EXPECT_NE(run.stdout_bytes.find("\n\tRandomisation: 39\n\nFINISHED"), std::string::npos);
}

TEST(GroupsGolden, NoSampleInAnyGroupStopsBeforeTheSection) {
    e2e::TempDir dir;
    e2e::write_file(dir / "data.txt", "G\tS\tI\tL1\n\tA\t1\t1\n\tB\t2\t2\n");
    e2e::RunRequest request;
    request.stdin_bytes = "data.txt\nout\nn\nn\nn\ny\n10\n\n\n";
    const e2e::RunResult run = e2e::run_phenostat(dir.path(), request);
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_NE(run.stdout_bytes.find("No sample belongs to a group"), std::string::npos) << run.stdout_bytes;
    const std::string stats = e2e::mask_header_dates(e2e::read_file(dir / "out_stats.txt"));
    EXPECT_EQ(stats.find("Group Statistics"), std::string::npos);
    EXPECT_TRUE(stats.ends_with("Calculated from data.txt on <DATE>\r\n")) << stats;
}

}  // namespace
}  // namespace phenostat

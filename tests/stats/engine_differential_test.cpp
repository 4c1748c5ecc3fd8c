// The statistics engine against the literal computation, bit for bit, on
// random data files written the ways users write them: every kind of sample
// set the analyses hand over, and the groups of random assignments as the
// permutation test forms them.

#include <gtest/gtest.h>

#include <bit>
#include <random>
#include <sstream>

#include "support/literal_permutation.h"
#include "support/program.h"

namespace phenostat {
namespace {

int pick(std::mt19937& random, int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }

// A field of up to `size` distinct codes from a pool, unsorted, sometimes a
// code repeated, with leading zeros, blanks, letters and empty items.
std::string random_field(std::mt19937& random, int pool, int size, int missing_percent) {
    static const char* const missing[] = {"", "0", "?", "0,00", " "};
    static const char* const prefixes[] = {"", "", "", "", "0", " ", "x"};
    if (pick(random, 1, 100) <= missing_percent) return missing[pick(random, 0, 4)];
    std::vector<int> codes;
    for (int count = pick(random, 1, std::min(size, pool)); static_cast<int>(codes.size()) < count;) {
        const int code = pick(random, 1, pool) * 3 + 100;
        if (std::find(codes.begin(), codes.end(), code) == codes.end()) codes.push_back(code);
    }
    if (pick(random, 0, 3) == 0) codes.push_back(codes.front());
    std::string text;
    for (std::size_t i = 0; i < codes.size(); ++i)
        text += (i == 0 ? "" : pick(random, 0, 9) ? "," : ",,") + std::string(prefixes[pick(random, 0, 6)]) +
                std::to_string(codes[i]);
    return pick(random, 0, 9) ? text : text + (pick(random, 0, 1) ? "," : ",7x");  // "7x" is no code
}

struct RandomData {
    std::string text;                         // the data file
    std::vector<literal::GroupedRow> rows;    // its data lines as the literal computation reads them
    std::size_t locus_count = 0;
};

// Names recur (a name after other samples opens a new sample), some samples
// have no group or lines naming other groups, some lines stop early, cells
// hold CRs or NULs, the last line may lack its line end and a byte 26 may
// end the file. `large`: a few samples of hundreds of individuals, where a
// locus of many alleles holds more than 500 distinct phenotypes.
RandomData make_random_data(std::mt19937& random, bool large) {
    static const char* const names[] = {"A", "a", "B\xff", "C d", ""};
    RandomData data;
    data.locus_count = static_cast<std::size_t>(pick(random, 1, 4));
    std::vector<int> pool, size, missing;
    for (std::size_t l = 0; l < data.locus_count; ++l) {
        const int kind = pick(random, 0, 5);
        pool.push_back(kind == 0 ? 1 : kind <= 2 ? 40 : pick(random, 2, 8));
        size.push_back(kind == 1 ? 20 : kind == 2 ? 3 : pick(random, 1, 4));
        missing.push_back(pick(random, 0, 3) == 0 ? 0 : pick(random, 5, 40));
    }
    const int groups = pick(random, 1, 3);
    for (int s = pick(random, 1, large ? 4 : 7); s > 0; --s) {
        const std::string name = names[pick(random, 0, 4)];
        const std::string group = pick(random, 0, 9) ? "G" + std::to_string(pick(random, 1, groups)) : "";
        for (int i = large ? pick(random, 150, 320) : pick(random, 1, 9); i > 0; --i) {
            const bool other_group = !data.rows.empty() && data.rows.back().row.sample == name && pick(random, 0, 14) == 0;
            literal::GroupedRow row{other_group ? "G9" : group, {name, {}}};
            for (std::size_t l = 0; l < data.locus_count; ++l)
                row.row.loci.push_back(random_field(random, pool[l], size[l], missing[l]));
            if (pick(random, 0, 11) == 0) row.row.loci.resize(static_cast<std::size_t>(pick(random, 0, 3)) % data.locus_count);
            data.rows.push_back(row);
        }
    }
    const std::string line_end = pick(random, 0, 2) ? "\n" : "\r\n";
    data.text = "Group\tSample\tId";
    for (std::size_t l = 0; l < data.locus_count; ++l) data.text += "\tL" + std::to_string(l + 1);
    for (std::size_t r = 0; r < data.rows.size(); ++r) {
        data.text += line_end + data.rows[r].group + "\t" + data.rows[r].row.sample + "\t" + std::to_string(r);
        for (std::string cell : data.rows[r].row.loci) {
            if (pick(random, 0, 30) == 0) cell.insert(static_cast<std::size_t>(pick(random, 0, static_cast<int>(cell.size()))), "\r");
            if (pick(random, 0, 30) == 0) cell += std::string(1, '\0') + "5";
            data.text += "\t" + cell;
        }
    }
    if (pick(random, 0, 2)) data.text += line_end;
    if (pick(random, 0, 5) == 0) data.text += "\x1a" "G1\tZ\t0\t1\t2\t3\t4\t5\t6\n";
    return data;
}

::testing::AssertionResult same_bits(const LocusStats& expected, const LocusStats& actual,
                                     const std::vector<LocusStatsField>& fields) {
    for (std::size_t c = 0; c < fields.size(); ++c) {
        const double e = expected.*fields[c], a = actual.*fields[c];
        if (std::bit_cast<std::uint64_t>(e) != std::bit_cast<std::uint64_t>(a))
            return ::testing::AssertionFailure() << "field " << c + 1 << ": expected " << e << ", got " << a;
    }
    return ::testing::AssertionSuccess();
}
const std::vector<LocusStatsField> ALL(std::begin(PRINTED_FIELDS), std::end(PRINTED_FIELDS));
const std::vector<LocusStatsField> COMPARED(std::begin(COMPARED_FIELDS), std::end(COMPARED_FIELDS));

// All samples, each sample, and random subsets (pairs among them), in file
// order as the analyses hand them over.
std::vector<std::vector<std::size_t>> sets_of(std::size_t count, std::mt19937& random) {
    std::vector<std::vector<std::size_t>> sets(4);
    for (std::size_t s = 0; s < count; ++s) {
        sets.push_back({s});
        for (std::size_t k = 0; k < 4; ++k)
            if (k == 0 || pick(random, 0, 1)) sets[k].push_back(s);
    }
    return sets;
}

TEST(EngineDifferential, SetsOfSamplesMatchTheLiteralComputation) {
    std::mt19937 random(20261206);
    int capped = 0;  // loci over 500 distinct phenotypes
    for (int iteration = 0; iteration < 300; ++iteration) {
        const RandomData data = make_random_data(random, iteration % 40 == 39);
        testing::Program program(data.text);
        ASSERT_EQ(program.sample_count(), literal::run_starts(data.rows).size()) << "data set " << iteration;
        for (const auto& set : sets_of(program.sample_count(), random)) {
            SCOPED_TRACE(::testing::Message() << "data set " << iteration << ", " << set.size() << " samples");
            const auto expected = literal::compute_table(literal::rows_of_runs(data.rows, set), data.locus_count);
            const testing::Program::SetResult actual = program.compute_set(set);
            ASSERT_EQ(actual.loci.size(), expected.loci.size());
            for (std::size_t l = 0; l < actual.loci.size(); ++l) {
                ASSERT_TRUE(same_bits(expected.loci[l], actual.loci[l], ALL)) << "locus " << l;
                capped += expected.loci[l].phenotypes_seen == 500;
            }
            ASSERT_TRUE(same_bits(expected.average, actual.average, ALL)) << "average";
            ASSERT_TRUE(same_bits(expected.average, actual.compared, COMPARED)) << "compared-only average";
            ASSERT_EQ(actual.no_pairs_within, expected.warnings);
        }
    }
    EXPECT_GT(capped, 0) << "no data set reached the phenotype cap";
}

TEST(EngineDifferential, GroupsOfRandomAssignmentsMatchTheLiteralComputation) {
    std::mt19937 random(4242);
    for (int iteration = 0; iteration < 80; ++iteration) {
        const RandomData data = make_random_data(random, false);
        testing::Program program(data.text);
        const std::size_t samples = program.sample_count();
        const auto group_count = static_cast<std::size_t>(pick(random, 1, 4));
        for (int assignment = 0; assignment < 3; ++assignment) {  // the same scratch from one to the next
            std::vector<int> group_of;
            std::vector<std::string> group_names;  // "" for none
            for (std::size_t s = 0; s < samples; ++s) {
                group_of.push_back(pick(random, -1, static_cast<int>(group_count) - 1));
                group_names.push_back(group_of.back() < 0 ? "" : std::to_string(group_of.back()));
            }
            const std::vector<LocusStats> averages = program.group_averages(group_of, group_count);
            for (std::size_t g = 0; g < group_count; ++g)
                ASSERT_TRUE(same_bits(literal::group_table(data.rows, group_names, std::to_string(g)).average, averages.at(g), COMPARED))
                    << "data set " << iteration << ", group " << g;
        }
        bool any_group = false;
        for (std::size_t start : literal::run_starts(data.rows)) any_group |= !data.rows[start].group.empty();
        if (!any_group || iteration % 3 != 0) continue;
        const auto seed = static_cast<std::uint32_t>(random());
        const testing::Compared expected = literal::permutation_p_values(data.rows, 12, seed);
        const testing::Compared actual = program.p_values(12, seed);
        for (std::size_t k = 0; k < expected.size(); ++k)
            ASSERT_EQ(std::bit_cast<std::uint64_t>(actual[k]), std::bit_cast<std::uint64_t>(expected[k]))
                << "data set " << iteration << ", P-value " << k << ": " << expected[k] << " vs " << actual[k];
    }
}

}  // namespace
}  // namespace phenostat

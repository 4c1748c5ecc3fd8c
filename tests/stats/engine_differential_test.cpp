// The statistics engine against the literal computation, bit for bit, on
// random data files written the ways users write them: every kind of sample
// set the analyses hand over, and the groups of random assignments as the
// permutation test's replicates form them.

#include <gtest/gtest.h>

#include <bit>
#include <random>

#include "support/literal_reference.h"

namespace phenostat {
namespace {

int pick(std::mt19937& random, int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }

// Up to `size` distinct codes from a pool, unsorted, sometimes one repeated,
// some with a leading zero, blank or letter, some items empty or no code.
std::string random_field(std::mt19937& random, int pool, int size, int missing_percent) {
    static const char* const missing[] = {"", "0", "?", "0,00", " "};
    static const char* const before[] = {"", "", "", "", "0", " ", "x"};
    if (pick(random, 1, 100) <= missing_percent) return missing[pick(random, 0, 4)];
    std::vector<int> codes;
    for (int count = pick(random, 1, std::min(size, pool)); static_cast<int>(codes.size()) < count;) {
        const int code = pick(random, 1, pool) * 3 + 100;
        if (std::find(codes.begin(), codes.end(), code) == codes.end()) codes.push_back(code);
    }
    if (pick(random, 0, 3) == 0) codes.push_back(codes.front());
    std::string text = pick(random, 0, 9) ? "" : ",7x";  // "7x" is no code
    for (const int code : codes)
        text = (pick(random, 0, 9) ? "," : ",,") + (before[pick(random, 0, 6)] + std::to_string(code)) + text;
    return text.substr(1);
}

struct RandomData {
    std::string text;                       // the data file
    std::vector<literal::GroupedRow> rows;  // its data lines as the literal computation reads them
    std::size_t locus_count = 0;
};

// Names recur (a name after other samples opens a new sample), some samples
// have no group or lines naming other groups, some lines stop early, cells
// hold CRs or NULs, lines end in CR LF, the last line may lack its line end
// and a byte 26 may end the file; a few data sets have hundreds of loci. `large`: a few samples of hundreds, where a
// locus of many alleles holds more than 500 distinct phenotypes, in all and
// in the first sample alone.
RandomData make_random_data(std::mt19937& random, bool large) {
    static const char* const names[] = {"A", "a", "B\xff", "C d", ""};
    RandomData data;
    // Now and then more loci than the loader takes in one chunk.
    data.locus_count =
        static_cast<std::size_t>(!large && pick(random, 0, 29) == 0 ? pick(random, 257, 3000) : pick(random, 1, 4));
    std::vector<std::array<int, 3>> loci;  // pool, largest phenotype, percent missing
    for (std::size_t l = 0; l < data.locus_count; ++l) {
        const int kind = large && l == 0 ? 1 : pick(random, 0, 5);
        const int pool = kind == 0 ? 1 : kind <= 2 ? 40 : pick(random, 2, 8);
        const int size = kind == 1 ? 20 : kind == 2 ? 3 : pick(random, 1, 4);
        loci.push_back({pool, size, large && l == 0 ? 0 : pick(random, 0, 3) ? pick(random, 5, 40) : 0});
    }
    const int groups = pick(random, 1, 3);
    for (int s = large ? pick(random, 2, 3) : pick(random, 1, 7); s > 0; --s) {
        const std::string name = names[pick(random, 0, 4)];
        const std::string group = pick(random, 0, 9) ? "G" + std::to_string(pick(random, 1, groups)) : "";
        const int individuals = !large ? pick(random, 1, 9) : data.rows.empty() ? 510 : 100;
        for (int i = individuals + (large ? pick(random, 0, 50) : 0); i > 0; --i) {
            const bool other = !data.rows.empty() && data.rows.back().row.sample == name && pick(random, 0, 14) == 0;
            literal::GroupedRow row{other ? "G9" : group, {name, {}}};
            for (const auto& [pool, size, missing] : loci)
                row.row.loci.push_back(random_field(random, pool, size, missing));
            if (pick(random, 0, 11) == 0) row.row.loci.resize(data.locus_count / 2);  // a short line
            data.rows.push_back(row);
        }
    }
    const std::string line_end = pick(random, 0, 2) ? "\n" : "\r\n";
    data.text = "Group\tSample\tId";
    for (std::size_t l = 0; l < data.locus_count; ++l) data.text += "\tL" + std::to_string(l + 1);
    for (std::size_t r = 0; r < data.rows.size(); ++r) {
        data.text += line_end + data.rows[r].group + "\t" + data.rows[r].row.sample + "\t" + std::to_string(r);
        for (std::string cell : data.rows[r].row.loci) {
            if (pick(random, 0, 30) == 0) cell.insert(cell.size() / 2, "\r");
            if (pick(random, 0, 30) == 0) cell += std::string(1, '\0') + "5";
            data.text += "\t" + cell;
        }
    }
    if (pick(random, 0, 2)) data.text += line_end;
    if (pick(random, 0, 5) == 0)
        data.text += "\x1a"
                     "G1\tZ\t0\t1\t2\t3\t4\t5\t6\n";
    return data;
}

// Every column (or only the compared ones) the same to the last bit.
::testing::AssertionResult same_bits(const LocusStats& expected, const LocusStats& actual, bool compared_only = false) {
    const auto* const compared_end = std::end(COMPARED_FIELDS);
    for (std::size_t c = 0; c < 43; ++c) {
        const LocusStatsField f = PRINTED_FIELDS[c];
        if (compared_only && std::find(std::begin(COMPARED_FIELDS), compared_end, f) == compared_end) continue;
        if (std::bit_cast<std::uint64_t>(expected.*f) != std::bit_cast<std::uint64_t>(actual.*f))
            return ::testing::AssertionFailure() << "column " << c + 1 << ": " << expected.*f << " not " << actual.*f;
    }
    return ::testing::AssertionSuccess();
}

TEST(EngineDifferential, SetsOfSamplesMatchTheLiteralComputation) {
    std::mt19937 random(20261206);
    int capped = 0;  // loci over 500 distinct phenotypes
    for (int iteration = 0; iteration < 300; ++iteration) {
        const RandomData data = make_random_data(random, iteration % 40 == 39);
        testing::Program program(data.text);
        const std::size_t count = program.sample_count();
        ASSERT_EQ(count, literal::run_starts(data.rows).size()) << "data set " << iteration;
        // All samples, random subsets (pairs among them) and each sample, in file order as the analyses hand them over.
        std::vector<std::vector<std::size_t>> sets(4);
        for (std::size_t s = 0; s < count; ++s) {
            for (std::size_t k = 0; k < 4; ++k)
                if (k == 0 || pick(random, 0, 1)) sets[k].push_back(s);
            sets.push_back({s});
        }
        for (const auto& set : sets) {
            SCOPED_TRACE(::testing::Message() << "data set " << iteration << ", " << set.size() << " samples");
            const auto expected = literal::compute_table(literal::rows_of_runs(data.rows, set), data.locus_count);
            const testing::Program::SetResult actual = program.compute_set(set);
            ASSERT_EQ(actual.loci.size(), expected.loci.size());
            for (std::size_t l = 0; l < actual.loci.size(); ++l) {
                ASSERT_TRUE(same_bits(expected.loci[l], actual.loci[l])) << "locus " << l;
                capped += expected.loci[l].phenotypes_seen == 500;
            }
            ASSERT_TRUE(same_bits(expected.average, actual.average)) << "average";
            ASSERT_TRUE(same_bits(expected.average, actual.compared, true)) << "compared-only average";
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
        const int group_count = pick(random, 1, 4);
        for (int assignment = 0; assignment < 3; ++assignment) {  // the same scratch from one to the next
            std::vector<int> group_of;
            std::vector<std::string> names;  // "" for none
            for (std::size_t s = 0; s < program.sample_count(); ++s) {
                group_of.push_back(pick(random, -1, group_count - 1));
                names.push_back(group_of.back() < 0 ? "" : std::to_string(group_of.back()));
            }
            const auto averages = program.group_averages(group_of, static_cast<std::size_t>(group_count));
            for (int g = 0; g < group_count; ++g) {
                const LocusStats expected = literal::group_table(data.rows, names, std::to_string(g)).average;
                ASSERT_TRUE(same_bits(expected, averages.at(g), true)) << "data set " << iteration << ", group " << g;
            }
        }
    }
}

}  // namespace
}  // namespace phenostat

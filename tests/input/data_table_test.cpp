#include "input/data_table.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/fatal_error.h"

namespace phenostat {
namespace {

using namespace std::string_literals;
using Cells = std::vector<std::vector<std::string>>;

FileDimensions measure_text(const std::string& text) {
    std::istringstream in(text);
    return measure_data(in);
}

LoadedData load_text(const std::string& text) {
    std::istringstream in(text);
    return load_data(in, measure_text(text));
}

// Every cell of the table, column_count per row.
Cells all_cells(const LoadedData& data) {
    Cells cells;
    for (std::size_t row = 0; row < data.table.row_count(); ++row) {
        auto& out = cells.emplace_back();
        for (long column = 0; column < data.dimensions.column_count; ++column) {
            out.emplace_back(data.table.cell(row, static_cast<std::size_t>(column)));
        }
    }
    return cells;
}

template <class Action>
std::string fatal_message(Action action) {
    try {
        action();
    } catch (const FatalError& error) {
        return error.what();
    }
    return "<nothing thrown>";
}

// A file in the temporary directory, removed at the end of the test.
class TempFile {
public:
    explicit TempFile(const std::string& bytes) {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        path_ = (std::filesystem::temp_directory_path() /
                 ("phenostat_input_" + std::to_string(getpid()) + "_" + test->name() + ".txt"))
                    .string();
        std::ofstream(path_, std::ios::binary) << bytes;
    }
    ~TempFile() { std::filesystem::remove(path_); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

const std::string HEADER = "Group\tSample\tId\tL1\tL2\n";

TEST(DataTableLoad, CrLfAndLfLineEndsGiveTheSameTable) {
    const std::string lf = HEADER + "g\tA\t1\t12,15\t3\ng\tB\t2\t\t7\n";
    const std::string crlf = "Group\tSample\tId\tL1\tL2\r\ng\tA\t1\t12,15\t3\r\ng\tB\t2\t\t7\r\n";
    const LoadedData a = load_text(lf);
    const LoadedData b = load_text(crlf);
    EXPECT_EQ(a.dimensions.individual_count, 2);
    EXPECT_EQ(b.dimensions.individual_count, 2);
    EXPECT_EQ(a.dimensions.column_count, b.dimensions.column_count);
    EXPECT_EQ(a.dimensions.field_width, b.dimensions.field_width);
    EXPECT_EQ(a.locus_names, b.locus_names);
    EXPECT_EQ(all_cells(a), all_cells(b));
    EXPECT_EQ(all_cells(a), (Cells{{"g", "A", "1", "12,15", "3"}, {"g", "B", "2", "", "7"}}));
}

TEST(DataTableLoad, BlankAndShortLinesReadAsEmptyCells) {
    const LoadedData data = load_text(HEADER + "g\tA\t1\t5\t6\n\ng\tB\n\n");
    EXPECT_EQ(data.dimensions.individual_count, 4);
    EXPECT_EQ(all_cells(data), (Cells{{"g", "A", "1", "5", "6"},
                                      {"", "", "", "", ""},
                                      {"g", "B", "", "", ""},
                                      {"", "", "", "", ""}}));
    EXPECT_EQ(data.table.cell(0, 99), "");
    EXPECT_EQ(data.table.cell(99, 0), "");
}

TEST(DataTableLoad, ColumnCountFollowsTheWidestLine) {
    // A header wider than the data: the extra loci are named, every cell empty.
    const LoadedData wide = load_text("G\tS\tI\tL1\tL2\tL3\ng\tA\t1\t5\n");
    EXPECT_EQ(wide.dimensions.column_count, 6);
    EXPECT_EQ(wide.locus_names, (std::vector<std::string>{"L1", "L2", "L3"}));
    EXPECT_EQ(all_cells(wide), (Cells{{"g", "A", "1", "5", "", ""}}));

    // Five header fields above five data fields: loci L1 and L2.
    const LoadedData five = load_text("G\tS\tI\tL1\tL2\ng\tA\t1\t5\t6\n");
    EXPECT_EQ(five.dimensions.column_count, 5);
    EXPECT_EQ(five.locus_names, (std::vector<std::string>{"L1", "L2"}));

    // A data line wider than the header: the header lacks those names.
    const LoadedData narrow = load_text("G\tS\tI\tL1\ng\tA\t1\t5\t6\n");
    EXPECT_EQ(narrow.locus_names, (std::vector<std::string>{"L1", ""}));

    // Lines without a tab do not count; no locus at all gives no names.
    const LoadedData no_tab = load_text("header\nline\n");
    EXPECT_EQ(no_tab.dimensions.column_count, 0);
    EXPECT_TRUE(no_tab.locus_names.empty());
}

TEST(DataTableLoad, FinalLineWithoutLineEnd) {
    const LoadedData unterminated = load_text(HEADER + "g\tA\t1\t5\t6\ng\tB\t2\t7");
    EXPECT_EQ(unterminated.dimensions.individual_count, 2);
    EXPECT_EQ(all_cells(unterminated).back(), (std::vector<std::string>{"g", "B", "2", "7", ""}));

    // A last "line" made only of carriage returns holds nothing.
    const LoadedData cr_only = load_text(HEADER + "g\tA\t1\t5\t6\n\r\r");
    EXPECT_EQ(cr_only.dimensions.individual_count, 1);
    EXPECT_EQ(cr_only.table.row_count(), 1u);

    // Header only, and no line end at all.
    EXPECT_EQ(measure_text(HEADER).individual_count, 0);
    EXPECT_EQ(load_text(HEADER).table.row_count(), 0u);
    EXPECT_EQ(measure_text("G\tS\tI\tL1").individual_count, -1);
    EXPECT_EQ(load_text("G\tS\tI\tL1").table.row_count(), 0u);
}

TEST(DataTableLoad, SpecialBytes) {
    // Byte 26 ends the file, measures included.
    const LoadedData eof = load_text(HEADER + "g\tA\t1\t5\t6\n\x1a" "g\tB\t2\t7\t8\t9\t10\n");
    EXPECT_EQ(eof.dimensions.individual_count, 1);
    EXPECT_EQ(eof.dimensions.column_count, 5);
    EXPECT_EQ(eof.table.row_count(), 1u);

    // Byte 255 is an ordinary byte.
    const LoadedData y = load_text(HEADER + "g\tJos\xff\t1\t5\t6\ng\tB\t2\t7\t8\n");
    EXPECT_EQ(y.dimensions.individual_count, 2);
    EXPECT_EQ(y.table.cell(0, 1), "Jos\xff");
    EXPECT_EQ(y.table.cell(1, 1), "B");

    // NUL ends the text of its cell (or locus name), yet counts in the measures.
    const LoadedData nul = load_text("G\tS\tI\tL1\0x\tL2\ng\tab\0cdefgh\t1\t5\t6\n"s);
    EXPECT_EQ(nul.table.cell(0, 1), "ab");
    EXPECT_EQ(nul.table.cell(0, 2), "1");
    EXPECT_EQ(nul.locus_names, (std::vector<std::string>{"L1", "L2"}));
    EXPECT_EQ(nul.dimensions.field_width, 10);  // tab + "ab\0cdefgh"
}

TEST(DataTableLoad, FieldWidthMeasure) {
    // The first field of the file measures its length alone.
    EXPECT_EQ(measure_text("abcdefgh\tx\ty\n").field_width, 8);
    // A field inside a line measures its length plus its tab.
    EXPECT_EQ(measure_text("a\tbcdefg\th\n").field_width, 7);
    // The last field, the line end and the next first field measure together;
    // carriage returns do not count.
    EXPECT_EQ(measure_text("a\tbc\r\nde\tf\n").field_width, 6);
}

TEST(DataTableFile, LoadsLikeTheStreamAndReportsDimensions) {
    const std::string text = HEADER + "g\tA\t1\t5\t6\ng\tB\t2\t7\t8";
    const TempFile file(text);
    const FileDimensions dims = measure_data_file(file.path());  // widest: "\tSample"
    const LoadedData data = load_data_file(file.path(), dims);
    const LoadedData from_stream = load_text(text);
    EXPECT_EQ(all_cells(data), all_cells(from_stream));
    EXPECT_EQ(data.locus_names, from_stream.locus_names);
    EXPECT_EQ(format_file_dimensions("pop.txt", dims),
              "\nFile pop.txt seems to contain\n\t2 individuals,\n\t5 columns (2 loci), with the widest field "
              "being\n\t7 characters wide");
}

TEST(DataTableFile, MissingFileIsFatal) {
    const std::string path = "/nonexistent-dir/phenostat-missing.txt";
    EXPECT_EQ(fatal_message([&] { measure_data_file(path); }), "\nOpening " + path + " failed!");
    EXPECT_EQ(fatal_message([&] { load_data_file(path, FileDimensions{1, 5, 5}); }),
              "\nOpening " + path + " failed!");
}

}  // namespace
}  // namespace phenostat

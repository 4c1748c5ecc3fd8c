#pragma once
// The data file and its in-memory table of text cells.
//
// File format: tab-separated text, one record per line (LF; every CR byte is
// dropped wherever it stands; a byte 26 ends the file). The first line is the
// header, its fields from the fourth on naming the loci. Every later line is
// one individual: column 0 the group, column 1 the sample, column 2 ignored,
// columns 3.. one locus each. A final line without a line end is an
// individual too when it holds at least one byte.

#include <cstddef>
#include <cstdint>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

namespace phenostat {

// The measured dimensions of a data file (first pass).
struct FileDimensions {
    long individual_count = 0;  // data lines (line feeds minus the header's, plus a final unterminated line)
    long column_count = 0;      // most fields on any line holding a tab; loci = column_count - 3
    long field_width = 0;       // the "widest field" measure, shown to the user only
    long byte_count = 0;        // bytes read, CRs not counted: bounds the cells' text
    long field_count = 0;       // fields on all lines: bounds the number of cells
};

// The loaded table. Cells are stored once, back to back; a row holds only the
// fields its line really had, and every other cell reads as empty. A NUL byte
// ends the text of its cell.
class DataTable {
public:
    std::size_t row_count() const { return row_begin_.empty() ? 0 : row_begin_.size() - 1; }
    // The text of cell (row, column); empty when the line had no such field.
    std::string_view cell(std::size_t row, std::size_t column) const;

    // Building, row by row and cell by cell in order.
    void reserve(std::size_t cells, std::size_t text_bytes);
    void begin_row();
    void add_cell(std::string_view text);
    void finish();  // closes the last row

private:
    struct CellSpan {
        std::uint32_t offset;
        std::uint32_t length;
    };
    std::string text_;
    std::vector<CellSpan> cells_;
    std::vector<std::size_t> row_begin_;  // row r's cells are cells_[row_begin_[r] .. row_begin_[r+1])
};

struct LoadedData {
    FileDimensions dimensions;
    DataTable table;
    std::vector<std::string> locus_names;  // column_count - 3 names (empty when the header lacks one)
    std::size_t locus_count() const { return locus_names.size(); }
};

// First pass over a byte stream / a file. The file versions throw FatalError
// ("\nOpening %s failed!") when the file cannot be opened.
FileDimensions measure_data(std::istream& in);
FileDimensions measure_data_file(const std::string& path);

// "\nFile %s seems to contain\n\t%i individuals,..." as shown on the console.
std::string format_file_dimensions(const std::string& path, const FileDimensions& dims);

// Second pass: fills the table and the locus names.
LoadedData load_data(std::istream& in, const FileDimensions& dims);
LoadedData load_data_file(const std::string& path, const FileDimensions& dims);

}  // namespace phenostat

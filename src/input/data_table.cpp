#include "input/data_table.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <limits>

#include "base/fatal_error.h"
#include "base/text.h"

namespace phenostat {
namespace {

constexpr unsigned char LINE_FEED = 10;
constexpr unsigned char TAB = 9;
constexpr unsigned char CARRIAGE_RETURN = 13;
constexpr unsigned char END_OF_FILE_MARK = 26;  // ends the text wherever it stands

// Feeds the text of `in` to `take` one byte at a time, reading in large
// blocks. Carriage returns are dropped wherever they stand and a byte 26 ends
// the text. `take` returns false to stop early.
template <class Take>
void for_each_text_byte(std::istream& in, Take&& take) {
    std::array<char, 1 << 16> block;
    while (in) {
        in.read(block.data(), static_cast<std::streamsize>(block.size()));
        const auto got = static_cast<std::size_t>(in.gcount());
        for (std::size_t i = 0; i < got; ++i) {
            const auto byte = static_cast<unsigned char>(block[i]);
            if (byte == CARRIAGE_RETURN) continue;
            if (byte == END_OF_FILE_MARK) return;
            if (!take(byte)) return;
        }
    }
}

std::ifstream open_data_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw FatalError(strprintf("\nOpening %s failed!", path.c_str()));
    return in;
}

// Second-pass state: the header's locus names, then the rows of the table.
// A NUL byte ends the text of its cell (or name); the rest of that field is
// skipped.
class TableLoader {
public:
    TableLoader(LoadedData& data, long row_limit) : data_(data), row_limit_(row_limit) {}

    bool take(unsigned char byte) { return in_header_ ? take_header_byte(byte) : take_data_byte(byte); }

    void finish() {
        if (in_row_) close_cell();
        data_.table.finish();
    }

private:
    bool take_header_byte(unsigned char byte) {
        if (byte == LINE_FEED) {
            in_header_ = false;
            field_closed_ = false;
        } else if (byte == TAB) {
            ++header_field_;
            field_closed_ = false;
        } else if (header_field_ >= 3 && !field_closed_) {
            const auto name = static_cast<std::size_t>(header_field_ - 3);
            if (name < data_.locus_names.size()) {
                if (byte == 0) field_closed_ = true;
                else data_.locus_names[name].push_back(static_cast<char>(byte));
            }
        }
        return true;
    }

    bool take_data_byte(unsigned char byte) {
        if (!in_row_) {
            if (rows_started_ >= row_limit_) return false;
            data_.table.begin_row();
            ++rows_started_;
            in_row_ = true;
        }
        if (byte == LINE_FEED) {
            close_cell();
            in_row_ = false;
        } else if (byte == TAB) {
            close_cell();
        } else if (!field_closed_) {
            if (byte == 0) field_closed_ = true;
            else cell_.push_back(static_cast<char>(byte));
        }
        return true;
    }

    void close_cell() {
        data_.table.add_cell(cell_);
        cell_.clear();
        field_closed_ = false;
    }

    LoadedData& data_;
    long row_limit_;            // individual_count: rows beyond it are not loaded
    bool in_header_ = true;
    long header_field_ = 0;     // field index on the header line
    bool field_closed_ = false; // a NUL has ended the current field's text
    bool in_row_ = false;       // a data line has begun and not yet ended
    long rows_started_ = 0;
    std::string cell_;          // text of the current cell, reused
};

}  // namespace

std::string_view DataTable::cell(std::size_t row, std::size_t column) const {
    if (row >= row_count()) return {};
    const std::size_t first = row_begin_[row];
    if (column >= row_begin_[row + 1] - first) return {};
    const CellSpan& span = cells_[first + column];
    return std::string_view(text_).substr(span.offset, span.length);
}

void DataTable::reserve(std::size_t cells, std::size_t text_bytes) {
    cells_.reserve(cells);
    text_.reserve(text_bytes);
}

void DataTable::begin_row() { row_begin_.push_back(cells_.size()); }

void DataTable::add_cell(std::string_view text) {
    // Cells are addressed with 32 bits: a data file holds at most 4 GiB of cell text.
    if (text_.size() + text.size() > std::numeric_limits<std::uint32_t>::max())
        throw FatalError("\n\nThe data file holds more than 4 GiB of text: too large for this program.");
    cells_.push_back({static_cast<std::uint32_t>(text_.size()), static_cast<std::uint32_t>(text.size())});
    text_.append(text);
}

void DataTable::finish() {
    if (row_begin_.empty()) return;
    row_begin_.push_back(cells_.size());
}

// The width count restarts at 1 on each tab (the tab counts) and grows by one
// for every other byte, line feeds included, so the last field of a line is
// measured together with the line end and the next line's first field.
FileDimensions measure_data(std::istream& in) {
    FileDimensions dims;
    long line_feeds = 0;
    long fields_on_line = 1;
    long width = 0;
    long bytes_after_last_line_feed = 0;
    for_each_text_byte(in, [&](unsigned char byte) {
        if (byte == LINE_FEED) {
            ++line_feeds;
            fields_on_line = 1;
            bytes_after_last_line_feed = -1;
        } else if (byte == TAB) {
            width = 0;
            ++fields_on_line;
            dims.column_count = std::max(dims.column_count, fields_on_line);
        }
        ++bytes_after_last_line_feed;
        ++dims.byte_count;
        if (byte == TAB || byte == LINE_FEED) ++dims.field_count;
        ++width;
        dims.field_width = std::max(dims.field_width, width);
        return true;
    });
    ++dims.field_count;  // the last line's last field
    dims.individual_count = line_feeds - 1;
    // A final data line without a line end is an individual too.
    if (line_feeds > 0 && bytes_after_last_line_feed > 0) ++dims.individual_count;
    return dims;
}

FileDimensions measure_data_file(const std::string& path) {
    std::ifstream in = open_data_file(path);
    return measure_data(in);
}

std::string format_file_dimensions(const std::string& path, const FileDimensions& dims) {
    return strprintf(
        "\nFile %s seems to contain\n\t%ld individuals,\n\t%ld columns (%ld loci), with the widest field being\n\t%ld "
        "characters wide",
        path.c_str(), dims.individual_count, dims.column_count, dims.column_count - 3, dims.field_width);
}

// Loads at most individual_count rows: the table grows as lines are read, so a
// file that shrank since it was measured gives fewer rows (their cells, like
// any cell past the end, read as empty).
LoadedData load_data(std::istream& in, const FileDimensions& dims) {
    LoadedData data;
    data.dimensions = dims;
    // column_count was measured from tabs actually read, so it is bounded by the file's size.
    data.locus_names.resize(static_cast<std::size_t>(std::max(0L, dims.column_count - 3)));
    // Both counts were measured from the bytes actually read.
    data.table.reserve(static_cast<std::size_t>(dims.field_count), static_cast<std::size_t>(dims.byte_count));
    TableLoader loader(data, dims.individual_count);
    for_each_text_byte(in, [&](unsigned char byte) { return loader.take(byte); });
    loader.finish();
    return data;
}

LoadedData load_data_file(const std::string& path, const FileDimensions& dims) {
    std::ifstream in = open_data_file(path);
    return load_data(in, dims);
}

}  // namespace phenostat

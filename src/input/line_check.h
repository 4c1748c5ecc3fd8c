#pragma once
// The command line's check of every data line against the header, between
// the reader and whatever builds the data set. A line with more fields than
// the header stops the run when a field past the header's holds data (it
// would be a locus without a name); extra fields that are all empty (a
// trailing tab from a spreadsheet) are dropped. Lines with fewer fields pass
// as they are (their missing cells are not typed). Both kinds of line are
// named in one warning each. The dialogue reads lines without this check.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/warning.h"
#include "input/data_file.h"

namespace phenostat {

class LineCheck final : public DataFileSink {
public:
    LineCheck(const std::string& path, DataFileSink& next) : path_(path), next_(next) {}

    void header(const DataLine& line, std::uint64_t text_bytes) override;
    // FatalError naming the line and both counts for data past the header's fields.
    void row(std::size_t row, const DataLine& line, std::uint64_t text_bytes) override;
    void file_bytes_read(std::uint64_t bytes) override { next_.file_bytes_read(bytes); }

    // Fields on the header (the columns of the data set, at least 3).
    std::size_t columns() const { return columns_; }
    // The lines with trailing empty fields, then the short lines, one warning each.
    std::vector<Warning> warnings() const;

private:
    std::string path_;
    DataFileSink& next_;
    std::size_t header_fields_ = 0, columns_ = 3;
    std::vector<std::size_t> short_lines_, trailing_lines_;  // the first few line numbers
    std::size_t short_count_ = 0, trailing_count_ = 0;
};

}  // namespace phenostat

#pragma once
// --write-data for a tab file: the lines as they are handed on (checked
// against the header, and in the sample map's order with its samples and
// groups when there is one) written to a file in our tab format, while they
// pass to the next sink. The file is removed again unless the load
// completes (`keep`), so a stopped run leaves no half-written data; "-" is
// standard output, which keeps what it was given.

#include <cstdint>
#include <cstdio>
#include <string>

#include "input/data_file.h"

namespace phenostat {

class RowWriter final : public DataFileSink {
public:
    // FatalError when the file exists and may not be replaced, or cannot be opened.
    RowWriter(const std::string& path, bool overwrite, DataFileSink& next);
    ~RowWriter() override;
    RowWriter(const RowWriter&) = delete;
    RowWriter& operator=(const RowWriter&) = delete;

    void header(const DataLine& line, std::uint64_t text_bytes) override;
    void row(std::size_t row, const DataLine& line, std::uint64_t text_bytes) override;
    void file_bytes_read(std::uint64_t bytes) override { next_.file_bytes_read(bytes); }

    // Closes the file, to stay. FatalError when it cannot be written.
    void keep();

private:
    void write(const DataLine& line, std::size_t first);

    std::string path_;
    DataFileSink& next_;
    std::FILE* file_ = nullptr;
    bool ok_ = true;
};

}  // namespace phenostat

#pragma once
// --write-data: the data as read, written in our tab format, by one writer
// for every kind of input. The file is removed again unless the load
// completes (keep()), so a stopped run leaves no half-written data; "-" is
// standard output, which keeps what it was given.

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "input/data_file.h"

namespace phenostat {

class DataWriter {
public:
    // FatalError when the file exists and may not be replaced, or cannot be opened.
    DataWriter(const std::string& path, bool overwrite);
    // Removes the file unless kept.
    ~DataWriter();
    DataWriter(const DataWriter&) = delete;
    DataWriter& operator=(const DataWriter&) = delete;

    void write(std::string_view text);
    void write(char c);
    // Closes the file, to stay. FatalError when it could not be written.
    void keep();

private:
    std::string path_;
    std::FILE* file_ = nullptr;
    bool ok_ = true;
};

// A tab file's lines as they are handed on (checked against the header, and
// in the sample map's order with its samples and groups when there is one),
// written while they pass to the next sink.
class RowWriter final : public DataFileSink {
public:
    RowWriter(const std::string& path, bool overwrite, DataFileSink& next) : file_(path, overwrite), next_(next) {}

    void header(const DataLine& line, std::uint64_t text_bytes) override;
    void row(std::size_t row, const DataLine& line, std::uint64_t text_bytes) override;
    void file_bytes_read(std::uint64_t bytes) override { next_.file_bytes_read(bytes); }
    void keep() { file_.keep(); }

private:
    void write(const DataLine& line, std::size_t first);

    DataWriter file_;
    DataFileSink& next_;
};

}  // namespace phenostat

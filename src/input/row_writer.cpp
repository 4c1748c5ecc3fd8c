#include "input/row_writer.h"

#include <filesystem>

#include "base/fatal_error.h"
#include "base/output_file_name.h"
#include "base/text.h"

namespace phenostat {

RowWriter::RowWriter(const std::string& path, bool overwrite, DataFileSink& next) : path_(path), next_(next) {
    if (!overwrite && !is_standard_output(path) && std::filesystem::exists(path))
        throw FatalError(strprintf("%s exists: give --overwrite to replace it.", path.c_str()));
    file_ = open_output(path);
    if (file_ == nullptr) throw FatalError(strprintf("Opening %s for writing failed.", path.c_str()));
}

RowWriter::~RowWriter() {
    if (file_ == nullptr) return;
    close_output(file_);
    if (!is_standard_output(path_)) std::remove(path_.c_str());
}

void RowWriter::header(const DataLine& line, std::uint64_t text_bytes) {
    const std::string names = "group\tsample\tindividual";
    ok_ = ok_ && std::fwrite(names.data(), 1, names.size(), file_) == names.size();
    if (line.size() > 3) ok_ = ok_ && std::fputc('\t', file_) != EOF;
    write(line, 3);
    next_.header(line, text_bytes);
}

void RowWriter::row(std::size_t row, const DataLine& line, std::uint64_t text_bytes) {
    write(line, 0);
    next_.row(row, line, text_bytes);
}

// Fields `first`.. of the line, tab-separated, and the line end.
void RowWriter::write(const DataLine& line, std::size_t first) {
    for (std::size_t k = first; k < line.size() && ok_; ++k) {
        const std::string_view field = line.field(k);
        ok_ = (k == first || std::fputc('\t', file_) != EOF) &&
              std::fwrite(field.data(), 1, field.size(), file_) == field.size();
    }
    ok_ = ok_ && std::fputc('\n', file_) != EOF;
}

void RowWriter::keep() {
    std::FILE* file = file_;
    file_ = nullptr;
    if (!close_output(file) || !ok_) throw FatalError(strprintf("Writing %s failed.", output_name(path_).c_str()));
}

}  // namespace phenostat

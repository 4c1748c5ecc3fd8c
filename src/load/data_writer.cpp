#include "load/data_writer.h"

#include <filesystem>

#include "base/fatal_error.h"
#include "base/output_file_name.h"
#include "base/text.h"

namespace phenostat {

DataWriter::DataWriter(const std::string& path, bool overwrite) : path_(path) {
    if (!overwrite && !is_standard_output(path) && std::filesystem::exists(path))
        throw FatalError(strprintf("%s exists: give --overwrite to replace it.", path.c_str()));
    file_ = open_output(path);
    if (file_ == nullptr) throw FatalError(strprintf("Opening %s for writing failed.", path.c_str()));
}

DataWriter::~DataWriter() {
    if (file_ == nullptr) return;
    close_output(file_);
    if (!is_standard_output(path_)) std::remove(path_.c_str());
}

void DataWriter::write(std::string_view text) {
    ok_ = ok_ && std::fwrite(text.data(), 1, text.size(), file_) == text.size();
}

void DataWriter::write(char c) { ok_ = ok_ && std::fputc(c, file_) != EOF; }

void DataWriter::keep() {
    std::FILE* file = file_;
    file_ = nullptr;
    if (!close_output(file) || !ok_) throw FatalError(strprintf("Writing %s failed.", output_name(path_).c_str()));
}

void RowWriter::header(const DataLine& line, std::uint64_t text_bytes) {
    file_.write("group\tsample\tindividual");
    if (line.size() > 3) file_.write('\t');
    write(line, 3);
    next_.header(line, text_bytes);
}

void RowWriter::row(std::size_t row, const DataLine& line, std::uint64_t text_bytes) {
    write(line, 0);
    next_.row(row, line, text_bytes);
}

// Fields `first`.. of the line, tab-separated, and the line end.
void RowWriter::write(const DataLine& line, std::size_t first) {
    for (std::size_t k = first; k < line.size(); ++k) {
        if (k > first) file_.write('\t');
        file_.write(line.field(k));
    }
    file_.write('\n');
}

}  // namespace phenostat

#include "app/output_file.h"

#include <cstdlib>

#include "app/gzip_writer.h"
#include "base/fatal_error.h"
#include "base/text.h"

namespace phenostat {
namespace {

std::string with_crlf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16 + 16);
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string_view::npos; start = end + 1) {
        out.append(text.substr(start, end - start));
        out.append("\r\n");
    }
    out.append(text.substr(start));
    return out;
}

[[noreturn]] void open_failed(const std::string& path) {
    throw FatalError(strprintf("\nOpening %s failed!", path.c_str()));
}

[[noreturn]] void write_failed(const std::string& path) {
    throw FatalError(strprintf("\nWriting %s failed!", path.c_str()));
}

std::FILE* open_for(const std::string& path, const char* mode) {
    std::FILE* file = std::fopen(path.c_str(), mode);
    if (file == nullptr) open_failed(path);
    return file;
}

bool write_translated(std::FILE* file, std::string_view text) {
    const std::string bytes = with_crlf(text);
    return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
}

// Whether `path` holds bytes and its last one is not a line end. A file that
// cannot be read counts as ended: opening it for the write reports it.
bool ends_within_a_line(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    int last = '\n';
    if (std::fseek(file, -1, SEEK_END) == 0) last = std::fgetc(file);
    std::fclose(file);
    return last != '\n' && last != EOF;
}

// A test's stand-in for a full disk: the table whose file name is
// PHENOSTAT_FAIL_WRITING fails as it is closed, late in the run.
bool failure_injected(const std::string& path, AppendFile::Format format) {
    const char* name = std::getenv("PHENOSTAT_FAIL_WRITING");
    if (format == AppendFile::Format::classic || name == nullptr || *name == '\0') return false;
    // The name after the last slash; without one, npos + 1 wraps to the start.
    const std::size_t start = path.find_last_of('/') + 1;
    return path.compare(start, std::string::npos, name) == 0;
}

}  // namespace

void append_to_file(const std::string& path, std::string_view text) {
    // The classic files end without a final line end, so a run appended to an
    // earlier one would glue its header onto the last row.
    const bool new_line = !text.empty() && text.front() != '\n' && ends_within_a_line(path);
    AppendFile file(path);
    if (new_line) file.write("\n");
    file.write(text);
    file.close();
}

AppendFile::AppendFile(const std::string& path, Format format)
    : path_(path), format_(format), file_(open_for(path, format == Format::classic ? "ab" : "wb"), &std::fclose) {
    if (format == Format::compressed_table) gzip_ = std::make_unique<GzipWriter>(file_.get());
}

AppendFile::~AppendFile() = default;  // unique_ptr closes a file still open

void AppendFile::write(std::string_view text) {
    if (!file_) write_failed(path_);  // written after close()
    const bool written = format_ == Format::classic ? write_translated(file_.get(), text)
                         : gzip_ != nullptr         ? gzip_->write(text)
                                            : std::fwrite(text.data(), 1, text.size(), file_.get()) == text.size();
    if (!written) write_failed(path_);
}

void AppendFile::close() {
    if (!file_) return;
    std::FILE* file = file_.release();
    const bool finished = gzip_ == nullptr || gzip_->finish();
    const bool flushed = finished && std::fflush(file) == 0 && std::ferror(file) == 0 &&
                         !failure_injected(path_, format_);
    const bool closed = std::fclose(file) == 0;
    if (!flushed || !closed) write_failed(path_);
}

void truncate_file(const std::string& path) {
    std::FILE* file = open_for(path, "wb");
    if (std::fclose(file) != 0) write_failed(path);
}

}  // namespace phenostat

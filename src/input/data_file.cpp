#include "input/data_file.h"

#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <memory>
#include <vector>

#include "base/fatal_error.h"
#include "base/text.h"

namespace phenostat {
namespace {

constexpr char LINE_FEED = '\n';
constexpr char TAB = '\t';
constexpr char CARRIAGE_RETURN = '\r';
constexpr char END_OF_FILE_MARK = 26;  // ends the text wherever it stands
constexpr std::size_t BLOCK_SIZE = std::size_t{1} << 18;

bool starts_gzip(const char* bytes) {
    return static_cast<unsigned char>(bytes[0]) == 0x1f && static_cast<unsigned char>(bytes[1]) == 0x8b;
}

// The bytes of a plain or gzip-compressed file, block by block.
class ByteSource {
public:
    explicit ByteSource(const std::string& path) : path_(path) {
        file_ = std::fopen(path.c_str(), "rb");
        if (file_ == nullptr) open_failed();
        // Known by its first bytes, whatever its name. A pipe cannot be looked
        // into without consuming it: zlib tells, reading plain text as it is.
        const int fd = fileno(file_);
        char magic[2];
        const ssize_t got = pread(fd, magic, sizeof magic, 0);
        const bool pipe = got < 0 && errno == ESPIPE;
        if (pipe || (got == 2 && starts_gzip(magic))) {
            const int copy = dup(fd);
            gz_ = copy < 0 ? nullptr : gzdopen(copy, "rb");
            if (gz_ == nullptr) {
                if (copy >= 0) close(copy);
                open_failed();
            }
            std::fclose(file_);
            file_ = nullptr;
            gzbuffer(gz_, BLOCK_SIZE);
        }
    }
    ~ByteSource() {
        if (gz_ != nullptr) gzclose(gz_);
        if (file_ != nullptr) std::fclose(file_);
    }
    ByteSource(const ByteSource&) = delete;
    ByteSource& operator=(const ByteSource&) = delete;

    // Bytes read into `block`; 0 at the end.
    std::size_t read(char* block, std::size_t size) {
        if (gz_ != nullptr) {
            const int got = gzread(gz_, block, static_cast<unsigned>(size));
            int status = Z_OK;
            if (got <= 0) gzerror(gz_, &status);
            // A stream cut short reads as an end with Z_BUF_ERROR.
            if (got < 0 || (status != Z_OK && status != Z_STREAM_END))
                throw FatalError(strprintf("\nReading %s failed: the compressed data end early or are damaged.",
                                           path_.c_str()));
            return static_cast<std::size_t>(got);
        }
        const std::size_t got = std::fread(block, 1, size, file_);
        if (got < size && std::ferror(file_)) read_failed();
        return got;
    }
    std::uint64_t position() const {
        return gz_ != nullptr ? static_cast<std::uint64_t>(gzoffset(gz_))
                              : static_cast<std::uint64_t>(std::ftell(file_));
    }

private:
    [[noreturn]] void open_failed() const { throw FatalError(strprintf("\nOpening %s failed!", path_.c_str())); }
    [[noreturn]] void read_failed() const { throw FatalError(strprintf("\nReading %s failed!", path_.c_str())); }

    std::string path_;
    gzFile gz_ = nullptr;
    std::FILE* file_ = nullptr;
};

// Bytes that end a run of ordinary field text.
constexpr std::array<bool, 256> special_bytes() {
    std::array<bool, 256> special{};
    for (const char c : {LINE_FEED, TAB, CARRIAGE_RETURN, '\0', END_OF_FILE_MARK})
        special[static_cast<unsigned char>(c)] = true;
    return special;
}
constexpr std::array<bool, 256> SPECIAL = special_bytes();

// The pass over the text: lines handed to the sink, dimensions measured.
// The width count restarts at 1 on each tab (the tab counts) and grows by one
// for every other byte, line feeds included, so the last field of a line is
// measured together with the line end and the next line's first field.
class Scanner {
public:
    explicit Scanner(DataFileSink& sink) : sink_(sink) {}

    // Returns false once a byte 26 has ended the text.
    bool scan(const char* block, std::size_t size) {
        for (std::size_t i = 0; i < size;) {
            std::size_t j = i;
            while (j < size && !SPECIAL[static_cast<unsigned char>(block[j])]) ++j;
            if (j > i) {
                if (!field_closed_) line_.append(block + i, j - i);
                count_bytes(static_cast<long>(j - i));
            }
            if (j == size) break;
            const char c = block[j];
            i = j + 1;
            if (c == END_OF_FILE_MARK) return false;
            if (c == CARRIAGE_RETURN) continue;
            if (c == TAB) {
                width_ = 0;
                dims_.column_count = std::max(dims_.column_count, ++fields_on_line_);
            }
            count_bytes(1);
            if (c == '\0') {
                field_closed_ = true;  // the rest of the field is not its text
                continue;
            }
            end_field();
            if (c == LINE_FEED) end_line();
        }
        return true;
    }

    // At the end of the text: the last line, when it has no line end.
    FileDimensions finish() {
        if (line_open_ || line_feeds_ == 0) {
            end_field();
            deliver_line();
        }
        dims_.individual_count = line_feeds_ - 1 + (line_feeds_ > 0 && line_open_ ? 1 : 0);
        return dims_;
    }

private:
    void count_bytes(long count) {
        line_open_ = true;
        text_bytes_ += static_cast<std::uint64_t>(count);
        width_ += count;
        dims_.field_width = std::max(dims_.field_width, width_);
    }

    void end_field() {
        // Field ends are 32-bit: a line holds less than 4 GiB of text.
        if (line_.size() > std::numeric_limits<std::uint32_t>::max())
            throw FatalError("\n\nA line of the data file holds more than 4 GiB of text: too long for this program.");
        ends_.push_back(static_cast<std::uint32_t>(line_.size()));
        field_closed_ = false;
    }

    void end_line() {
        deliver_line();
        ++line_feeds_;
        fields_on_line_ = 1;
        line_open_ = false;
    }

    void deliver_line() {
        const DataLine line{line_, ends_};
        if (line_feeds_ == 0)
            sink_.header(line, text_bytes_);
        else
            sink_.row(row_++, line, text_bytes_);
        line_.clear();
        ends_.clear();
    }

    DataFileSink& sink_;
    FileDimensions dims_;
    std::string line_;                 // the texts of the line's fields, back to back
    std::vector<std::uint32_t> ends_;  // where each field's text ends in line_
    bool field_closed_ = false;        // a NUL has ended the current field's text
    bool line_open_ = false;           // a byte has come since the last line feed
    std::size_t row_ = 0;
    long line_feeds_ = 0, fields_on_line_ = 1, width_ = 0;
    std::uint64_t text_bytes_ = 0;
};

}  // namespace

FileDimensions read_data_file(const std::string& path, DataFileSink& sink) {
    ByteSource source(path);
    Scanner scanner(sink);
    std::vector<char> block(BLOCK_SIZE);
    for (std::size_t got; (got = source.read(block.data(), block.size())) > 0;) {
        const bool more = scanner.scan(block.data(), got);
        sink.file_bytes_read(source.position());
        if (!more) break;
    }
    return scanner.finish();
}

bool is_compressed(const std::string& path) { return path.size() > 3 && path.compare(path.size() - 3, 3, ".gz") == 0; }

bool is_gzip_file(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char magic[2];
    const bool gzip = pread(fd, magic, sizeof magic, 0) == 2 && starts_gzip(magic);
    close(fd);
    return gzip;
}

std::uint64_t data_file_size(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? 0 : static_cast<std::uint64_t>(size);
}

std::string format_file_dimensions(const std::string& path, const FileDimensions& dims) {
    return strprintf(
        "\nFile %s seems to contain\n\t%ld individuals,\n\t%ld columns (%ld loci), with the widest field being\n\t%ld "
        "characters wide",
        path.c_str(), dims.individual_count, dims.column_count, dims.column_count - 3, dims.field_width);
}

}  // namespace phenostat

#include "input/data_file.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
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

// The bytes of a plain or gzip-compressed file, block by block.
class ByteSource {
public:
    explicit ByteSource(const std::string& path) : path_(path) {
        if (is_compressed(path)) {
            gz_ = gzopen(path.c_str(), "rb");
            if (gz_ == nullptr) open_failed();
            gzbuffer(gz_, BLOCK_SIZE);
        } else {
            file_ = std::fopen(path.c_str(), "rb");
            if (file_ == nullptr) open_failed();
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
            if (got < 0) read_failed();
            return static_cast<std::size_t>(got);
        }
        const std::size_t got = std::fread(block, 1, size, file_);
        if (got < size && std::ferror(file_)) read_failed();
        return got;
    }
    std::uint64_t position() const {
        return gz_ != nullptr ? static_cast<std::uint64_t>(gzoffset(gz_)) : static_cast<std::uint64_t>(std::ftell(file_));
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

// The pass over the text: fields handed to the sink, dimensions measured.
// The width count restarts at 1 on each tab (the tab counts) and grows by one
// for every other byte, line feeds included, so the last field of a line is
// measured together with the line end and the next line's first field.
class Scanner {
public:
    explicit Scanner(DataFileSink& sink) : sink_(sink) {}

    // Returns false once a byte 26 has ended the text.
    bool scan(const char* block, std::size_t size) {
        block_ = block;
        start_ = 0;
        for (std::size_t i = 0; i < size;) {
            std::size_t j = i;
            while (j < size && !SPECIAL[static_cast<unsigned char>(block[j])]) ++j;
            if (j > i) ordinary(block + i, j - i);
            if (j == size) break;
            const char c = block[j];
            if (c == END_OF_FILE_MARK) {
                start_copying(j);
                return false;
            }
            if (c == CARRIAGE_RETURN) {
                start_copying(j);
            } else {
                count_byte(c == TAB);
                if (c == '\0') {
                    start_copying(j);
                    field_closed_ = true;
                } else {
                    end_field(j);
                    if (c == LINE_FEED) end_line();
                }
            }
            i = j + 1;
            if (!copying_) start_ = i;
        }
        start_copying(size);  // a field open at the end of the block continues in the next
        return true;
    }

    // At the end of the text: the last field of an unterminated line.
    FileDimensions finish() {
        if (in_header_ || row_open_) emit_field(copy_);
        if (row_open_) sink_.row_end(row_, text_bytes_);
        dims_.individual_count = line_feeds_ - 1 + (line_feeds_ > 0 && bytes_after_line_feed_ > 0 ? 1 : 0);
        return dims_;
    }

private:
    void count_byte(bool tab) {
        ++text_bytes_;
        if (!in_header_) row_open_ = true;
        ++bytes_after_line_feed_;
        if (tab) {
            width_ = 1;
            ++fields_on_line_;
            dims_.column_count = std::max(dims_.column_count, fields_on_line_);
        } else {
            ++width_;
        }
        dims_.field_width = std::max(dims_.field_width, width_);
    }

    void ordinary(const char* text, std::size_t length) {
        if (copying_ && !field_closed_) copy_.append(text, length);
        text_bytes_ += length;
        if (!in_header_) row_open_ = true;
        bytes_after_line_feed_ += static_cast<long>(length);
        width_ += static_cast<long>(length);
        dims_.field_width = std::max(dims_.field_width, width_);
    }

    // From here the field's text is gathered in copy_ (a CR to drop, a NUL,
    // or the end of the block).
    void start_copying(std::size_t at) {
        if (!copying_ && !field_closed_) copy_.append(block_ + start_, at - start_);
        copying_ = true;
    }

    void end_field(std::size_t at) {
        if (copying_) {
            emit_field(copy_);
        } else {
            emit_field(std::string_view(block_ + start_, at - start_));
        }
        copy_.clear();
        copying_ = false;
        field_closed_ = false;
        ++column_;
    }

    void emit_field(std::string_view text) {
        if (in_header_) sink_.header_field(column_, text);
        else sink_.row_field(row_, column_, text);
    }

    void end_line() {
        ++line_feeds_;
        fields_on_line_ = 1;
        bytes_after_line_feed_ = 0;
        if (in_header_) {
            in_header_ = false;
            sink_.header_end(text_bytes_);
        } else {
            sink_.row_end(row_++, text_bytes_);
        }
        row_open_ = false;
        column_ = 0;
    }

    DataFileSink& sink_;
    FileDimensions dims_;
    const char* block_ = nullptr;
    std::size_t start_ = 0;       // where the current field began in the block (when not copying)
    bool copying_ = false;        // the field's text is in copy_
    bool field_closed_ = false;   // a NUL has ended the current field's text
    std::string copy_;
    bool in_header_ = true;
    bool row_open_ = false;       // a data line has begun and not yet ended
    std::size_t row_ = 0, column_ = 0;
    long line_feeds_ = 0, fields_on_line_ = 1, width_ = 0, bytes_after_line_feed_ = 0;
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

bool is_compressed(const std::string& path) {
    return path.size() > 3 && path.compare(path.size() - 3, 3, ".gz") == 0;
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

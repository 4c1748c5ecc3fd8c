#pragma once
// Writing the output files.
//
// The classic files are appended to, so a second run with the same stem adds
// below the first (unless the command line's --overwrite empties them first).
// Their every line end is written as the two bytes CR LF whatever the
// platform: callers write "\n" and these functions translate it.

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace phenostat {

// Opens `path` for appending (creating it if absent), writes `text` with every
// "\n" written as "\r\n", and closes it. Throws FatalError "\nOpening %s failed!"
// (nothing written) when the file cannot be opened, "\nWriting %s failed!" when
// a write or the closing fails. A text that does not open with a line end,
// appended to a file whose last line is unfinished, starts on a line of its own.
void append_to_file(const std::string& path, std::string_view text);

class GzipWriter;

// One opening of an output file for a section written piece by piece.
// The constructor opens for appending (FatalError "\nOpening %s failed!");
// write() translates line ends as append_to_file does; close() flushes and
// closes, reporting failures as FatalError "\nWriting %s failed!". The
// destructor closes a file that is still open without reporting (a section
// abandoned by an exception).
//
// A tidy table is written with Format::table: created afresh (truncated), its
// line ends left as LF; with Format::compressed_table the same, gzip-compressed
// (GzipWriter: the same text gives the same bytes).
class AppendFile {
public:
    enum class Format { classic, table, compressed_table };
    explicit AppendFile(const std::string& path, Format format = Format::classic);
    AppendFile(const AppendFile&) = delete;
    AppendFile& operator=(const AppendFile&) = delete;
    ~AppendFile();

    void write(std::string_view text);
    void close();

private:
    std::string path_;
    Format format_;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file_;
    std::unique_ptr<GzipWriter> gzip_;  // Format::compressed_table: the stream into file_
};

// Empties `path` (creating it if absent): --overwrite.
void truncate_file(const std::string& path);

}  // namespace phenostat

#pragma once
// The data file, read in one pass.
//
// File format: tab-separated text, one record per line (LF; every CR byte is
// dropped wherever it stands; a byte 26 ends the file). The first line is the
// header, its fields from the fourth on naming the loci. Every later line is
// one individual: column 0 the group, column 1 the sample, column 2 ignored,
// columns 3.. one locus each. A final line without a line end is an
// individual too when it holds at least one byte. A NUL byte ends the text of
// its field. A file that opens with gzip's magic bytes (1f 8b) is read
// through zlib, whatever its name.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace phenostat {

// The dimensions of a data file, as the console reports them.
struct FileDimensions {
    long individual_count = 0;  // data lines (line feeds minus the header's, plus a final unterminated line)
    long column_count = 0;      // most fields on any line holding a tab; loci = column_count - 3
    long field_width = 0;       // the "widest field" measure, shown to the user only
};

// One line of the file: its fields' texts back to back, and where each ends.
struct DataLine {
    std::string_view text;
    std::span<const std::uint32_t> ends;  // field k is text[ends[k-1] (0 for k = 0), ends[k])
    std::size_t size() const { return ends.size(); }
    std::size_t begin(std::size_t k) const { return k == 0 ? 0 : ends[k - 1]; }
    std::string_view field(std::size_t k) const { return text.substr(begin(k), ends[k] - begin(k)); }
};

// Receives the lines of the file in order. They are valid during the call
// only. `text_bytes` counts the text read up to the end of the line (after
// decompression, CRs not counted).
class DataFileSink {
public:
    virtual ~DataFileSink() = default;
    virtual void header(const DataLine& line, std::uint64_t text_bytes) = 0;
    // Data row `row`, counted from 0 after the header.
    virtual void row(std::size_t row, const DataLine& line, std::uint64_t text_bytes) = 0;
    // After each block: the bytes of the file read so far (compressed, for a gzip file).
    virtual void file_bytes_read(std::uint64_t) {}
};

// Reads the whole file into `sink`. FatalError "\nOpening %s failed!" when it
// cannot be opened, "\nReading %s failed!" when it cannot be read to its end.
FileDimensions read_data_file(const std::string& path, DataFileSink& sink);

// The size of the file on disk (compressed, for a gzip file).
std::uint64_t data_file_size(const std::string& path);
// Whether the name ends in ".gz" (such a name's stem leaves it out).
bool is_compressed(const std::string& path);
// Whether the file opens with gzip's magic bytes, so is read through zlib.
bool is_gzip_file(const std::string& path);

// "\nFile %s seems to contain\n\t%i individuals,..." as shown on the console.
std::string format_file_dimensions(const std::string& path, const FileDimensions& dims);

}  // namespace phenostat

#pragma once
// A gzip stream into an open file, for the compressed tables.
//
// The text is cut into pieces of a fixed size, each compressed on its own
// (zlib's default level, ending in a sync flush) and several at once over
// the threads; one after the other they make one deflate stream, closed by an
// empty final block. The header holds no name and no time, so the bytes
// depend on the text alone: not on the threads, the clock or how the text
// was handed over.

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace phenostat {

class GzipWriter {
public:
    // Writes the header to `file`, which stays the caller's.
    explicit GzipWriter(std::FILE* file);
    // Each returns false when the file cannot be written.
    bool write(std::string_view text);
    // The rest of the text, the final block and the trailer.
    bool finish();

private:
    // Compresses and writes the pending pieces: every full one, and with
    // `all` the last partial one too.
    bool flush(bool all);

    std::FILE* file_;
    bool header_written_;
    std::string pending_;
    std::uint32_t crc_ = 0;
    std::uint32_t size_ = 0;  // the text's length modulo 2^32, as the trailer holds it
};

}  // namespace phenostat

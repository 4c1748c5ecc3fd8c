#include "app/gzip_writer.h"

#define ZLIB_CONST
#include <zlib.h>

#include <algorithm>
#include <new>
#include <vector>

#include "base/parallel.h"

namespace phenostat {
namespace {

// Text compressed as one piece: large enough that starting each afresh costs
// little, small enough that a piece per thread takes little memory.
constexpr std::size_t PIECE = std::size_t{1} << 20;

// Magic, deflate, no flags, no time, no extra flags, Unix.
constexpr unsigned char HEADER[10] = {0x1f, 0x8b, 8, 0, 0, 0, 0, 0, 0, 3};
// An empty final block of fixed codes.
constexpr unsigned char LAST_BLOCK[2] = {0x03, 0x00};

// A piece as raw deflate data, ending on a byte boundary and not final.
std::string compress_piece(std::string_view text) {
    z_stream stream{};
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::bad_alloc();
    std::string out;
    out.resize(deflateBound(&stream, text.size()) + 16);
    stream.next_in = reinterpret_cast<const Bytef*>(text.data());
    stream.avail_in = static_cast<uInt>(text.size());
    std::size_t made = 0;
    do {
        if (made == out.size()) out.resize(2 * out.size());
        stream.next_out = reinterpret_cast<Bytef*>(out.data() + made);
        stream.avail_out = static_cast<uInt>(out.size() - made);
        deflate(&stream, Z_SYNC_FLUSH);
        made = out.size() - stream.avail_out;
    } while (stream.avail_out == 0);
    deflateEnd(&stream);
    out.resize(made);
    return out;
}

bool put(std::FILE* file, const void* bytes, std::size_t size) { return std::fwrite(bytes, 1, size, file) == size; }

}  // namespace

GzipWriter::GzipWriter(std::FILE* file) : file_(file), header_written_(put(file, HEADER, sizeof HEADER)) {}

bool GzipWriter::write(std::string_view text) {
    crc_ = static_cast<std::uint32_t>(crc32_z(crc_, reinterpret_cast<const Bytef*>(text.data()), text.size()));
    size_ += static_cast<std::uint32_t>(text.size());
    pending_.append(text);
    return pending_.size() < PIECE * team_size() || flush(false);
}

bool GzipWriter::flush(bool all) {
    const std::size_t pieces = all ? (pending_.size() + PIECE - 1) / PIECE : pending_.size() / PIECE;
    std::vector<std::string> compressed(pieces);
    parallel_for(pieces, 1, [&](std::size_t k) {
        compressed[k] = compress_piece(std::string_view(pending_).substr(k * PIECE, PIECE));
    });
    bool written = header_written_;
    for (const std::string& piece : compressed) written = written && put(file_, piece.data(), piece.size());
    pending_.erase(0, std::min(pending_.size(), pieces * PIECE));
    return written;
}

bool GzipWriter::finish() {
    unsigned char trailer[8];
    for (int b = 0; b < 4; ++b) {
        trailer[b] = static_cast<unsigned char>(crc_ >> (8 * b));
        trailer[4 + b] = static_cast<unsigned char>(size_ >> (8 * b));
    }
    return flush(true) && put(file_, LAST_BLOCK, sizeof LAST_BLOCK) && put(file_, trailer, sizeof trailer);
}

}  // namespace phenostat

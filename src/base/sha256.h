#pragma once
// SHA-256 (FIPS 180-4), for the fingerprint of a data file in the report page.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace phenostat {

class Sha256 {
public:
    Sha256();
    void add(std::string_view bytes);
    // The digest as 64 lowercase hexadecimal digits; the object is spent.
    std::string hex();

private:
    void block(const unsigned char* data);

    std::array<std::uint32_t, 8> state_;
    std::array<unsigned char, 64> buffer_{};
    std::size_t buffered_ = 0;
    std::uint64_t length_ = 0;  // bytes added
};

// The digest of a regular file's content; none when it is not a regular file
// or cannot be read.
std::optional<std::string> file_sha256(const std::string& path);

}  // namespace phenostat

#pragma once
// Every individual's phenotype id at one locus, in row order, kept only for
// the analyses that move individuals between samples: a byte per cell while
// every id is below 255 (255 marking a cell not typed), four bytes from the
// first id that is not.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace phenostat {

class CellIds {
public:
    static constexpr std::int32_t MISSING = -1;

    void push_back(std::int32_t id) {
        if (!wide_ && id >= NARROW_MISSING) widen();
        if (wide_) {
            const std::size_t at = bytes_.size();
            bytes_.resize(at + 4);
            std::memcpy(bytes_.data() + at, &id, 4);
        } else {
            bytes_.push_back(id < 0 ? NARROW_MISSING : static_cast<std::uint8_t>(id));
        }
    }
    // Cells up to `count`, not typed.
    void pad(std::size_t count) {
        while (size() < count) push_back(MISSING);
    }
    std::size_t size() const { return wide_ ? bytes_.size() / 4 : bytes_.size(); }
    // The id, or MISSING.
    std::int32_t operator[](std::size_t i) const {
        if (!wide_) return bytes_[i] == NARROW_MISSING ? MISSING : bytes_[i];
        std::int32_t id;
        std::memcpy(&id, bytes_.data() + 4 * i, 4);
        return id;
    }
    void shrink_to_fit() { bytes_.shrink_to_fit(); }

private:
    static constexpr std::int32_t NARROW_MISSING = 255;
    void widen() {
        std::vector<std::uint8_t> wide(bytes_.size() * 4);
        for (std::size_t i = 0; i < bytes_.size(); ++i) {
            const std::int32_t id = bytes_[i] == NARROW_MISSING ? MISSING : bytes_[i];
            std::memcpy(wide.data() + 4 * i, &id, 4);
        }
        bytes_.swap(wide);
        wide_ = true;
    }
    std::vector<std::uint8_t> bytes_;
    bool wide_ = false;
};

}  // namespace phenostat

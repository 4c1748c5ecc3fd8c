#pragma once
// The program's one pseudo-random generator (used only by the group
// permutation test): a 32-bit linear congruential generator, state * 22695477
// + 1 modulo 2^32, each draw giving bits 16 to 30 of the new state (0..32767).

#include <cstdint>

namespace phenostat {

class RandomGenerator {
public:
    explicit RandomGenerator(std::uint32_t seed) : state_(seed) {}
    int next() {
        state_ = state_ * 22695477u + 1u;
        return static_cast<int>((state_ >> 16) & 0x7fffu);
    }

private:
    std::uint32_t state_;
};

}  // namespace phenostat

#pragma once
// The program's pseudo-random generators. RandomGenerator shuffles the group
// permutation test's samples: a 32-bit linear congruential generator, state * 22695477
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

namespace phenostat {

// The streams of the run's seed, one per analysis, so that one analysis's
// draws never shift another's (the group test keeps the dialogue's generator
// above). The AMOVA's tests take AMOVA + 256 t for test t.
enum SeedStream : std::uint64_t {
    MANTEL_STREAM = 1,
    BOOTSTRAP_STREAM = 2,
    AMOVA_STREAM = 3,
    PAIR_TEST_STREAM = 4,
};

// The generator of the resampling analyses (the Mantel test, the bootstrap,
// the AMOVA, the pair test): SplitMix64 over a 64-bit state, with unbiased
// bounded draws. A stream is fixed by the run's seed and its own number.
class Stream64 {
public:
    Stream64(std::uint64_t seed, std::uint64_t stream)
        : state_(seed * 0x9E3779B97F4A7C15ull ^ (stream << 32 | stream)) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform on 0 .. bound - 1 (bound > 0), by rejection of the incomplete last block.
    std::uint64_t below(std::uint64_t bound) {
        const std::uint64_t limit = ~std::uint64_t{0} - (~std::uint64_t{0} % bound);
        std::uint64_t x = next();
        while (x >= limit) x = next();
        return x % bound;
    }

private:
    std::uint64_t state_;
};

}  // namespace phenostat

#pragma once
// The program's pseudo-random generators. RandomGenerator shuffles the group
// permutation test's samples: a 32-bit linear congruential generator, state * 22695477
// + 1 modulo 2^32, each draw giving bits 16 to 30 of the new state (0..32767).
// Every other analysis draws from Draws, a counter-based generator.

#include <Random123/philox.h>

#include <cstddef>
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

// The analyses that draw at random, each with streams of its own: the key of
// every draw. The numbers are part of what a seed means; never reuse one.
enum class RandomAnalysis : std::uint64_t {
    mantel = 1,
    bootstrap = 2,
    amova_phi_st = 3,
    amova_phi_sc = 4,
    amova_phi_ct = 5,
    pair_test = 6,
};

// The draws of one replicate of one analysis: Philox4x64 (10 rounds), keyed by
// the run's seed and the analysis, counting from (replicate, unit, 0). Every
// replicate is a stream of its own that any thread can draw on its own, so
// results depend neither on the thread count nor on the order replicates
// run in, and no two seeds, analyses, replicates or units share draws.
// `unit` tells apart the independent tests of one analysis (a pair's number).
class Draws {
public:
    Draws(std::uint32_t seed, RandomAnalysis analysis, std::uint64_t replicate, std::uint64_t unit = 0)
        : key_{{seed, static_cast<std::uint64_t>(analysis)}}, counter_{{replicate, unit, 0, 0}} {}

    std::uint64_t next() {
        if (used_ == 4) {
            block_ = r123::Philox4x64()(counter_, key_);
            ++counter_.v[2];
            used_ = 0;
        }
        return block_.v[used_++];
    }
    // Uniform on 0 .. bound - 1 (bound > 0), by rejection of the incomplete last block.
    std::uint64_t below(std::uint64_t bound) {
        const std::uint64_t limit = ~std::uint64_t{0} - (~std::uint64_t{0} % bound);
        std::uint64_t x = next();
        while (x >= limit) x = next();
        return x % bound;
    }

private:
    r123::Philox4x64::key_type key_;
    r123::Philox4x64::ctr_type counter_;
    r123::Philox4x64::ctr_type block_{};
    std::size_t used_ = 4;
};

}  // namespace phenostat

#pragma once
// How long work tells how far it has come: after each of `total` steps, the
// worker calls step(done, total). The console decides what, if anything, to
// show.

#include <cstddef>

namespace phenostat {

class Progress {
public:
    virtual ~Progress() = default;
    virtual void step(std::size_t done, std::size_t total) = 0;
};

// Shows nothing.
class NoProgress final : public Progress {
public:
    void step(std::size_t, std::size_t) override {}
};

}  // namespace phenostat

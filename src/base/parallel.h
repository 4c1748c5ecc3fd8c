#pragma once
// The run's threads. The analyses hand independent pieces of work (loci,
// pairs, replicates) to parallel_for, each piece writing only its own result,
// and put the results together afterwards in a fixed order: no output
// depends on the thread count or on which thread ran what.

#include <cstddef>
#include <memory>
#include <vector>

namespace phenostat {

// The threads of every later parallel loop (count >= 1); set once, before
// the analyses.
void use_threads(int count);
// The processors the program may run on.
int available_cores();

// The calling thread's number in the running parallel loop (0 outside one).
std::size_t thread_index();
// The threads a loop started here would use; inside a loop, its team.
std::size_t team_size();

namespace detail {
void parallel_for(std::size_t count, std::size_t grain, void (*run)(void* body, std::size_t k), void* body);
}

// body(k) for k = 0 .. count-1, over the threads in chunks of `grain`
// consecutive k taken as threads come free. Inside another parallel loop it
// runs on the calling thread, k in order. An exception thrown by a body is
// rethrown once every body has run.
template <class Body>
void parallel_for(std::size_t count, std::size_t grain, Body body) {
    detail::parallel_for(
        count, grain, [](void* b, std::size_t k) { (*static_cast<Body*>(b))(k); }, &body);
}

// A T for each thread of a parallel loop, each on cache lines of its own and
// made on first use; kept from loop to loop so that caches stay warm. Made
// where the loops will run (outside them, or on the thread that runs one
// serially), after use_threads.
template <class T>
class PerThread {
public:
    PerThread() : slots_(team_size()) {}
    T& local() {
        std::unique_ptr<Slot>& slot = slots_.at(thread_index());
        if (!slot) slot = std::make_unique<Slot>();
        return slot->value;
    }

private:
    struct alignas(64) Slot {
        T value;
    };
    std::vector<std::unique_ptr<Slot>> slots_;
};

}  // namespace phenostat

#include "base/parallel.h"

#include <omp.h>

#include <algorithm>
#include <exception>

namespace phenostat {

void use_threads(int count) {
    omp_set_num_threads(std::max(count, 1));
    omp_set_max_active_levels(1);  // a loop inside a loop runs on its thread
}

int available_cores() { return omp_get_num_procs(); }

std::size_t thread_index() { return static_cast<std::size_t>(omp_get_thread_num()); }

std::size_t team_size() {
    return static_cast<std::size_t>(omp_in_parallel() ? omp_get_num_threads() : omp_get_max_threads());
}

namespace detail {

void parallel_for(std::size_t count, std::size_t grain, void (*run)(void*, std::size_t), void* body) {
    if (omp_in_parallel() || omp_get_max_threads() == 1 || count <= grain) {
        for (std::size_t k = 0; k < count; ++k) run(body, k);
        return;
    }
    std::exception_ptr failure;
    const auto chunk = static_cast<int>(std::max<std::size_t>(grain, 1));
    const auto n = static_cast<std::ptrdiff_t>(count);
#pragma omp parallel for schedule(dynamic, chunk)
    for (std::ptrdiff_t k = 0; k < n; ++k) {
        try {
            run(body, static_cast<std::size_t>(k));
        } catch (...) {
#pragma omp critical(phenostat_parallel_failure)
            if (!failure) failure = std::current_exception();
        }
    }
    if (failure) std::rethrow_exception(failure);
}

}  // namespace detail
}  // namespace phenostat

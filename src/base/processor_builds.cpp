#include "base/processor_builds.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>

namespace phenostat {

namespace {

ProcessorBuild detected_build() {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    __builtin_cpu_init();
    if (!__builtin_cpu_supports("popcnt")) return ProcessorBuild::portable;
    if (!__builtin_cpu_supports("avx2")) return ProcessorBuild::popcount;
    const bool wide = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
                      __builtin_cpu_supports("avx512vl");
    return wide ? ProcessorBuild::wide : ProcessorBuild::vector;
#else
    return ProcessorBuild::portable;
#endif
}

}  // namespace

ProcessorBuild processor_build() {
    static const ProcessorBuild build = [] {
        const ProcessorBuild detected = detected_build();
        const char* held = std::getenv("PHENOSTAT_BUILD");
        if (held == nullptr) return detected;
        constexpr const char* names[] = {"portable", "popcount", "vector", "wide"};
        for (std::size_t b = 0; b < std::size(names); ++b)
            if (std::strcmp(held, names[b]) == 0) return std::min(detected, static_cast<ProcessorBuild>(b));
        return detected;
    }();
    return build;
}

}  // namespace phenostat

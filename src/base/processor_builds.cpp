#include "base/processor_builds.h"

#include <cstdlib>
#include <cstring>

namespace phenostat {

ProcessorBuild processor_build() {
    static const ProcessorBuild build = [] {
        const char* held = std::getenv("PHENOSTAT_BUILD");
        if (held != nullptr && std::strcmp(held, "portable") == 0) return ProcessorBuild::portable;
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
        __builtin_cpu_init();
        if (!__builtin_cpu_supports("popcnt")) return ProcessorBuild::portable;
        return __builtin_cpu_supports("avx2") ? ProcessorBuild::vector : ProcessorBuild::popcount;
#else
        return ProcessorBuild::portable;
#endif
    }();
    return build;
}

}  // namespace phenostat

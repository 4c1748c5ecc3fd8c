#pragma once
// Hot loops compiled more than once, the build to run chosen once for the
// processor at hand, so that one portable binary runs at the speed of the
// machine:
//   - the popcount build uses the popcount instruction (counting carriers in
//     bit sets);
//   - the vector build adds AVX2's four-lane arithmetic (sums over
//     replicates computed side by side);
//   - the wide build adds AVX-512's eight lanes and its conversions of 64-bit
//     integers to doubles, which AVX2 lacks.
// Every build gives the same bits: counts are integers, and floating point is
// compiled without contractions (-ffp-contract=off), so a vector lane rounds
// as a scalar does. PHENOSTAT_BUILD=portable, popcount or vector (in the
// environment) holds every loop to at most that build, for comparing them.

namespace phenostat {

enum class ProcessorBuild { portable, popcount, vector, wide };
ProcessorBuild processor_build();

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define PHENOSTAT_TARGET_POPCOUNT [[gnu::target("popcnt")]]
#define PHENOSTAT_TARGET_VECTOR [[gnu::target("popcnt,avx2")]]
#define PHENOSTAT_TARGET_WIDE [[gnu::target("popcnt,avx2,avx512f,avx512dq,avx512vl")]]
#else
#define PHENOSTAT_TARGET_POPCOUNT
#define PHENOSTAT_TARGET_VECTOR
#define PHENOSTAT_TARGET_WIDE
#endif

// Defines `RESULT NAME PARAMETERS`, running `NAME##_in ARGUMENTS` (an
// always-inline function) built for TARGET where the processor has at least
// build WANTED, and portable elsewhere.
#define PHENOSTAT_BUILDS_FOR(TARGET, WANTED, RESULT, NAME, PARAMETERS, ARGUMENTS) \
    TARGET RESULT NAME##_fast PARAMETERS { return NAME##_in ARGUMENTS; }          \
    RESULT NAME##_portable PARAMETERS { return NAME##_in ARGUMENTS; }             \
    RESULT NAME PARAMETERS {                                                      \
        if (processor_build() >= WANTED) return NAME##_fast ARGUMENTS;            \
        return NAME##_portable ARGUMENTS;                                         \
    }

// With the popcount build.
#define PHENOSTAT_POPCOUNT_BUILDS(...) \
    PHENOSTAT_BUILDS_FOR(PHENOSTAT_TARGET_POPCOUNT, ProcessorBuild::popcount, __VA_ARGS__)

// With the wide build and the vector build.
#define PHENOSTAT_VECTOR_BUILDS(RESULT, NAME, PARAMETERS, ARGUMENTS)                      \
    PHENOSTAT_TARGET_WIDE RESULT NAME##_wide PARAMETERS { return NAME##_in ARGUMENTS; }   \
    PHENOSTAT_TARGET_VECTOR RESULT NAME##_fast PARAMETERS { return NAME##_in ARGUMENTS; } \
    RESULT NAME##_portable PARAMETERS { return NAME##_in ARGUMENTS; }                     \
    RESULT NAME PARAMETERS {                                                              \
        const ProcessorBuild build = processor_build();                                   \
        if (build >= ProcessorBuild::wide) return NAME##_wide ARGUMENTS;                  \
        if (build >= ProcessorBuild::vector) return NAME##_fast ARGUMENTS;                \
        return NAME##_portable ARGUMENTS;                                                 \
    }

}  // namespace phenostat

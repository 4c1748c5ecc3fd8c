#pragma once
// The memory this machine can give the program now.

#include <cstdint>

namespace phenostat {

// Bytes available without swapping (MemAvailable of /proc/meminfo, else the
// physical memory); 0 when unknown. PHENOSTAT_MEMORY_GB, when set to a
// positive number, is the amount instead (a cap for shared machines, and a
// fixed amount for tests).
std::uint64_t available_memory();

}  // namespace phenostat

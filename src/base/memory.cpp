#include "base/memory.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace phenostat {

std::uint64_t available_memory() {
    if (const char* cap = std::getenv("PHENOSTAT_MEMORY_GB")) {
        char* end = nullptr;
        const double gigabytes = std::strtod(cap, &end);
        if (end != cap && *end == '\0' && gigabytes > 0 && gigabytes < 1e9)
            return static_cast<std::uint64_t>(gigabytes * 1e9);
    }
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    std::uint64_t kib = 0;
    while (meminfo >> key >> kib) {
        if (key == "MemAvailable:") return kib * 1024;
        meminfo.ignore(256, '\n');
    }
    const long pages = sysconf(_SC_PHYS_PAGES), page_size = sysconf(_SC_PAGESIZE);
    return pages > 0 && page_size > 0 ? static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(page_size) : 0;
}

}  // namespace phenostat

#include "base/clock.h"

#include <charconv>
#include <cstdlib>
#include <cstring>

namespace phenostat {

std::time_t current_time() {
    if (const char* fixed = std::getenv("SOURCE_DATE_EPOCH")) {
        long long seconds = 0;
        const char* end = fixed + std::strlen(fixed);
        const auto [stop, error] = std::from_chars(fixed, end, seconds);
        if (error == std::errc() && stop == end && stop != fixed && seconds >= 0)
            return static_cast<std::time_t>(seconds);
    }
    return std::time(nullptr);
}

}  // namespace phenostat

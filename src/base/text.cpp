#include "base/text.h"

#include <cstdarg>
#include <cstdio>

namespace phenostat {
namespace {

void vappend(std::string& out, const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    char small[256];
    const int length = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (length < 0) return;
    if (static_cast<size_t>(length) < sizeof small) {
        out.append(small, static_cast<size_t>(length));
        return;
    }
    const size_t old_size = out.size();
    out.resize(old_size + static_cast<size_t>(length) + 1);
    std::vsnprintf(out.data() + old_size, static_cast<size_t>(length) + 1, format, args);
    out.resize(old_size + static_cast<size_t>(length));
}

}  // namespace

std::string strprintf(const char* format, ...) {
    std::string out;
    va_list args;
    va_start(args, format);
    vappend(out, format, args);
    va_end(args);
    return out;
}

void appendf(std::string& out, const char* format, ...) {
    va_list args;
    va_start(args, format);
    vappend(out, format, args);
    va_end(args);
}

}  // namespace phenostat

#include <charconv>
#include <cmath>

namespace phenostat {

void append_fixed(std::string& out, double value, int decimals) {
    char buffer[400];  // room for any finite double in fixed notation
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    out.append(buffer, result.ptr);
}

std::string shortest(double value) {
    if (!std::isfinite(value)) return "NA";
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string join_names(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& name : names) out += (out.empty() ? "" : ", ") + name;
    return out;
}

std::string memory_text(double bytes) {
    if (bytes >= 1e9) return strprintf("%.1f GB", bytes / 1e9);
    if (bytes >= 1e6) return strprintf("%.1f MB", bytes / 1e6);
    return strprintf("%.1f kB", bytes / 1e3);
}

std::string count_of(std::size_t count, const char* one, const char* many) {
    return strprintf("%zu %s", count, count == 1 ? one : many);
}

}  // namespace phenostat

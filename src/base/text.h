#pragma once
// printf-style formatting into std::string. Every number the program writes
// goes through here, so the output never depends on iostream state.

#include <cstddef>
#include <string>
#include <vector>

namespace phenostat {

#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
std::string
strprintf(const char* format, ...);

// Appends to `out` (same rules as strprintf).
#if defined(__GNUC__)
__attribute__((format(printf, 2, 3)))
#endif
void appendf(std::string& out, const char* format, ...);

}  // namespace phenostat

namespace phenostat {

// Appends `value` as printf's "%.<decimals>f" writes it in the C locale
// (std::to_chars is defined to give that text, and is much faster).
void append_fixed(std::string& out, double value, int decimals);

// The shortest text that reads back as the same double ("0.1", "3", "1e-05");
// "NA" for a value that is not finite.
std::string shortest(double value);

// An amount of memory: "12.3 GB" from a gigabyte on, else "45.6 MB", "7.8 kB".
std::string memory_text(double bytes);

// The names joined by ", ".
std::string join_names(const std::vector<std::string>& names);

// A count and its noun, singular for one: "1 locus", "2 loci", "0 loci".
std::string count_of(std::size_t count, const char* one, const char* many);

}  // namespace phenostat

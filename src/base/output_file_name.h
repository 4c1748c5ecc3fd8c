#pragma once
// An output file named "-" is standard output (--write-data -): opened, it is
// stdout itself; closed, it is only flushed; and nothing is removed by its
// name when a run stops.

#include <cstdio>
#include <string>

namespace phenostat {

inline bool is_standard_output(const std::string& path) { return path == "-"; }

// The file as messages name it: "standard output" for "-".
inline std::string output_name(const std::string& path) { return is_standard_output(path) ? "standard output" : path; }

// `path` opened for writing (created or emptied), or stdout for "-"; null
// when it cannot be opened.
std::FILE* open_output(const std::string& path);

// Closes what open_output opened (stdout is flushed and stays open); false
// when a write failed, then or before.
bool close_output(std::FILE* file);

}  // namespace phenostat

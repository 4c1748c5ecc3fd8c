#pragma once
// The files a run reads (data, sample map, coordinates): why one cannot be
// opened, in words a user can act on.

#include <string>

namespace phenostat {

// Why `path` cannot be opened for reading: "no such file", "permission
// denied", "it is a folder", or the system's own words; empty when it opens.
std::string unreadable_reason(const std::string& path);

// The file's size in bytes, as run.tsv records it; NA for a pipe or anything
// else without one.
std::string file_bytes(const std::string& path);

// FatalError "Opening the <what> <path> failed: <reason>." when it cannot be read.
void require_readable(const std::string& path, const char* what);

}  // namespace phenostat

#pragma once
// An output file written whole beside its place (PATH.partial-XXXXXX) and
// moved there only once complete, so that no reader ever sees part of it and
// a run that fails leaves none: the report page.

#include <string>
#include <string_view>

namespace phenostat {

class PendingFile {
public:
    // `replace`: an existing file at `path` is replaced (--overwrite); else
    // it is refused. Writes `text` to the partial file (FatalError when that
    // fails, nothing left).
    PendingFile(std::string path, bool replace, std::string_view text);
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;
    // Removes the partial file, unless committed.
    ~PendingFile();
    // Moves the file into place (FatalError when that fails or, without
    // `replace`, when a file has appeared there meanwhile).
    void commit();

private:
    std::string path_, partial_;
    bool replace_;
    bool committed_ = false;
};

}  // namespace phenostat

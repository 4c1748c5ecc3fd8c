#pragma once
// An output file written whole beside its place (PATH.partial-XXXXXX) and
// moved there only once complete, so that no reader ever sees part of it and
// a run that fails leaves none: the report page.

#include <csignal>
#include <string>
#include <string_view>

namespace phenostat {

// SIGINT, SIGTERM and SIGHUP held back on this thread while it lives, so
// that the last steps of a run (the page moved into place, the tables
// committed) are not cut between two of them; a signal held is taken after.
class SignalsHeld {
public:
    SignalsHeld();
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;
    ~SignalsHeld();

private:
    sigset_t before_;
};

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

#pragma once
// Files a stopped run must not leave behind. While a SignalCleanup lives,
// SIGINT, SIGTERM and SIGHUP (unless ignored, as under nohup) first remove
// the paths it holds, then take the course they would have taken without it:
// the handlers found are put back, and the signal raised again. Its
// destructor puts the handlers it found back too.
//
// Arm it before making what it removes, and make that inside hold(): the
// signals wait while the paths are made and named, so no signal between the
// two leaves them behind.

#include <csignal>
#include <functional>
#include <string>
#include <vector>

namespace phenostat {

// SIGINT, SIGTERM and SIGHUP held back on this thread while it lives, so
// that steps which must not be cut between two of them (the report page
// moved into place, the tables committed) run whole; a signal held is taken
// after.
class SignalsHeld {
public:
    SignalsHeld();
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;
    ~SignalsHeld();

private:
    sigset_t before_;
};

class SignalCleanup {
public:
    SignalCleanup();
    SignalCleanup(const SignalCleanup&) = delete;
    SignalCleanup& operator=(const SignalCleanup&) = delete;
    ~SignalCleanup();

    // Runs `make` with the signals held back, then removes on a signal the
    // paths it returns, in their order (files first, then the folder that held
    // them: a folder is removed only once empty).
    void hold(const std::function<std::vector<std::string>()>& make);
    // Nothing to remove any more.
    void release();

private:
    std::string paths_;  // NUL-terminated back to back, then an empty one
    struct Armed {
        int signal;
        struct sigaction found;  // put back by the destructor
    };
    std::vector<Armed> armed_;
};

}  // namespace phenostat

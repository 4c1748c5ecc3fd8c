#include "app/signal_cleanup.h"

#include <unistd.h>

#include <atomic>
#include <cstring>

namespace phenostat {
namespace {

// What the handler reads: only lock-free atomics and plain records, set
// before the handlers are armed.
std::atomic<const char*> paths_to_remove{nullptr};
struct Found {
    int signal;
    struct sigaction action;
};
Found found_actions[] = {{SIGINT, {}}, {SIGTERM, {}}, {SIGHUP, {}}};

extern "C" void remove_and_stop(int signal) {
    if (const char* path = paths_to_remove.exchange(nullptr)) {
        for (const char* next; *path != '\0'; path = next) {
            next = path + std::strlen(path) + 1;
            if (unlink(path) != 0) rmdir(path);
        }
    }
    for (const Found& found : found_actions)
        if (found.signal == signal) sigaction(signal, &found.action, nullptr);
    raise(signal);
}

sigset_t stop_signals() {
    sigset_t set;
    sigemptyset(&set);
    for (const Found& found : found_actions) sigaddset(&set, found.signal);
    return set;
}

}  // namespace

SignalsHeld::SignalsHeld() {
    const sigset_t held = stop_signals();
    pthread_sigmask(SIG_BLOCK, &held, &before_);
}

SignalsHeld::~SignalsHeld() { pthread_sigmask(SIG_SETMASK, &before_, nullptr); }

SignalCleanup::SignalCleanup() {
    struct sigaction action = {};
    action.sa_handler = remove_and_stop;
    sigemptyset(&action.sa_mask);
    for (Found& found : found_actions) {
        sigaction(found.signal, nullptr, &found.action);
        if (found.action.sa_handler == SIG_IGN) continue;  // as under nohup: ignored it stays
        armed_.push_back({found.signal, found.action});
        sigaction(found.signal, &action, nullptr);
    }
}

SignalCleanup::~SignalCleanup() {
    release();
    for (const Armed& armed : armed_) sigaction(armed.signal, &armed.found, nullptr);
}

void SignalCleanup::hold(const std::function<std::vector<std::string>()>& make) {
    const SignalsHeld held;
    paths_.clear();
    for (const std::string& path : make()) paths_ += path + '\0';
    paths_ += '\0';
    paths_to_remove.store(paths_.data());
}

void SignalCleanup::release() { paths_to_remove.store(nullptr); }

}  // namespace phenostat

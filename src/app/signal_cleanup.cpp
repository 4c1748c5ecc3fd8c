#include "app/signal_cleanup.h"

#include <unistd.h>

#include <atomic>
#include <cstring>
#include <iterator>

namespace phenostat {
namespace {

constexpr int STOP_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};

// What the handler reads: only lock-free atomics and plain arrays, set
// before the handlers are armed.
std::atomic<const char*> paths_to_remove{nullptr};
struct sigaction found_actions[std::size(STOP_SIGNALS)];

extern "C" void remove_and_stop(int signal) {
    if (const char* path = paths_to_remove.exchange(nullptr)) {
        for (const char* next; *path != '\0'; path = next) {
            next = path + std::strlen(path) + 1;
            if (unlink(path) != 0) rmdir(path);
        }
    }
    for (std::size_t i = 0; i < std::size(STOP_SIGNALS); ++i)
        if (STOP_SIGNALS[i] == signal) sigaction(signal, &found_actions[i], nullptr);
    raise(signal);
}

sigset_t stop_signals() {
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : STOP_SIGNALS) sigaddset(&set, signal);
    return set;
}

}  // namespace

SignalCleanup::SignalCleanup() {
    struct sigaction action = {};
    action.sa_handler = remove_and_stop;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < std::size(STOP_SIGNALS); ++i) {
        sigaction(STOP_SIGNALS[i], nullptr, &found_[i]);
        if (found_[i].sa_handler == SIG_IGN) continue;  // as under nohup: ignored it stays
        found_actions[i] = found_[i];
        sigaction(STOP_SIGNALS[i], &action, nullptr);
        armed_[i] = true;
    }
}

SignalCleanup::~SignalCleanup() {
    release();
    for (std::size_t i = 0; i < std::size(STOP_SIGNALS); ++i)
        if (armed_[i]) sigaction(STOP_SIGNALS[i], &found_[i], nullptr);
}

void SignalCleanup::hold(const std::function<std::vector<std::string>()>& make) {
    const sigset_t held = stop_signals();
    sigset_t before;
    pthread_sigmask(SIG_BLOCK, &held, &before);
    try {
        paths_.clear();
        for (const std::string& path : make()) paths_ += path + '\0';
        paths_ += '\0';
        paths_to_remove.store(paths_.data());
    } catch (...) {
        pthread_sigmask(SIG_SETMASK, &before, nullptr);
        throw;
    }
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
}

void SignalCleanup::release() { paths_to_remove.store(nullptr); }

}  // namespace phenostat

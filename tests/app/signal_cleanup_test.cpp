// The clean-up of a stopped run, within one process: a signal it catches
// removes its paths and then reaches the handler it found; an ignored signal
// stays ignored; and once it is gone every handler is the one it found.

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/signal_cleanup.h"

namespace phenostat {
namespace {

volatile std::sig_atomic_t hangups = 0;
extern "C" void count_hangup(int) { hangups = hangups + 1; }

void (*handler_of(int signal))(int) {
    struct sigaction now = {};
    sigaction(signal, nullptr, &now);
    return now.sa_handler;
}

TEST(SignalCleanup, RemovesThenHandsOnAndPutsBackWhatItFound) {
    struct sigaction counting = {}, ignoring = {}, hangup_before = {}, term_before = {};
    counting.sa_handler = count_hangup;
    ignoring.sa_handler = SIG_IGN;
    sigaction(SIGHUP, &counting, &hangup_before);
    sigaction(SIGTERM, &ignoring, &term_before);
    const auto interrupt_before = handler_of(SIGINT);
    const std::string file = testing::TempDir() + "signal_cleanup_file";
    const auto make = [&] {
        std::ofstream(file) << "partial";
        return std::vector<std::string>{file};
    };
    {
        SignalCleanup cleanup;
        cleanup.hold(make);
        raise(SIGTERM);
        EXPECT_TRUE(std::filesystem::exists(file)) << "an ignored signal removed the file";
        raise(SIGHUP);
        EXPECT_FALSE(std::filesystem::exists(file));
        EXPECT_EQ(hangups, 1);
    }
    {
        SignalCleanup cleanup;
        cleanup.hold(make);
        cleanup.release();
    }
    EXPECT_TRUE(std::filesystem::exists(file)) << "a released path was removed";
    EXPECT_EQ(handler_of(SIGHUP), count_hangup);
    EXPECT_EQ(handler_of(SIGTERM), SIG_IGN);
    EXPECT_EQ(handler_of(SIGINT), interrupt_before);
    std::filesystem::remove(file);
    sigaction(SIGHUP, &hangup_before, nullptr);
    sigaction(SIGTERM, &term_before, nullptr);
}

}  // namespace
}  // namespace phenostat

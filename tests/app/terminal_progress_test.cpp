// The progress line's arithmetic and its ends, which the terminal test sees
// only in runs too quick to leave time: the time left once work has taken
// some, and a finished task that is stepped again.

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <thread>

#include "app/terminal_progress.h"

namespace phenostat {
namespace {

TEST(TerminalProgress, TimeLeftIsTheElapsedTimeScaledToTheWorkLeft) {
    std::ostringstream err;
    TerminalProgress progress(err, true);
    progress.task("loci");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    progress.step(1000, 1001);  // 0.3 s for 1,000 steps: under a second for the last one
    EXPECT_EQ(err.str(), "\rloci: 1000 of 1001, 0 s left   ");
}

TEST(TerminalProgress, AFinishedTaskIsDrawnOnceAndItsLineEnded) {
    std::ostringstream err, quiet;
    TerminalProgress progress(err, true), hidden(quiet, false);
    for (TerminalProgress* p : {&progress, &hidden}) {
        p->task("pairs");
        p->step(3, 3);
        p->step(3, 3);
        p->end_line();
    }
    EXPECT_EQ(err.str(), "\rpairs: 3 of 3, 0 s left   \n");
    EXPECT_EQ(quiet.str(), "");
}

}  // namespace
}  // namespace phenostat

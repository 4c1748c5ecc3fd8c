#pragma once
// The command line's progress display: one line on standard error, rewritten
// as the work goes, with the task, the count, the total and the time left.

#include <chrono>
#include <ostream>

#include "base/progress.h"

namespace phenostat {

class TerminalProgress final : public Progress {
public:
    // `shown` false: draws nothing (--quiet, or standard error is no terminal).
    TerminalProgress(std::ostream& err, bool shown) : err_(err), shown_(shown) {}
    // Starts the next task, ending the line of the last one.
    TerminalProgress& task(const char* label);
    void step(std::size_t done, std::size_t total) override;
    // Ends a progress line left open, before other text is written.
    void end_line();

private:
    std::ostream& err_;
    bool shown_;
    bool open_ = false;      // a line drawn without its line end
    bool finished_ = false;  // the task's last line is drawn
    const char* label_ = "";
    std::chrono::steady_clock::time_point start_, last_;
};

}  // namespace phenostat

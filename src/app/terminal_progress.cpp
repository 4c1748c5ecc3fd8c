#include "app/terminal_progress.h"

#include "base/text.h"

namespace phenostat {

TerminalProgress& TerminalProgress::task(const char* label) {
    end_line();
    label_ = label;
    start_ = last_ = std::chrono::steady_clock::now();
    finished_ = false;
    return *this;
}

void TerminalProgress::step(std::size_t done, std::size_t total) {
    if (!shown_ || done == 0 || finished_) return;
    const auto now = std::chrono::steady_clock::now();
    if (done < total && now - last_ < std::chrono::milliseconds(200)) return;
    last_ = now;
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    const double left = elapsed * static_cast<double>(total - done) / static_cast<double>(done);
    err_ << strprintf("\r%s: %zu of %zu, %.0f s left   ", label_, done, total, left);
    open_ = done < total;
    finished_ = !open_;
    if (finished_) err_ << '\n';
    err_.flush();
}

void TerminalProgress::end_line() {
    if (open_) err_ << '\n';
    open_ = false;
}

}  // namespace phenostat

#pragma once
// The one way a run stops early: the failing layer throws FatalError with the
// console text to show; the driver prints it, waits for one character (the
// user's Enter) and ends the process with exit status 1.

#include <stdexcept>
#include <string>

namespace phenostat {

struct FatalError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

}  // namespace phenostat

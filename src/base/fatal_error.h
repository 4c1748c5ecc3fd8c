#pragma once
// The one way a run stops early: the failing layer throws FatalError with the
// console text to show; the dialogue prints it and waits for one character
// (the user's Enter), the command line writes it on standard error; either
// way the process ends with exit status 1.

#include <stdexcept>
#include <string>

namespace phenostat {

struct FatalError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

}  // namespace phenostat

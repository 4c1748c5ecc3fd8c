#pragma once
// The one way a run stops early: the failing layer throws FatalError with the
// console text to show; the dialogue prints it and waits for one character
// (the user's Enter), the command line writes it on standard error; either
// way the process ends with exit status 1. A UsageError is a command that
// cannot run as typed, whatever the data hold: exit status 2.

#include <stdexcept>
#include <string>

namespace phenostat {

struct FatalError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct UsageError : FatalError {
    using FatalError::FatalError;
};

}  // namespace phenostat

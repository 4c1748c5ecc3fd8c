#pragma once
// The command line: `phenostat [OPTIONS] DATA` runs the chosen analyses
// without a question or a pause, and writes the classic files and the tidy
// tables. Exit status 0 on success, 1 for a data or file problem, 2 for a
// usage error.

#include <ostream>

namespace phenostat {

int run_command_line(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace phenostat

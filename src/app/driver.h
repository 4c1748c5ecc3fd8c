#pragma once
// The dialogue's run, from the banner to the final message, over any pair of
// streams (the real program passes standard input and output): the answers
// make a RunPlan, the Runner runs it between the dialogue's pauses.

#include <cstdint>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "base/console.h"
#include "base/progress.h"
#include "base/warning.h"
#include "input/data_file.h"
#include "load/load_dataset.h"

namespace phenostat {

// Loads, codes and summarises the data file, then prints the load phase's
// messages; `warnings` receives the loader's. Throws FatalError when the file cannot be opened or read, has no
// data line or no locus column, when a locus exceeds the fixed capacities, or
// when its summaries would not fit in memory.
Dataset load_phase(Console& console, const std::string& input_path, std::vector<Warning>& warnings);

// One whole run. `seed` fixes the seed of the random generator (tests); without
// it the generator is seeded with the current time in seconds, read right
// after the dialogue. Returns the exit status: 0 for a completed run, 1 for a
// run stopped by a fatal error (after its message and one character read).
int run_program(std::istream& in, std::ostream& out, std::optional<std::uint32_t> seed = std::nullopt);

}  // namespace phenostat

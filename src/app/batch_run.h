#pragma once
// A command-line run of a plan: no question and no pause. The analyses go
// through the Runner; the counts, the seed and the files written go to `out`,
// the warnings, the progress line and any error to `err`.

#include <ostream>
#include <string>

#include "app/run_plan.h"

namespace phenostat {

// Exit status 0 on success, 1 for a data or file problem, 2 for a usage
// error. Any output the plan would be refused (the tables of an earlier run,
// a folder that cannot be written, a coordinates file that does not open) is
// refused before the data are read.
int run_batch(const RunPlan& plan, std::ostream& out, std::ostream& err);

// Says `message` as a usage error on `err`; returns exit status 2.
int usage_error(std::ostream& err, const std::string& message);

}  // namespace phenostat

#pragma once
// A command-line run of a plan: no question and no pause. The analyses go
// through the Runner; the counts, the seed and the files written go to `out`,
// the warnings, the progress line and any error to `err`.

#include <ostream>

#include "app/run_plan.h"

namespace phenostat {

// Exit status 0 on success, 1 for a data or file problem.
int run_batch(const RunPlan& plan, std::ostream& out, std::ostream& err);

}  // namespace phenostat

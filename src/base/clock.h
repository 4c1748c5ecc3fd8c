#pragma once
// "Now" for the run header's date and the default seed. Reproducible builds'
// SOURCE_DATE_EPOCH convention: when that variable holds a whole number of
// seconds since 1970, it is the current time, so that tests and archived runs
// give the same bytes whenever they are run.

#include <ctime>

namespace phenostat {

std::time_t current_time();

}  // namespace phenostat

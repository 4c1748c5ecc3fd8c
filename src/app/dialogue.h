#pragma once
// The console dialogue of a run: the banner, the names of the data file and
// of the two output files, and the four questions that choose the analyses.
//
// Every answer is read from the Console exactly as the prompts describe; an
// answer that is needed but cannot be read because the input has ended stops
// the run (FatalError), so a script of answers that runs short never loops.

#include <string>

#include "app/run_plan.h"
#include "base/console.h"

namespace phenostat {

// The program's banner, with the fixed capacities.
void print_banner(Console& console);

// Asks for the data file (until a readable file is named) and the output stem,
// and fills the plan's data file, stem and the two output files.
void ask_file_names(Console& console, RunPlan& plan);

// Prints the note that the options are not exclusive, then asks the four
// questions (with the coordinates file after a yes to pairwise F'st and the
// number of permutations after a yes to groups).
void ask_analyses(Console& console, RunPlan& plan);

// One yes/no question: prints it, reads one character as the answer and
// discards the next one; repeats until the answer is 'y' or 'n'.
bool ask_yes_no(Console& console, const char* question);

// The coordinates file after a yes to pairwise F'st; empty: no distances.
std::string ask_coordinates_file(Console& console);

// The number of permutations after a yes to groups (at least 1). Reads one
// word per attempt; the rest of the line of the accepted word stays unread.
int ask_permutations(Console& console);

// The value of a permutation answer: its leading decimal integer with an
// optional sign, 0 when it has none. False when the value is outside the
// range of int.
bool parse_leading_int(const std::string& word, int& value);

// True when `path` names something that can be opened for reading as a file
// (a directory cannot).
bool is_readable_file(const std::string& path);

}  // namespace phenostat

#pragma once
// The console dialogue of a run: the banner, the names of the data file and
// of the two output files, and the four questions that choose the analyses.
//
// Every answer is read from the Console exactly as the prompts describe; an
// answer that is needed but cannot be read because the input has ended stops
// the run (FatalError), so a script of answers that runs short never loops.

#include <string>

#include "base/console.h"

namespace phenostat {

// Everything the dialogue decides about a run.
struct RunOptions {
    std::string input_path;    // the data file, as typed
    std::string stem;          // as typed; may be empty
    std::string stats_path;    // stem + "_stats.txt"
    std::string summary_path;  // stem + "_summary.txt"
    bool all_samples = false;  // statistics for all samples together
    bool per_sample = false;   // statistics for each sample in turn
    bool pairwise = false;     // F'st between every pair of samples
    bool groups = false;       // group statistics with the permutation test
    std::string coordinates_path;  // coordinates file for the distances; empty: no distances
    int permutations = 0;      // at least 1 when `groups`, else 0
};

// The program's banner, with the fixed capacities.
void print_banner(Console& console);

// Asks for the data file (until a readable file is named) and the output stem,
// and fills the four path fields of `options`.
void ask_file_names(Console& console, RunOptions& options);

// Prints the note that the options are not exclusive, then asks the four
// questions (with the coordinates file after a yes to pairwise F'st and the
// number of permutations after a yes to groups).
void ask_analyses(Console& console, RunOptions& options);

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

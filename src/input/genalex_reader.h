#pragma once
// GenAlEx spreadsheets saved as CSV, or as text separated by tabs (a tab on
// line 1 tells). Line 1 holds the numbers of loci, of individuals and of
// populations, then each population's size (any later cells are not read).
// Line 2 holds a title, two empty cells and the populations' names. Line 3
// holds the individuals' and the populations' headers, then each locus name
// followed by as many empty cells as its ploidy less one. Each later line is
// an individual: its label, its population's name and its alleles, one a
// cell; 0, -1 and an empty cell are missing alleles. Columns after the last
// locus's and an empty one, whose header is not empty (the spreadsheet's
// coordinates), are passed over with a warning. The counts of line 1 must be
// those of the rows. Rows of empty cells are passed over.

#include "base/progress.h"
#include "input/converted_rows.h"

namespace phenostat {

// FatalError naming the file and line of the first line that breaks a rule,
// and the count of line 1 that the rows do not match.
void read_genalex(ConvertedRows& rows, Progress& progress);

}  // namespace phenostat

#pragma once
// GenoDive files. Line 1 is a comment. Line 2 holds five whole numbers: the
// individuals, the populations, the loci, the highest ploidy and the digits
// per allele. One line per population name follows. Then a header line:
// Population, Individual, optionally Ploidy, then the locus names. Each later
// line is an individual: its population's number (from 1), its label, its
// ploidy when the header has that column, then at each locus its alleles
// written together at the digits of line 2 (101101103 is 101, 101 and 103),
// no more than its ploidy (the highest, without the column). An allele of
// zeros is missing; an empty genotype, or one of zeros alone, is missing.
// Fields are separated by tabs when the header holds one (empty fields then
// count), else by blanks. Blank lines are passed over. The counts of line 2
// must be those of the file.

#include "base/progress.h"
#include "input/converted_rows.h"

namespace phenostat {

// FatalError naming the file and line of the first line that breaks a rule,
// and the count of line 2 that the rows do not match.
void read_genodive(ConvertedRows& rows, Progress& progress);

}  // namespace phenostat

#pragma once
// Genepop files. Line 1 is a title. The locus names follow, one a line or
// several separated by commas, up to the first line that is "Pop" (in any
// case). Each Pop line opens a population; each line after it is an
// individual, "label, genotype genotype ...", separated by blanks. A genotype
// is 2 or 3 digits (one allele) or 4 or 6 (two alleles of 2 or 3 digits), as
// many for every genotype of the file; one with an allele of zeros is
// missing. A population is named by the label all its individuals share,
// when they share one, else "popK" for the K-th Pop line. Blank lines are
// passed over.

#include <string>

#include "base/progress.h"
#include "input/converted_rows.h"

namespace phenostat {

// FatalError naming the file and line of the first line that breaks a rule.
void read_genepop(ConvertedRows& rows, Progress& progress);

}  // namespace phenostat

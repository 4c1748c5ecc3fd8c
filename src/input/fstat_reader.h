#pragma once
// FSTAT files. Line 1 holds four whole numbers: the populations, the loci,
// the highest allele and the digits per allele. The locus names follow, one a
// line. Each later line is an individual: its population's number (from 1 to
// the populations of line 1), then one genotype a locus, separated by blanks.
// A genotype is two alleles written together (twice the digits) or, in a
// haploid file, one; as many digits for every genotype of the file. 0, and a
// genotype with an allele of zeros, is missing. Populations are named by
// their number, individuals by their number in file order. Blank lines are
// passed over.

#include "base/progress.h"
#include "input/converted_rows.h"

namespace phenostat {

// FatalError naming the file and line of the first line that breaks a rule.
void read_fstat(ConvertedRows& rows, Progress& progress);

}  // namespace phenostat

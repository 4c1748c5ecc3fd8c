#pragma once
// The summary file (<stem>_summary.txt): for every locus, one block of four
// tables (allele-carrier counts, carrier frequencies, phenotype counts,
// phenotype frequencies), each with an "Over all Samples" row and one row per
// sample of the catalogue.
//
// Columns are the alleles and phenotypes in pooled first-seen order: walking
// the samples in catalogue order and their typed individuals in file order,
// each individual's codes ascending. At most 500 phenotypes are listed; a
// later one is neither listed nor counted, though its individuals still count
// in the denominators, so such a row's frequencies add up to less than 1.

#include <string>
#include <string_view>

#include "analyses/analyses.h"

namespace phenostat {

// The block of one locus, as one string: the columns from the pooled tally,
// the rows from the locus's per-sample summaries.
std::string frequency_summary_text(const CodedLocus& locus, const LocusSummary& summary, const PooledTally& pooled,
                                   const SampleCatalogue& catalogue, std::string_view locus_name);

}  // namespace phenostat

#pragma once
// The AMOVA's and the pair test's tidy tables and console summary.

#include <string>
#include <vector>

#include "analyses/amova.h"
#include "analyses/pair_permutation.h"
#include "base/warning.h"

namespace phenostat {

// amova.tsv: a row per level and the total.
std::string amova_table(const AmovaResult& amova);
// amova_phi.tsv: a row per Phi statistic.
std::string amova_phi_table(const AmovaResult& amova);
// phipt_matrix.tsv: the pairs' Phi_ST, laid out as fst_matrix.tsv.
std::string phipt_matrix(const std::vector<double>& phi_st, const SampleCatalogue& catalogue);
// The report page's section: the AMOVA table and the Phi statistics.
std::string amova_section(const AmovaResult& amova);
// The summary on the console.
std::string amova_console_text(const AmovaResult& amova);
// What the command line warns of: samples left out for want of a group, no locus contributing.
std::vector<Warning> amova_warnings(const AmovaResult& amova);

}  // namespace phenostat

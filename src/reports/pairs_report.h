#pragma once
// The pairwise F'st on the report page and beside it: the matrix as a
// heatmap in the order of its UPGMA tree (fst_heatmap.svg), that order as a
// table (fst_order.tsv), and the section of the page.

#include <string>
#include <string_view>
#include <vector>

#include "analyses/pairs.h"
#include "analyses/upgma.h"

namespace phenostat {

// The pairs' F'st as a square matrix (row by row, 0 on the diagonal).
std::vector<double> fst_distances(const std::vector<PairResult>& pairs, std::size_t sample_count);
// fst_order.tsv: the samples in the tree's order.
std::string fst_order_table(const Clustering& tree, const SampleCatalogue& catalogue);
// The heatmap with the tree above it; cell values written up to 30 samples,
// names and tooltips up to 100. `p_bh[k]`, when a permutation test ran (else
// empty), is pairs[k]'s Benjamini-Hochberg P: the cells of the pairs whose P
// is at least 0.05 (the F'st not told from chance) are marked.
std::string fst_heatmap_plot(const std::vector<double>& fst, const Clustering& tree, const SampleCatalogue& catalogue,
                             std::string_view data_name, const std::vector<PairResult>& pairs = {},
                             const std::vector<double>& p_bh = {});
// The page's section: the pairs' range of F'st and the figure (`tested`:
// with the permutation test's marks).
std::string pairs_section(const std::vector<PairResult>& pairs, const std::string& heatmap, bool tested,
                          std::string_view files);

}  // namespace phenostat

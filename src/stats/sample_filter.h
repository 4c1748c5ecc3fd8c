#pragma once
// A data set with some of its samples left out, as if their lines were never
// read: every analysis sees only the samples kept, numbered among themselves.
// The loader is not involved; the samples' catalogue entries, their per-locus
// summaries and their individuals' phenotype sizes are dropped from the data
// set as loaded. The per-individual ids (Dataset::cells) stay, addressed by
// the rows of the samples kept.

#include <string>
#include <vector>

#include "stats/dataset.h"

namespace phenostat {

// Keeps the samples s with keep[s] (one entry per catalogue sample).
void keep_samples(Dataset& data, const std::vector<char>& keep);

}  // namespace phenostat

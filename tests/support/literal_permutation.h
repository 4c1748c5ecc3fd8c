#pragma once
// The permutation test done the literal way: sample names shuffled, every
// row's group column rewritten from the name's new position, every group
// recomputed from its rows' text.

#include <cstdint>
#include <vector>

#include "literal_reference.h"

namespace phenostat::literal {

// The P-values of `permutations` replicates with the program's generator
// seeded with `seed`. The samples are the runs of equal sample name in
// `rows`; a sample's slot holds the group named on its first row.
ComparedStatistics permutation_p_values(std::vector<GroupedRow> rows, int permutations, std::uint32_t seed);

}  // namespace phenostat::literal

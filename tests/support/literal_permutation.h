#pragma once
// The group permutation test done the literal way, for the end-to-end tests:
// the samples shuffled with the program's linear congruential generator, each
// replicate's groups recomputed from their rows' text.

#include <cstdint>

#include "support/literal_reference.h"

namespace phenostat::literal {

// The P-values of `permutations` replicates, the generator seeded with `seed`.
ComparedStatistics permutation_p_values(const std::vector<GroupedRow>& rows, int permutations, std::uint32_t seed);

}  // namespace phenostat::literal

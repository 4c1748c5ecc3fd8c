#pragma once
// Small pieces shared by the analysis drivers.

#include <numeric>
#include <vector>

#include "analyses/analyses.h"
#include "analyses/set_statistics.h"

namespace phenostat {

inline std::vector<std::size_t> all_samples(std::size_t count) {
    std::vector<std::size_t> set(count);
    std::iota(set.begin(), set.end(), std::size_t{0});
    return set;
}

}  // namespace phenostat

#pragma once
// F'st between every pair of samples, with their geodesic distance when the
// samples have sites and a bootstrap interval when one is asked for.

#include <cstddef>
#include <vector>

#include "analyses/bootstrap.h"
#include "analyses/set_statistics.h"
#include "base/progress.h"
#include "input/coordinates.h"
#include "stats/dataset.h"

namespace phenostat {

enum class DistanceStatus {
    none,          // no coordinates were given
    found,         // km holds the geodesic distance
    missing_site,  // a sample of the pair has no coordinates
    antipodal,     // nearly antipodal sites: the iteration did not converge
    not_finite,    // a coordinate is not a finite number
};

// Two samples by their catalogue indices, first < second.
struct SamplePair {
    std::size_t first = 0, second = 0;
};

// Every pair of `count` samples in the order of every pairwise table: by the
// first sample, then the second (0-1, 0-2, ..., 1-2, ...).
std::vector<SamplePair> sample_pairs(std::size_t count);

struct PairResult {
    std::size_t first = 0, second = 0;                     // catalogue indices, first < second
    double fst_unshared = 0, fst_shannon = 0, fst_pq = 0;  // the pair's averages across loci
    std::size_t loci_without_pairs_within = 0;
    DistanceStatus distance = DistanceStatus::none;
    double km = 0;          // when distance == found
    Interval fst_interval;  // of fst_unshared, with a bootstrap
};

// Every pair i < j in catalogue order, each analysed as a two-sample data
// set; with `sites`, the distance from sample j's site to sample i's; with
// `resamples`, a bootstrap interval of the F'st.
std::vector<PairResult> analyse_pairs(const Dataset& data, const Coordinates* sites, Progress& progress,
                                      const LocusResamples* resamples = nullptr);

}  // namespace phenostat

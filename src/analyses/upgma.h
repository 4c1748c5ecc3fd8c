#pragma once
// Average-linkage (UPGMA) clustering of a distance matrix, for the order and
// the tree drawn beside the pairwise F'st.

#include <cstddef>
#include <vector>

namespace phenostat {

// A merge of two clusters, as R's hclust numbers them: leaf k is -(k + 1),
// the cluster made by merge m (from 1) is m. A leaf comes before a cluster,
// of two leaves the lower first, of two clusters the earlier first.
struct ClusterMerge {
    long left = 0, right = 0;
    double height = 0;  // the mean distance between the two clusters' leaves
};

struct Clustering {
    std::vector<ClusterMerge> merges;  // count - 1 of them, in the order made
    std::vector<std::size_t> order;    // the leaves as the tree lays them out, left branch first
};

// `distance` is a symmetric count x count matrix, row by row (its diagonal
// unread). Each step merges the two closest clusters; of equally close pairs,
// the one whose clusters' first leaves come first (the lower of the two
// first leaves, then the other), as R's hclust(method = "average") does, so
// the leaf order is R's.
Clustering upgma(const std::vector<double>& distance, std::size_t count);

}  // namespace phenostat

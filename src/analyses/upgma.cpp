#include "analyses/upgma.h"

#include <utility>

namespace phenostat {
namespace {

// The leaves under `node` (a merge's side), left branch first.
void lay_out(const std::vector<ClusterMerge>& merges, long node, std::vector<std::size_t>& order) {
    if (node < 0) {
        order.push_back(static_cast<std::size_t>(-node - 1));
        return;
    }
    const ClusterMerge& merge = merges[static_cast<std::size_t>(node - 1)];
    lay_out(merges, merge.left, order);
    lay_out(merges, merge.right, order);
}

}  // namespace

Clustering upgma(const std::vector<double>& distance, std::size_t count) {
    // Each cluster sits at the place of its first leaf; `active` marks the
    // places still holding one, `node` its number, `size` its leaves.
    std::vector<double> d = distance;
    std::vector<char> active(count, 1);
    std::vector<long> node(count);
    std::vector<double> size(count, 1);
    for (std::size_t k = 0; k < count; ++k) node[k] = -static_cast<long>(k) - 1;
    Clustering result;
    for (std::size_t step = 1; step < count; ++step) {
        std::size_t a = 0, b = 0;
        bool found = false;
        for (std::size_t i = 0; i < count; ++i) {
            if (!active[i]) continue;
            for (std::size_t j = i + 1; j < count; ++j)
                if (active[j] && (!found || d[i * count + j] < d[a * count + b])) a = i, b = j, found = true;
        }
        ClusterMerge merge{node[a], node[b], d[a * count + b]};
        // hclust's sides: a leaf first, of two leaves the lower, of two clusters the earlier.
        const bool swap = (merge.left > 0 && merge.right < 0) ||
                          (merge.left > 0 && merge.right > 0 && merge.right < merge.left) ||
                          (merge.left < 0 && merge.right < 0 && merge.right > merge.left);
        if (swap) std::swap(merge.left, merge.right);
        result.merges.push_back(merge);
        for (std::size_t k = 0; k < count; ++k) {
            if (!active[k] || k == a || k == b) continue;
            const double merged = (size[a] * d[a * count + k] + size[b] * d[b * count + k]) / (size[a] + size[b]);
            d[a * count + k] = d[k * count + a] = merged;
        }
        size[a] += size[b];
        active[b] = 0;
        node[a] = static_cast<long>(step);
    }
    if (count > 0) lay_out(result.merges, count == 1 ? -1 : static_cast<long>(count - 1), result.order);
    return result;
}

}  // namespace phenostat

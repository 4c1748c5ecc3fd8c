#include "analyses/upgma.h"

#include <gtest/gtest.h>

namespace phenostat {
namespace {

// Each matrix given by its upper triangle row by row; the merges, heights and
// leaf order are those of R's hclust(as.dist(m), "average") (leaves from 1
// there, from 0 here), the first worked by hand.
TEST(Upgma, AsHclustAverage) {
    const struct {
        std::size_t count;
        std::vector<double> upper;
        std::vector<ClusterMerge> merges;
        std::vector<std::size_t> order;
    } CASES[] = {
        // (4,5) at 3; (1,2) at 5; 3 to (4,5) at (8+7)/2; the rest at 55/6.
        {5,
         {5, 9, 9, 8, 10, 10, 9, 8, 7, 3},
         {{-4, -5, 3}, {-1, -2, 5}, {-3, 1, 7.5}, {2, 3, 55.0 / 6}},
         {0, 1, 2, 3, 4}},
        // A leaf joins a cluster on its left; the last leaf joins last.
        {6,
         {6, 2, 7, 9, 4, 5, 3, 8, 6, 7, 9, 3, 8, 5, 6},
         {{-1, -3, 2}, {-2, -4, 3}, {-6, 1, 3.5}, {2, 3, 6}, {-5, 4, 8}},
         {4, 1, 3, 5, 0, 2}},
        // Ties: the pair whose first leaves come first.
        {3, {1, 1, 1}, {{-1, -2, 1}, {-3, 1, 1}}, {2, 0, 1}},
        {4, {4, 1, 4, 4, 1, 4}, {{-1, -3, 1}, {-2, -4, 1}, {1, 2, 4}}, {0, 2, 1, 3}},
        {1, {}, {}, {0}},
    };
    for (const auto& [count, upper, merges, order] : CASES) {
        std::vector<double> matrix(count * count, 0.0);
        std::size_t at = 0;
        for (std::size_t i = 0; i < count; ++i)
            for (std::size_t j = i + 1; j < count; ++j) matrix[i * count + j] = matrix[j * count + i] = upper[at++];
        const Clustering tree = upgma(matrix, count);
        ASSERT_EQ(tree.merges.size(), merges.size()) << count << " leaves";
        for (std::size_t m = 0; m < merges.size(); ++m) {
            EXPECT_EQ(tree.merges[m].left, merges[m].left) << "merge " << m + 1 << " of " << count;
            EXPECT_EQ(tree.merges[m].right, merges[m].right) << "merge " << m + 1 << " of " << count;
            EXPECT_DOUBLE_EQ(tree.merges[m].height, merges[m].height) << "merge " << m + 1 << " of " << count;
        }
        EXPECT_EQ(tree.order, order) << count << " leaves";
    }
}

}  // namespace
}  // namespace phenostat

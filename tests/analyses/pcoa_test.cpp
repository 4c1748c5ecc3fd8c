// The principal coordinates against a whole decomposition of the presence
// matrix built cell by cell from the data text, and the classical scaling of
// a four-sample F'st matrix worked by hand.

#include <gtest/gtest.h>

#include <Eigen/Eigenvalues>

#include <algorithm>
#include <cmath>
#include <map>
#include <random>
#include <set>

#include "analyses/pcoa.h"
#include "support/program.h"

namespace phenostat {
namespace {

using Cells = std::vector<std::vector<std::set<int>>>;  // [individual][locus]: alleles carried (empty: not typed)

struct Case {
    int samples, loci, missing;  // missing: percent of cells not typed
    bool untyped_individual;     // the second individual typed nowhere
    std::size_t axes, dense_limit;
};

// Samples of 8 to 14 individuals with their own allele frequencies; locus l
// has 2 + l % 6 alleles, and an individual carries 1 to 4 of them.
Cells random_cells(const Case& c, std::vector<int>& sample_of) {
    std::mt19937 random(static_cast<unsigned>(c.samples * 1000 + c.loci * 10 + c.missing));
    Cells cells;
    for (int s = 0; s < c.samples; ++s) {
        const int size = std::uniform_int_distribution<int>(8, 14)(random);
        for (int i = 0; i < size; ++i) {
            std::vector<std::set<int>> row(static_cast<std::size_t>(c.loci));
            for (int l = 0; l < c.loci; ++l) {
                if (std::uniform_int_distribution<int>(1, 100)(random) <= c.missing) continue;
                const int alleles = 2 + l % 6;
                const int carried = std::min(alleles, std::uniform_int_distribution<int>(1, 4)(random));
                std::normal_distribution<double> code(1.0 + 0.7 * s, 1.2);
                while (static_cast<int>(row[l].size()) < carried) {
                    const auto drawn = static_cast<int>(std::lround(code(random)));
                    row[l].insert(100 + ((drawn % alleles) + alleles) % alleles);
                }
            }
            if (c.untyped_individual && cells.size() == 1) row.assign(row.size(), {});
            cells.push_back(row);
            sample_of.push_back(s);
        }
    }
    return cells;
}

std::string data_text(const Cells& cells, const std::vector<int>& sample_of, int loci) {
    std::string text = "group\tsample\tindividual";
    for (int l = 0; l < loci; ++l) text.append("\tL").append(std::to_string(l));
    for (std::size_t i = 0; i < cells.size(); ++i) {
        text.append("\nG\tS").append(std::to_string(sample_of[i]));
        text.append("\t").append(std::to_string(i));
        for (const std::set<int>& alleles : cells[i]) {
            text.append("\t");
            if (alleles.empty()) text.append("0");
            for (const int a : alleles) text.append(a == *alleles.begin() ? "" : ",").append(std::to_string(a));
        }
    }
    return text.append("\n");
}

// Xc cell by cell: a column per allele code of each locus, centred over the
// individuals typed there, 0 where not typed; rows: the individuals typed somewhere.
Eigen::MatrixXd centred_presence(const Cells& cells) {
    std::vector<std::size_t> kept;
    for (std::size_t i = 0; i < cells.size(); ++i)
        if (std::any_of(cells[i].begin(), cells[i].end(), [](const std::set<int>& a) { return !a.empty(); }))
            kept.push_back(i);
    std::vector<Eigen::VectorXd> columns;
    for (std::size_t l = 0; l < cells[0].size(); ++l) {
        std::set<int> codes;
        for (const std::size_t i : kept) codes.insert(cells[i][l].begin(), cells[i][l].end());
        for (const int code : codes) {
            Eigen::VectorXd column = Eigen::VectorXd::Zero(static_cast<Eigen::Index>(kept.size()));
            double typed = 0, carriers = 0;
            for (const std::size_t i : kept) {
                typed += !cells[i][l].empty();
                carriers += cells[i][l].count(code);
            }
            for (std::size_t k = 0; k < kept.size(); ++k)
                if (!cells[kept[k]][l].empty())
                    column[static_cast<Eigen::Index>(k)] =
                        static_cast<double>(cells[kept[k]][l].count(code)) - carriers / typed;
            columns.push_back(column);
        }
    }
    Eigen::MatrixXd x(static_cast<Eigen::Index>(kept.size()), static_cast<Eigen::Index>(columns.size()));
    for (std::size_t c = 0; c < columns.size(); ++c) x.col(static_cast<Eigen::Index>(c)) = columns[c];
    return x;
}

TEST(Pcoa, IndividualsMatchAWholeDecompositionOfThePresenceMatrix) {
    const std::size_t dense = PCOA_DENSE_LIMIT;
    for (const Case c :
         {Case{3, 4, 0, false, 10, dense}, Case{4, 6, 20, true, 10, dense}, Case{2, 1, 0, false, 10, dense},
          Case{2, 1, 0, false, 10, 0}, Case{5, 8, 15, true, 4, 0}, Case{24, 30, 10, false, 10, dense}}) {
        std::vector<int> sample_of;
        const Cells cells = random_cells(c, sample_of);
        const Dataset data = testing::load_with_cells(data_text(cells, sample_of, c.loci));
        const IndividualOrdination result = individual_ordination(data, c.axes, c.dense_limit);
        const Eigen::MatrixXd x = centred_presence(cells);
        const Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> whole(x * x.transpose());
        const Eigen::VectorXd values = whole.eigenvalues().reverse();
        const Eigen::MatrixXd vectors = whole.eigenvectors().rowwise().reverse();
        SCOPED_TRACE(::testing::Message() << c.samples << " samples, " << c.loci << " loci, " << c.missing
                                          << "% missing, dense limit " << c.dense_limit);
        ASSERT_EQ(result.rows.size(), static_cast<std::size_t>(x.rows()));
        EXPECT_EQ(result.left_out, c.untyped_individual ? std::vector<std::string>{"1"} : std::vector<std::string>{});
        const Ordination& o = result.ordination;
        EXPECT_NEAR(o.total, x.squaredNorm(), 1e-9 * o.total);
        ASSERT_EQ(o.axes, c.axes);
        const double largest = values[0];
        std::size_t compared = 0;
        for (std::size_t k = 0; k < o.axes; ++k) {
            const auto kk = static_cast<Eigen::Index>(k);
            EXPECT_NEAR(o.eigenvalues[k], values[kk], 1e-9 * largest) << "axis " << k + 1;
            // Coordinates only on axes set apart from their neighbours.
            const double gap = std::min(kk == 0 ? largest : values[kk - 1] - values[kk], values[kk] - values[kk + 1]);
            if (gap < 1e-3 * largest) continue;
            ++compared;
            Eigen::VectorXd axis = vectors.col(kk) * std::sqrt(std::max(values[kk], 0.0));
            const Eigen::Index top =
                std::find_if(axis.begin(), axis.end(),
                             [&](double v) { return std::fabs(v) >= axis.cwiseAbs().maxCoeff() * (1 - 1e-9); }) -
                axis.begin();
            if (axis[top] < 0) axis = -axis;
            for (Eigen::Index i = 0; i < axis.size(); ++i)
                EXPECT_NEAR(o.coordinate(static_cast<std::size_t>(i), k), axis[i], 1e-7 * axis.cwiseAbs().maxCoeff())
                    << "axis " << k + 1 << ", row " << i;
        }
        EXPECT_GE(compared, 1u);
        if (c.missing == 0) {  // the total inertia is the AMOVA's total sum of squares
            NoProgress quiet;
            const AmovaResult amova = analyse_amova(data, build_group_catalogue(data.catalogue), 0, 1, quiet);
            EXPECT_NEAR(o.total, amova.total_ss, 1e-9 * o.total);
        }
    }
}

// Samples 1-2 at F'st a = 0.2, 3-4 at c = 0.4, every other pair at b = 0.1;
// F2 the squared F'st, B = -1/2 J F2 J. Orthogonal to the constant, F2 takes
// (1,-1,0,0) to -a^2 times itself and (0,0,1,-1) to -c^2 times itself: B's
// eigenvalues a^2/2 = 0.02 and c^2/2 = 0.08. F2 (1,1,-1,-1) =
// (a^2-2b^2, a^2-2b^2, 2b^2-c^2, 2b^2-c^2), centred (a^2+c^2-4b^2)/2
// (1,1,-1,-1): the third eigenvalue is b^2 - (a^2+c^2)/4 = -0.04. Trace of B:
// the squares over the pairs / 4 = (0.04 + 0.16 + 4 x 0.01) / 4 = 0.06.
// Coordinates, eigenvector x square root of eigenvalue: +-0.2 for samples 3
// and 4 on axis 1, +-0.1 for 1 and 2 on axis 2, the first of each tied pair
// positive; none on the negative axis.
TEST(Pcoa, SamplesByClassicalScalingOfFst) {
    std::vector<PairResult> pairs;
    const double fst[4][4] = {{0, 0.2, 0.1, 0.1}, {0.2, 0, 0.1, 0.1}, {0.1, 0.1, 0, 0.4}, {0.1, 0.1, 0.4, 0}};
    for (std::size_t i = 0; i < 4; ++i)
        for (std::size_t j = i + 1; j < 4; ++j) {
            pairs.emplace_back();
            pairs.back().first = i;
            pairs.back().second = j;
            pairs.back().fst_unshared = fst[i][j];
        }
    const SampleOrdination result = sample_ordination(pairs, 4, 10);
    ASSERT_EQ(result.status, SampleOrdinationStatus::done);
    const Ordination& o = result.ordination;
    const std::vector<double> eigenvalues = {0.08, 0.02, -0.04}, percent = {400.0 / 3, 100.0 / 3, -200.0 / 3},
                              cumulative = {400.0 / 3, 500.0 / 3, 100};
    const std::vector<double> coordinates = {0, 0.1, 0, -0.1, 0.2, 0, -0.2, 0};  // two axes, by sample
    EXPECT_NEAR(o.total, 0.06, 1e-15);
    ASSERT_EQ(o.eigenvalues.size(), 3u);
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_NEAR(o.eigenvalues[k], eigenvalues[k], 1e-14);
        EXPECT_NEAR(o.percent[k], percent[k], 1e-10);
        EXPECT_NEAR(o.cumulative_percent[k], cumulative[k], 1e-10);
    }
    ASSERT_EQ(o.axes, 2u);
    for (std::size_t k = 0; k < coordinates.size(); ++k) EXPECT_NEAR(o.coordinates[k], coordinates[k], 1e-14) << k;

    EXPECT_EQ(sample_ordination(pairs, 4, 1).ordination.axes, 1u);
    EXPECT_EQ(sample_ordination({pairs[0]}, 2, 10).status, SampleOrdinationStatus::too_few_samples);
    pairs[3].fst_unshared = std::nan("");
    EXPECT_EQ(sample_ordination(pairs, 4, 10).status, SampleOrdinationStatus::undefined_fst);
}

}  // namespace
}  // namespace phenostat

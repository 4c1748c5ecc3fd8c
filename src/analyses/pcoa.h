#pragma once
// Principal coordinates of the individuals, on allele presence, and of the
// samples, by classical scaling of their pairwise F'st (unshared alleles).
//
// Individuals: the eigen decomposition of G = Xc Xc^T, Xc the centred presence
// matrix of presence_matrix.h (mean imputation of untyped cells). Two
// individuals are then as far apart as the square root of the AMOVA's
// distance between them, and the total inertia, the trace of G, is the
// AMOVA's total sum of squares. Up to DENSE_LIMIT individuals G is built and
// decomposed whole; beyond, its leading eigenpairs come from Lanczos
// iterations (Spectra) on products with Xc and Xc^T, never G itself.
//
// Every axis is turned so that its coordinate of largest magnitude is
// positive (the first such, in row order, on a tie).

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "analyses/pairs.h"
#include "stats/dataset.h"

namespace phenostat {

// Up to this many individuals, G is decomposed whole.
inline constexpr std::size_t PCOA_DENSE_LIMIT = 200;

struct Ordination {
    std::vector<double> eigenvalues;  // descending
    // 100 x eigenvalue / total, and its running sum; NaN when total is 0.
    std::vector<double> percent, cumulative_percent;
    double total = 0;                 // the trace of the decomposed matrix
    std::size_t axes = 0;             // coordinate columns
    std::vector<double> coordinates;  // row-major, a row per individual or sample, `axes` to a row
    double coordinate(std::size_t row, std::size_t axis) const { return coordinates[row * axes + axis]; }
};

struct IndividualOrdination {
    // min(axes asked, individuals - 1) axes: eigenvalues (rounding below 0
    // read as 0) and coordinates, eigenvector x square root of eigenvalue.
    Ordination ordination;
    std::vector<std::size_t> rows;  // the individuals ordinated: their data rows, in row order
    // The individuals typed at no locus, left out: their data rows, and
    // their names as "SAMPLE #k", the k-th individual of its sample.
    std::vector<std::size_t> left_out_rows;
    std::vector<std::string> left_out;
};

// Needs the data set's kept phenotype ids (Dataset::cells). `dense_limit`:
// the most individuals decomposed whole. FatalError should the iterations
// not converge.
IndividualOrdination individual_ordination(const Dataset& data, std::size_t axes,
                                           std::size_t dense_limit = PCOA_DENSE_LIMIT);

enum class SampleOrdinationStatus {
    done,
    too_few_samples,  // fewer than three
    undefined_fst,    // some pair's F'st has no value
};

struct SampleOrdination {
    SampleOrdinationStatus status = SampleOrdinationStatus::done;
    // When done: all n - 1 eigenvalues of the double-centred matrix
    // B = -1/2 J F2 J (F2 the squared F'st, J the centring matrix), negative
    // ones too, percent of its trace; coordinates on the axes of positive
    // eigenvalue, at most `axes` of them, a row per sample in catalogue order.
    Ordination ordination;
};

// Classical scaling of the n x n matrix `distances` (row-major, symmetric,
// zero diagonal).
SampleOrdination classical_scaling(const std::vector<double>& distances, std::size_t n, std::size_t axes);

// Classical scaling of the pairs' fst_unshared (every pair of the
// `sample_count` samples, as analyse_pairs gives them).
SampleOrdination sample_ordination(const std::vector<PairResult>& pairs, std::size_t sample_count, std::size_t axes);

struct PcoaResult {
    IndividualOrdination individuals;
    SampleOrdination samples;
};

// Both ordinations, on at most `axes` axes; `pairs` from analyse_pairs.
PcoaResult analyse_pcoa(const Dataset& data, const std::vector<PairResult>& pairs, std::size_t axes);

}  // namespace phenostat

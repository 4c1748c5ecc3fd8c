#pragma once
// The individuals' allele presence, kept as bits, and products with its
// centred form: all that the principal coordinates of individuals need.
//
// X has one row per individual and one column per allele of every locus:
// 1 where the individual carries the allele. Xc is X with each column centred
// over the individuals typed at its locus, and 0 in every column of a locus
// for an individual not typed there (it sits at the centre on that locus:
// mean imputation). The individuals typed at no locus are left out.
//
// Xc is never stored. X is kept as bits, 64 individuals to a word, column by
// column, with one more bit column per locus that some individual lacks (its
// typed individuals); a column of Xc is its bits less its mean on its typed
// individuals. Columns that are the same for every typed individual are
// dropped (they are 0 in Xc).

#include <cstddef>
#include <cstdint>
#include <vector>

#include "stats/dataset.h"

namespace phenostat {

class PresenceMatrix {
public:
    // The individuals typed at some locus, in data-row order. Needs the
    // data set's kept phenotype ids (Dataset::cells).
    explicit PresenceMatrix(const Dataset& data);

    std::size_t rows() const { return rows_.size(); }
    // Each row's data row.
    const std::vector<std::size_t>& data_rows() const { return rows_; }
    // The data rows typed at no locus (not rows of the matrix).
    const std::vector<std::size_t>& untyped_rows() const { return untyped_; }
    // The sum of squares of Xc, the trace of G = Xc Xc^T: over the loci and
    // their alleles, c (n - c) / n for c carriers among n typed individuals.
    double trace() const { return trace_; }

    // y = G x = Xc (Xc^T x), x and y of rows() values each. Spread over the
    // threads, with every sum in a fixed order: the same bits whatever their
    // number. Not to be called from two threads at once.
    void gram_product(const double* x, double* y);

private:
    void subset_sums(const double* x);
    void column_sums();
    double column_weights(const double* x);
    void scatter(double constant, double* y);

    struct Locus {
        std::size_t first_column = 0, end_column = 0;  // its allele columns
        std::size_t typed_column = NO_COLUMN;          // the bits of its typed individuals; none: all typed
    };
    static constexpr std::size_t NO_COLUMN = static_cast<std::size_t>(-1);

    std::vector<std::size_t> rows_, untyped_;
    std::size_t blocks_ = 0;           // words of 64 individuals
    std::size_t width_ = 0;            // columns: the alleles', then the typed individuals'
    std::vector<std::uint64_t> bits_;  // bits_[block * width_ + column]
    std::vector<double> mean_;         // each allele column's mean over its typed individuals
    std::vector<Locus> loci_;          // the loci with an allele column, in column order
    double trace_ = 0;
    std::size_t grain_ = 1;  // blocks per task of the products: all of them when the matrix is small

    // Working storage of gram_product.
    std::vector<double> tables_;   // per block and byte: the sums of x over each subset of the byte's 8 rows
    std::vector<double> sums_;     // per column: the sum of x over its bits
    std::vector<double> weights_;  // per column: its weight in Xc w
};

}  // namespace phenostat

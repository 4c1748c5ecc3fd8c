#include "analyses/pcoa.h"

#include <Eigen/Core>
#include <Eigen/Eigenvalues>
#include <Spectra/SymEigsSolver.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <exception>

#include "analyses/presence_matrix.h"
#include "base/fatal_error.h"

namespace phenostat {
namespace {

// The Lanczos iterations stop when every wanted Ritz pair's residual is below
// TOLERANCE x (its value + the shift): eigenvalues and coordinates then agree
// with a whole decomposition to far better than 1e-6 of the largest, unless
// two eigenvalues all but coincide (their axes are then any two that span
// the same plane).
constexpr double TOLERANCE = 1e-11;
constexpr int MAX_RESTARTS = 5000;
// Lanczos vectors beyond the axes wanted: more converge in fewer restarts.
constexpr std::size_t EXTRA_LANCZOS_VECTORS = 24;
// Coordinates of magnitudes this close to the largest tie for the orientation.
constexpr double ORIENTATION_TIE = 1e-9;
// Eigenvalues of a sample ordination above this fraction of the largest
// magnitude are positive; below, they are taken for rounding of zero.
constexpr double POSITIVE = 1e-10;

// G + shift I, as Spectra iterates on it. The shift moves no eigenvector and
// no Krylov subspace, only the stopping rule: with the shift near the
// leading eigenvalues, every residual is judged on their scale, so that axes
// of little or no variance converge too.
class ShiftedGram {
public:
    using Scalar = double;
    ShiftedGram(PresenceMatrix& matrix, double shift) : matrix_(&matrix), shift_(shift) {}
    Eigen::Index rows() const { return static_cast<Eigen::Index>(matrix_->rows()); }
    Eigen::Index cols() const { return rows(); }
    void perform_op(const double* x, double* y) const {
        matrix_->gram_product(x, y);
        for (std::size_t i = 0; i < matrix_->rows(); ++i) y[i] += shift_ * x[i];
    }

private:
    PresenceMatrix* matrix_;
    double shift_;
};

struct Eigenpairs {
    Eigen::VectorXd values;   // descending
    Eigen::MatrixXd vectors;  // a column each, unit length
};

// The `count` leading eigenpairs of a symmetric matrix (its lower triangle).
Eigenpairs leading(const Eigen::MatrixXd& matrix, std::size_t count) {
    const Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> solver(matrix);
    const auto k = static_cast<Eigen::Index>(count);
    return {solver.eigenvalues().tail(k).reverse(), solver.eigenvectors().rightCols(k).rowwise().reverse()};
}

// G built column by column, G e_j, and decomposed whole.
Eigenpairs dense_eigenpairs(PresenceMatrix& matrix, std::size_t axes) {
    const auto n = static_cast<Eigen::Index>(matrix.rows());
    Eigen::MatrixXd g(n, n);
    Eigen::VectorXd unit = Eigen::VectorXd::Zero(n);
    for (Eigen::Index j = 0; j < n; ++j) {
        unit[j] = 1;
        matrix.gram_product(unit.data(), g.col(j).data());
        unit[j] = 0;
    }
    return leading(g, axes);
}

Eigenpairs krylov_eigenpairs(PresenceMatrix& matrix, std::size_t axes) {
    const std::size_t n = matrix.rows();
    // At least the (axes + 1)-th eigenvalue, at most the whole trace.
    const double shift = matrix.trace() / static_cast<double>(axes + 1);
    ShiftedGram op(matrix, shift);
    const std::size_t vectors = std::min(n, std::max(2 * axes + 1, axes + EXTRA_LANCZOS_VECTORS));
    Spectra::SymEigsSolver<ShiftedGram> solver(op, static_cast<Eigen::Index>(axes), static_cast<Eigen::Index>(vectors));
    // A fixed start, centred (G has no component along the constant vector).
    Eigen::VectorXd start(static_cast<Eigen::Index>(n));
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint64_t hash = (i + 1) * 0x9E3779B97F4A7C15ull;
        start[static_cast<Eigen::Index>(i)] = static_cast<double>(hash >> 11) * 0x1p-53 - 0.5;
    }
    start.array() -= start.mean();
    solver.init(start.data());
    const char* failure = "Principal coordinates: the eigenvalues of the individuals did not converge.";
    try {
        solver.compute(Spectra::SortRule::LargestAlge, MAX_RESTARTS, TOLERANCE, Spectra::SortRule::LargestAlge);
    } catch (const std::exception&) {  // a breakdown of the iterations
        throw FatalError(failure);
    }
    if (solver.info() != Spectra::CompInfo::Successful) throw FatalError(failure);
    return {solver.eigenvalues().array() - shift, solver.eigenvectors()};
}

// Percents of `total` (NaN when it is 0).
void set_percents(Ordination& out) {
    double running = 0;
    for (const double value : out.eigenvalues) {
        const double percent = out.total == 0 ? std::nan("") : 100 * value / out.total;
        running += percent;
        out.percent.push_back(percent);
        out.cumulative_percent.push_back(running);
    }
}

// Coordinates on the first `axes` axes: vector x square root of value, each
// axis turned so that its coordinate of largest magnitude is positive.
void set_coordinates(const Eigenpairs& pairs, std::size_t axes, Ordination& out) {
    const Eigen::Index rows = pairs.vectors.rows();
    out.axes = axes;
    out.coordinates.assign(static_cast<std::size_t>(rows) * axes, 0.0);
    for (std::size_t k = 0; k < axes; ++k) {
        const auto kk = static_cast<Eigen::Index>(k);
        const Eigen::VectorXd axis = pairs.vectors.col(kk) * std::sqrt(std::max(pairs.values[kk], 0.0));
        const double largest = axis.cwiseAbs().maxCoeff();
        Eigen::Index first = 0;
        while (std::fabs(axis[first]) < largest * (1 - ORIENTATION_TIE)) ++first;
        const double sign = axis[first] < 0 ? -1.0 : 1.0;
        for (Eigen::Index i = 0; i < rows; ++i)
            out.coordinates[static_cast<std::size_t>(i) * axes + k] = sign * axis[i] + 0.0;  // no -0
    }
}

}  // namespace

IndividualOrdination individual_ordination(const Dataset& data, std::size_t axes, std::size_t dense_limit) {
    IndividualOrdination result;
    PresenceMatrix matrix(data);
    result.rows = matrix.data_rows();
    result.left_out_rows = matrix.untyped_rows();
    for (const std::size_t row : result.left_out_rows) result.left_out.push_back(individual_label(data, row));
    const std::size_t n = matrix.rows();
    axes = std::min(axes, n == 0 ? 0 : n - 1);
    Ordination& out = result.ordination;
    out.total = matrix.trace();
    Eigenpairs pairs;
    if (axes == 0 || out.total == 0) {
        pairs.values = Eigen::VectorXd::Zero(static_cast<Eigen::Index>(axes));
        pairs.vectors = Eigen::MatrixXd::Zero(static_cast<Eigen::Index>(n), static_cast<Eigen::Index>(axes));
    } else {
        pairs = n <= dense_limit ? dense_eigenpairs(matrix, axes) : krylov_eigenpairs(matrix, axes);
    }
    pairs.values = pairs.values.cwiseMax(0.0);  // G has none below 0: rounding
    out.eigenvalues.assign(pairs.values.begin(), pairs.values.end());
    set_percents(out);
    set_coordinates(pairs, axes, out);
    return result;
}

SampleOrdination classical_scaling(const std::vector<double>& distances, std::size_t n, std::size_t axes) {
    SampleOrdination result;
    if (n < 3) {
        result.status = SampleOrdinationStatus::too_few_samples;
        return result;
    }
    if (!std::all_of(distances.begin(), distances.end(), [](double d) { return std::isfinite(d); })) {
        result.status = SampleOrdinationStatus::undefined_fst;
        return result;
    }
    // B restricted to the vectors that sum to 0 (where all its n - 1
    // eigenvectors of interest lie): Q^T B Q = -1/2 Q^T F2 Q, Q's orthonormal
    // columns the Helmert contrasts (J Q = Q).
    const auto size = static_cast<Eigen::Index>(n);
    Eigen::MatrixXd squared(size, size), helmert = Eigen::MatrixXd::Zero(size, size - 1);
    Ordination& out = result.ordination;
    for (Eigen::Index i = 0; i < size; ++i)
        for (Eigen::Index j = 0; j < size; ++j) {
            const double d = distances[static_cast<std::size_t>(i * size + j)];
            squared(i, j) = d * d;
            if (i < j) out.total += d * d;
        }
    out.total /= static_cast<double>(n);  // the trace of B
    for (Eigen::Index k = 0; k + 1 < size; ++k) {
        const double scale = 1 / std::sqrt(static_cast<double>((k + 1) * (k + 2)));
        helmert.col(k).head(k + 1).setConstant(scale);
        helmert(k + 1, k) = -static_cast<double>(k + 1) * scale;
    }
    const Eigen::MatrixXd inner = -0.5 * helmert.transpose() * squared * helmert;
    Eigenpairs pairs = leading(inner, n - 1);
    out.eigenvalues.assign(pairs.values.begin(), pairs.values.end());
    set_percents(out);
    const double largest = pairs.values.cwiseAbs().maxCoeff();
    std::size_t positive = 0;
    while (positive < std::min(axes, n - 1) && pairs.values[static_cast<Eigen::Index>(positive)] > POSITIVE * largest)
        ++positive;
    pairs.vectors = helmert * pairs.vectors;  // back among the samples
    set_coordinates(pairs, positive, out);
    return result;
}

SampleOrdination sample_ordination(const std::vector<PairResult>& pairs, std::size_t sample_count, std::size_t axes) {
    std::vector<double> distances(sample_count * sample_count, 0.0);
    for (const PairResult& pair : pairs) {
        distances[pair.first * sample_count + pair.second] = pair.fst_unshared;
        distances[pair.second * sample_count + pair.first] = pair.fst_unshared;
    }
    return classical_scaling(distances, sample_count, axes);
}

PcoaResult analyse_pcoa(const Dataset& data, const std::vector<PairResult>& pairs, std::size_t axes) {
    return {individual_ordination(data, axes), sample_ordination(pairs, data.sample_count(), axes)};
}

}  // namespace phenostat

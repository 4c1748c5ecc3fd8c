#include "analyses/presence_matrix.h"

#include <algorithm>
#include <array>
#include <bit>
#include <limits>

#include "base/parallel.h"

namespace phenostat {
namespace {

constexpr std::size_t LOCI_PER_TASK = 16;
constexpr std::size_t ROWS_PER_TASK = 4096;
// Columns per task of the column sums: their sums stay in the first-level
// cache while the blocks go by.
constexpr std::size_t COLUMNS_PER_TASK = 1024;
// Products over fewer words than this run on one thread: the threads would
// cost more to start and wait for than they save.
constexpr std::size_t PARALLEL_WORDS = std::size_t{1} << 16;
constexpr std::size_t BYTE_TABLE = 256;  // subsets of a byte's 8 rows
constexpr std::size_t BLOCK_TABLES = 8 * BYTE_TABLE;
constexpr std::uint32_t NO_ALLELE_COLUMN = std::numeric_limits<std::uint32_t>::max();

// One locus as the matrix sees it: its typed individuals, each allele's
// carriers and then its column.
struct LocusColumns {
    std::size_t typed = 0;
    std::vector<std::uint32_t> carriers;  // per allele
    std::vector<std::uint32_t> column;    // per allele; NO_ALLELE_COLUMN: dropped
    std::size_t typed_column = static_cast<std::size_t>(-1);
};

std::size_t data_row_count(const Dataset& data) {
    std::size_t rows = 0;
    for (const Sample& sample : data.catalogue.samples) rows = std::max(rows, sample.end_row);
    return rows;
}

// Whether each data row is typed at some locus.
std::vector<char> typed_somewhere(const Dataset& data, std::size_t rows) {
    std::vector<char> typed(rows, 0);
    parallel_for((rows + ROWS_PER_TASK - 1) / ROWS_PER_TASK, 1, [&](std::size_t q) {
        const std::size_t first = q * ROWS_PER_TASK, end = std::min(rows, first + ROWS_PER_TASK);
        for (const CellIds& cells : data.cells)
            for (std::size_t r = first; r < std::min(end, cells.size()); ++r) typed[r] |= cells[r] >= 0 ? 1 : 0;
    });
    return typed;
}

std::vector<LocusColumns> count_carriers(const Dataset& data, std::size_t rows) {
    std::vector<LocusColumns> loci(data.locus_count());
    PerThread<LocusReader> readers;
    parallel_for(data.locus_count(), LOCI_PER_TASK, [&](std::size_t l) {
        const CodedLocus& locus = readers.local().read(data.loci, l, Unpack::coding).coded;
        const CellIds& cells = data.cells[l];
        LocusColumns& counted = loci[l];
        counted.carriers.assign(locus.allele_count(), 0);
        for (std::size_t r = 0; r < std::min(rows, cells.size()); ++r) {
            const std::int32_t id = cells[r];
            if (id < 0) continue;
            ++counted.typed;
            for (std::uint32_t a = locus.phenotype_begin[id]; a < locus.phenotype_begin[id + 1]; ++a)
                ++counted.carriers[locus.phenotype_alleles[a]];
        }
    });
    return loci;
}

}  // namespace

PresenceMatrix::PresenceMatrix(const Dataset& data) {
    const std::size_t data_rows = data_row_count(data);
    const std::vector<char> typed = typed_somewhere(data, data_rows);
    std::vector<std::size_t> row_of(data_rows, 0);
    for (std::size_t r = 0; r < data_rows; ++r) {
        if (!typed[r]) {
            untyped_.push_back(r);
            continue;
        }
        row_of[r] = rows_.size();
        rows_.push_back(r);
    }
    blocks_ = (rows_.size() + 63) / 64;

    // The columns: every allele some but not all typed individuals carry,
    // locus by locus; then the typed individuals of each such locus that
    // some individual lacks.
    std::vector<LocusColumns> counted = count_carriers(data, data_rows);
    std::size_t incomplete = 0;
    for (LocusColumns& locus : counted) {
        locus.column.assign(locus.carriers.size(), NO_ALLELE_COLUMN);
        const auto n = static_cast<double>(locus.typed);
        Locus kept{mean_.size(), mean_.size(), NO_COLUMN};
        for (std::size_t a = 0; a < locus.carriers.size(); ++a) {
            const std::uint32_t c = locus.carriers[a];
            if (c == 0 || c == locus.typed) continue;
            trace_ += static_cast<double>(c) * (n - static_cast<double>(c)) / n;
            locus.column[a] = static_cast<std::uint32_t>(mean_.size());
            mean_.push_back(static_cast<double>(c) / n);
        }
        kept.end_column = mean_.size();
        if (kept.end_column == kept.first_column) continue;
        if (locus.typed < rows_.size()) kept.typed_column = locus.typed_column = incomplete++;  // numbered below
        loci_.push_back(kept);
    }
    width_ = mean_.size() + incomplete;
    for (LocusColumns& locus : counted)
        if (locus.typed_column != NO_COLUMN) locus.typed_column += mean_.size();
    for (Locus& locus : loci_)
        if (locus.typed_column != NO_COLUMN) locus.typed_column += mean_.size();

    bits_.assign(blocks_ * width_, 0);
    PerThread<LocusReader> readers;
    parallel_for(data.locus_count(), LOCI_PER_TASK, [&](std::size_t l) {
        const LocusColumns& locus = counted[l];
        if (std::all_of(locus.column.begin(), locus.column.end(),
                        [](std::uint32_t c) { return c == NO_ALLELE_COLUMN; }))
            return;
        const CodedLocus& coded = readers.local().read(data.loci, l, Unpack::coding).coded;
        const CellIds& cells = data.cells[l];
        for (std::size_t r = 0; r < std::min(data_rows, cells.size()); ++r) {
            const std::int32_t id = cells[r];
            if (id < 0) continue;
            const std::size_t row = row_of[r];
            std::uint64_t* block = bits_.data() + (row / 64) * width_;
            const std::uint64_t bit = std::uint64_t{1} << (row % 64);
            if (locus.typed_column != NO_COLUMN) block[locus.typed_column] |= bit;
            for (std::uint32_t a = coded.phenotype_begin[id]; a < coded.phenotype_begin[id + 1]; ++a) {
                const std::uint32_t column = locus.column[coded.phenotype_alleles[a]];
                if (column != NO_ALLELE_COLUMN) block[column] |= bit;
            }
        }
    });
    grain_ = blocks_ * width_ < PARALLEL_WORDS ? blocks_ : 1;
    tables_.assign(blocks_ * BLOCK_TABLES, 0);
    sums_.assign(width_, 0);
    weights_.assign(width_, 0);
}

void PresenceMatrix::gram_product(const double* x, double* y) {
    subset_sums(x);
    column_sums();
    const double constant = column_weights(x);
    scatter(constant, y);
}

// For every block and each of its bytes (8 rows), the sum of x over every
// subset of the 8 rows: a column's sum over its bits is then 8 lookups a block.
void PresenceMatrix::subset_sums(const double* x) {
    const std::size_t n = rows();
    parallel_for(blocks_, grain_, [&](std::size_t b) {
        for (std::size_t k = 0; k < 8; ++k) {
            double* table = tables_.data() + b * BLOCK_TABLES + k * BYTE_TABLE;
            const std::size_t first = b * 64 + k * 8;
            table[0] = 0;
            for (unsigned s = 1; s < BYTE_TABLE; ++s) {
                const std::size_t row = first + static_cast<std::size_t>(std::countr_zero(s));
                table[s] = table[s & (s - 1)] + (row < n ? x[row] : 0.0);
            }
        }
    });
}

// sums_[c]: the sum of x over the bits of column c, block after block.
void PresenceMatrix::column_sums() {
    const std::size_t tasks = (width_ + COLUMNS_PER_TASK - 1) / COLUMNS_PER_TASK;
    parallel_for(tasks, grain_ == 1 ? 1 : tasks, [&](std::size_t q) {
        const std::size_t first = q * COLUMNS_PER_TASK, end = std::min(width_, first + COLUMNS_PER_TASK);
        double* sums = sums_.data();
        std::fill(sums + first, sums + end, 0.0);
        for (std::size_t b = 0; b < blocks_; ++b) {
            const std::uint64_t* words = bits_.data() + b * width_;
            const double* t = tables_.data() + b * BLOCK_TABLES;
            for (std::size_t c = first; c < end; ++c) {
                const std::uint64_t w = words[c];
                if (w == 0) continue;
                sums[c] += ((t[w & 255] + t[256 + ((w >> 8) & 255)]) +
                            (t[512 + ((w >> 16) & 255)] + t[768 + ((w >> 24) & 255)])) +
                           ((t[1024 + ((w >> 32) & 255)] + t[1280 + ((w >> 40) & 255)]) +
                            (t[1536 + ((w >> 48) & 255)] + t[1792 + (w >> 56)]));
            }
        }
    });
}

// From the column sums, w = Xc^T x, and the weights of the columns in
// Xc w = X w - (per row, the sum over its typed loci of mean . w on the
// locus). Returns that last sum over the loci every row is typed at, which
// is the same for every row; a locus some row lacks gets it as the negative
// weight of its typed column.
double PresenceMatrix::column_weights(const double* x) {
    double total = 0;
    for (std::size_t i = 0; i < rows(); ++i) total += x[i];
    double constant = 0;
    for (const Locus& locus : loci_) {
        const double typed_sum = locus.typed_column == NO_COLUMN ? total : sums_[locus.typed_column];
        double centre = 0;
        for (std::size_t c = locus.first_column; c < locus.end_column; ++c) {
            const double w = sums_[c] - mean_[c] * typed_sum;
            weights_[c] = w;
            centre += mean_[c] * w;
        }
        if (locus.typed_column == NO_COLUMN)
            constant += centre;
        else
            weights_[locus.typed_column] = -centre;
    }
    return constant;
}

// y = X' weights - constant, X' the bit columns: per block, each column's
// weight added to the subset of each byte that its bits pick, then each row
// sums the subsets that hold it.
void PresenceMatrix::scatter(double constant, double* y) {
    const std::size_t n = rows();
    parallel_for(blocks_, grain_, [&](std::size_t b) {
        std::array<double, BLOCK_TABLES> added{};
        const std::uint64_t* words = bits_.data() + b * width_;
        for (std::size_t c = 0; c < width_; ++c) {
            const std::uint64_t w = words[c];
            if (w == 0) continue;
            const double weight = weights_[c];
            for (std::size_t k = 0; k < 8; ++k) added[k * BYTE_TABLE + ((w >> (8 * k)) & 255)] += weight;
        }
        for (std::size_t k = 0; k < 8; ++k) {
            for (std::size_t j = 0; j < 8; ++j) {
                const std::size_t row = b * 64 + k * 8 + j;
                if (row >= n) return;
                double sum = 0;
                for (unsigned s = 1u << j; s < BYTE_TABLE; s = (s + 1) | (1u << j)) sum += added[k * BYTE_TABLE + s];
                y[row] = sum - constant;
            }
        }
    });
}

}  // namespace phenostat

// The guard of the coding step against tables too large to hold: loci times
// samples is checked before anything of that size is allocated.

#include <gtest/gtest.h>

#include <string>

#include "input/phenotype_coding.h"

namespace phenostat {
namespace {

// `samples` one-row samples (names alternating, so every row opens a sample)
// under `loci` locus columns; every cell of a locus is empty.
struct SparseTable {
    SparseTable(std::size_t samples, std::size_t loci) {
        for (std::size_t row = 0; row < samples; ++row) {
            data.table.begin_row();
            data.table.add_cell("G");
            data.table.add_cell(row % 2 ? "b" : "a");
        }
        data.table.finish();
        data.locus_names.resize(loci);
        catalogue = build_sample_catalogue(data.table);
    }
    LoadedData data;
    SampleCatalogue catalogue;
};

TEST(TableSizeGuard, RefusesMoreLocusSampleCellsThanTheLimit) {
    // 10,000 samples: 1,000 loci are exactly the limit, 1,001 are too many.
    SparseTable table(10'000, 1'001);
    ASSERT_EQ(table.catalogue.sample_count(), 10'000u);
    CodedData coded;
    const std::optional<CapacityError> error = code_all_loci(table.data, table.catalogue, coded);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->kind, CapacityError::Kind::table_too_large);
    EXPECT_EQ(error->message,
              "\n\nThe data file has 1001 loci and 10000 samples: too large a table for this program (at most "
              "10,000,000 locus-sample cells).");
    EXPECT_TRUE(coded.loci.empty());

    table.data.locus_names.resize(1'000);
    EXPECT_FALSE(code_all_loci(table.data, table.catalogue, coded).has_value());
    EXPECT_EQ(coded.loci.size(), 1'000u);
}

}  // namespace
}  // namespace phenostat

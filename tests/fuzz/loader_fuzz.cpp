// Fuzz target: the data-file loader (both passes), the sample catalogue and
// the coding of every locus with its capacity checks, on arbitrary bytes.
// Besides the sanitizers, it checks the invariants that the analyses rely on.

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"

using namespace phenostat;
using phenostat::fuzz::check;

namespace {

void check_table(const fuzz::Loaded& loaded, std::size_t size) {
    const FileDimensions& dims = loaded.dims;
    check(dims.individual_count >= -1, "individual_count below -1");
    check(static_cast<std::size_t>(dims.field_width) <= size, "field_width beyond the file size");
    check(static_cast<std::size_t>(dims.column_count) <= size + 1, "column_count beyond the file size");
    check(loaded.data.table.row_count() == static_cast<std::size_t>(std::max(0L, dims.individual_count)),
          "row count differs from individual_count");
    check(loaded.data.locus_count() == static_cast<std::size_t>(std::max(0L, dims.column_count - 3)),
          "locus names differ from column_count - 3");
    for (std::size_t row = 0; row < loaded.data.table.row_count(); ++row) {
        // No cell of a row holds a tab, a line feed, a CR or a NUL.
        for (std::size_t column = 0; column < static_cast<std::size_t>(dims.column_count) + 1; ++column) {
            const std::string_view cell = loaded.data.table.cell(row, column);
            check(cell.find_first_of(std::string_view("\t\n\r\0", 4)) == std::string_view::npos,
                  "a cell holds a separator, CR or NUL");
        }
    }
}

void check_catalogue(const fuzz::Loaded& loaded) {
    const SampleCatalogue& catalogue = loaded.catalogue;
    std::size_t next = 0;
    long largest = 0;
    for (const Sample& sample : catalogue.samples) {
        check(sample.first_row == next && sample.end_row > sample.first_row, "samples do not tile the rows");
        for (std::size_t row = sample.first_row; row < sample.end_row; ++row)
            check(loaded.data.table.cell(row, 1) == sample.name, "a row of a sample has another name");
        if (sample.end_row < loaded.data.table.row_count())
            check(loaded.data.table.cell(sample.end_row, 1) != sample.name, "a run is not maximal");
        largest = std::max(largest, static_cast<long>(sample.row_count()));
        next = sample.end_row;
    }
    check(next == loaded.data.table.row_count(), "samples do not cover every row");
    check(largest == catalogue.largest_sample, "largest_sample is wrong");
}

void check_coded(const fuzz::Loaded& loaded, const CodedData& coded) {
    const std::size_t samples = loaded.catalogue.sample_count();
    check(coded.loci.size() == loaded.data.locus_count(), "one coded locus per locus column");
    for (const CodedLocus& locus : coded.loci) {
        check(locus.allele_count() <= static_cast<std::size_t>(MAX_ALLELES_PER_LOCUS), "more than 200 alleles");
        for (const std::int32_t code : locus.allele_codes)
            check(code >= 1 && code <= MAX_ALLELE_CODE, "an allele code out of range");
        check(locus.sample_begin.size() == samples + 1, "sample_begin is not one per sample plus one");
        check(locus.sample_begin.front() == 0 && locus.sample_begin.back() == locus.individuals.size(),
              "sample_begin does not span the individuals");
        check(std::is_sorted(locus.sample_begin.begin(), locus.sample_begin.end()), "sample_begin not ascending");
        for (std::size_t p = 0; p < locus.phenotype_count(); ++p) {
            const std::size_t n = locus.phenotype_size(static_cast<std::int32_t>(p));
            check(n >= 1 && n <= static_cast<std::size_t>(MAX_ALLELES_PER_PHENOTYPE), "phenotype size out of range");
            for (std::size_t k = locus.phenotype_begin[p]; k < locus.phenotype_begin[p + 1]; ++k) {
                check(locus.phenotype_alleles[k] < locus.allele_count(), "phenotype names an unknown allele");
                if (k > locus.phenotype_begin[p])
                    check(locus.allele_codes[locus.phenotype_alleles[k - 1]] <
                              locus.allele_codes[locus.phenotype_alleles[k]],
                          "phenotype codes not strictly ascending");
            }
        }
        for (const std::int32_t id : locus.individuals)
            check(id >= 0 && static_cast<std::size_t>(id) < locus.phenotype_count(), "an unknown phenotype id");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const fuzz::Loaded loaded = fuzz::load_bytes(bytes, size);
    check_table(loaded, size);
    check_catalogue(loaded);
    CodedData coded;
    const std::optional<CapacityError> violation = code_all_loci(loaded.data, loaded.catalogue, coded);
    if (violation) {
        check(!violation->message.empty(), "a capacity error without a message");
        return 0;
    }
    check_coded(loaded, coded);
    return 0;
}

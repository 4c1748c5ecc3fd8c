#pragma once
// A loaded data set as every analysis reads it: the locus names, the samples,
// and every locus coded and summarised once per sample, packed (see
// packed_loci.h). Built in one pass over the data file (load/load_dataset.h)
// and shared, read-only, until the run ends.

#include <cstddef>
#include <string>
#include <vector>

#include "input/cell_ids.h"
#include "input/phenotype_coding.h"
#include "input/sample_catalogue.h"
#include "stats/locus_summary.h"
#include "stats/packed_loci.h"

namespace phenostat {

struct Dataset {
    std::vector<std::string> locus_names;  // in column order, unique (the tables join by them)
    // A tab file's header names where some repeat (else empty): the classic
    // files and the console show the loci as the header names them.
    std::vector<std::string> header_names;
    const std::vector<std::string>& classic_names() const { return header_names.empty() ? locus_names : header_names; }
    SampleCatalogue catalogue;  // the samples (runs of lines) in file order
    // Each data row's individual: column 3 of a tab file, the name in a VCF's
    // header or another format's label; in row order.
    std::vector<std::string> individual_names;
    PackedLoci loci;  // locus i coded and summarised per sample, in column order
    // cells[i]: every individual's phenotype id at locus i, in row order; kept
    // only when the load asks for it (else empty).
    std::vector<CellIds> cells;
    // The individuals' smallest and largest ploidy, where the data file tells
    // it (a VCF's genotypes, a STRUCTURE or GenoDive file); 0: not known.
    std::size_t least_ploidy = 0, most_ploidy = 0;

    std::size_t locus_count() const { return loci.size(); }
    std::size_t sample_count() const { return catalogue.sample_count(); }
};

// Data row `row`'s individual as the data name it, or else SAMPLE #k, the
// k-th individual of its sample.
inline std::string individual_label(const Dataset& data, std::size_t row) {
    if (row < data.individual_names.size() && !data.individual_names[row].empty()) return data.individual_names[row];
    for (const Sample& sample : data.catalogue.samples)
        if (row >= sample.first_row && row < sample.end_row)
            return std::string(sample.name).append(" #").append(std::to_string(row - sample.first_row + 1));
    return {};
}

}  // namespace phenostat

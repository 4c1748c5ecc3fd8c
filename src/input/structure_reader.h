#pragma once
// STRUCTURE files: fields separated by blanks. An optional first line names
// the markers, one field a locus, fewer fields than a data row holds. Each
// data row holds the columns before the loci (`StructureLayout::columns`),
// then the alleles: by default one a locus, consecutive rows of the same
// label being the copies of one individual (its ploidy is their number); with
// a ploidy, `ploidy` alleles a locus on each row, one row an individual. -9
// is a missing allele; a locus whose copies are all missing is missing, and
// one with some missing follows `partial`. Populations are named by the pop
// column (all individuals are of population 1 without one), loci by the
// marker line (else L1, L2, ...), individuals by their label (by their number
// in file order without one). Blank lines are passed over.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/progress.h"
#include "input/converted_rows.h"
#include "input/vcf_reader.h"

namespace phenostat {

enum class StructureColumn { label, pop, flag, locdata, phenotype, extra };

struct StructureLayout {
    std::vector<StructureColumn> columns = {StructureColumn::label, StructureColumn::pop};
    int ploidy = 0;  // alleles a locus on each row; 0: one row per allele copy
};

// The columns named in a comma-separated list of label, pop, flag, locdata,
// phenotype and extra, each once but extra; none for a list that breaks this.
std::optional<std::vector<StructureColumn>> structure_columns(std::string_view list);
// The columns as such a list.
std::string structure_columns_text(const std::vector<StructureColumn>& columns);
bool has_column(const StructureLayout& layout, StructureColumn column);

// FatalError naming the file and line of the first line that breaks a rule.
void read_structure(ConvertedRows& rows, const StructureLayout& layout, PartialGenotypes partial, Progress& progress);

}  // namespace phenostat

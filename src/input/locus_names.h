#pragma once
// Locus names made unique, so that every table joins by locus. The first
// locus of a name keeps it; a later locus of the same name (a header that
// repeats a name, a multi-allelic VCF record split into several) takes the
// name it is given instead (CHROM:POS:REF:ALT for a VCF record, its own name
// for a column of a tab file), with a suffix _2, _3, ... when that name is
// in use too. Names that are unique never change; empty names (columns
// without a header field) are left as they are.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/warning.h"

namespace phenostat {

// The distinct names of a growing list of loci, by their places in the list
// (an open-addressing table of 4 bytes a place, whatever the names' length).
class LocusNameIndex {
public:
    // Adds locus k of `names`, unless its name is empty or an earlier
    // locus's; true for the latter. The names added must stay as they are.
    bool repeats(const std::vector<std::string>& names, std::size_t k);
    bool contains(const std::vector<std::string>& names, std::string_view name) const;
    std::size_t bytes() const { return slots_.size() * sizeof(std::uint32_t); }

private:
    void grow(const std::vector<std::string>& names);
    std::vector<std::uint32_t> slots_;  // locus place + 1; 0: empty
    std::size_t count_ = 0;
};

struct RepeatedLocus {
    std::size_t locus;      // its place
    std::string preferred;  // the name it takes, unless in use
};

// Renames the repeated loci (in the order given) as above; the warning that
// names them, when any.
std::vector<Warning> rename_repeated_loci(std::vector<std::string>& names, const LocusNameIndex& index,
                                          const std::vector<RepeatedLocus>& repeated);

// The same for a whole list at once: a later locus of a name takes a suffix.
std::vector<Warning> make_locus_names_unique(std::vector<std::string>& names);

}  // namespace phenostat

#include "input/phenotype_coding.h"

#include <algorithm>
#include <limits>
#include <unordered_map>

#include "base/text.h"

namespace phenostat {
namespace {

constexpr std::size_t FIRST_LOCUS_COLUMN = 3;
constexpr std::int64_t OVERSIZED_CODE = MAX_ALLELE_CODE + 1;

struct CodeListHash {
    std::size_t operator()(const std::vector<std::int64_t>& codes) const {
        std::uint64_t hash = 1469598103934665603ULL;  // FNV-1a over the code values
        for (const std::int64_t code : codes) {
            hash ^= static_cast<std::uint64_t>(code);
            hash *= 1099511628211ULL;
        }
        return static_cast<std::size_t>(hash);
    }
};

// The working state of one locus while its column is walked down the file.
struct LocusCoder {
    CodedLocus& locus;
    std::unordered_map<std::int64_t, std::uint8_t> allele_index;  // allele code -> allele index
    std::unordered_map<std::vector<std::int64_t>, std::int32_t, CodeListHash> phenotype_id;  // codes -> id
};

std::string locus_message(const char* format, const std::string& locus_name, std::size_t row) {
    return strprintf(format, locus_name.c_str(), static_cast<long>(row) + 2);  // the header is line 1
}

// Checks the codes of one individual (in field order, not yet normalised)
// against the code-size and codes-per-phenotype limits, normalising them.
std::optional<CapacityError> check_phenotype(std::vector<std::int64_t>& codes, std::size_t locus,
                                             const std::string& locus_name, std::size_t row) {
    if (std::any_of(codes.begin(), codes.end(), [](std::int64_t code) { return code > MAX_ALLELE_CODE; })) {
        return CapacityError{
            CapacityError::Kind::code_too_large, locus, row,
            locus_message("\n\nLocus %s, line %ld of the data file: an allele code is larger than 999999999.",
                          locus_name, row)};
    }
    normalise_phenotype(codes);
    if (codes.size() > static_cast<std::size_t>(MAX_ALLELES_PER_PHENOTYPE)) {
        return CapacityError{CapacityError::Kind::too_many_codes, locus, row,
                             locus_message("\n\nLocus %s, line %ld of the data file: an individual has more than 20 "
                                           "distinct allele codes; this version handles at most 20 alleles per "
                                           "phenotype.",
                                           locus_name, row)};
    }
    return std::nullopt;
}

// Numbers any new allele of a normalised phenotype, then interns the
// phenotype and records the individual.
std::optional<CapacityError> add_individual(LocusCoder& coder, const std::vector<std::int64_t>& codes,
                                            std::size_t locus, const std::string& locus_name, std::size_t row) {
    CodedLocus& coded = coder.locus;
    for (const std::int64_t code : codes) {
        if (coder.allele_index.count(code) != 0) continue;
        if (coded.allele_codes.size() >= static_cast<std::size_t>(MAX_ALLELES_PER_LOCUS)) {
            return CapacityError{CapacityError::Kind::too_many_alleles, locus, row,
                                 strprintf("\n\nLocus %s has more than 200 distinct alleles; this version handles at "
                                           "most 200 alleles per locus.",
                                           locus_name.c_str())};
        }
        coder.allele_index.emplace(code, static_cast<std::uint8_t>(coded.allele_codes.size()));
        coded.allele_codes.push_back(static_cast<std::int32_t>(code));
    }
    auto [entry, is_new] = coder.phenotype_id.try_emplace(codes, static_cast<std::int32_t>(coded.phenotype_count()));
    if (is_new) {
        for (const std::int64_t code : codes) coded.phenotype_alleles.push_back(coder.allele_index.at(code));
        coded.phenotype_begin.push_back(static_cast<std::uint32_t>(coded.phenotype_alleles.size()));
    }
    coded.individuals.push_back(entry->second);
    return std::nullopt;
}

std::optional<CapacityError> code_locus(const LoadedData& data, const SampleCatalogue& catalogue, std::size_t locus,
                                        std::vector<std::int64_t>& codes, CodedLocus& coded) {
    const std::size_t column = FIRST_LOCUS_COLUMN + locus;
    const std::string& locus_name = data.locus_names[locus];
    LocusCoder coder{coded, {}, {}};
    coded.phenotype_begin.push_back(0);
    coded.sample_begin.push_back(0);
    for (const Sample& sample : catalogue.samples) {
        for (std::size_t row = sample.first_row; row < sample.end_row; ++row) {
            parse_phenotype(data.table.cell(row, column), codes);
            if (codes.empty()) continue;  // missing: not typed at this locus
            if (auto error = check_phenotype(codes, locus, locus_name, row)) return error;
            if (auto error = add_individual(coder, codes, locus, locus_name, row)) return error;
        }
        coded.sample_begin.push_back(static_cast<std::uint32_t>(coded.individuals.size()));
    }
    return std::nullopt;
}

}  // namespace

// A digit extends the current code; a comma or the end of the text closes it
// (kept when non-zero); any other character throws away the digits gathered
// so far. Codes that would not fit in 64 bits saturate: they are over the
// limit whatever their exact value.
void parse_phenotype(std::string_view text, std::vector<std::int64_t>& codes) {
    constexpr std::int64_t LARGEST = std::numeric_limits<std::int64_t>::max();
    codes.clear();
    std::int64_t value = 0;
    bool saturated = false;
    for (const char c : text) {
        if (c >= '0' && c <= '9') {
            const int digit = c - '0';
            if (saturated) continue;
            if (value > (LARGEST - digit) / 10) {
                saturated = true;
                value = OVERSIZED_CODE;
            } else {
                value = value * 10 + digit;
            }
            continue;
        }
        if (c == ',' && value != 0) codes.push_back(value);
        value = 0;
        saturated = false;
    }
    if (value != 0) codes.push_back(value);
}

void normalise_phenotype(std::vector<std::int64_t>& codes) {
    std::sort(codes.begin(), codes.end());
    codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
}

namespace {

// Loci times samples, checked before anything of that size is allocated.
std::optional<CapacityError> check_table_size(std::size_t loci, std::size_t samples) {
    static_assert(MAX_LOCUS_SAMPLE_CELLS == 10'000'000, "the message below names the limit");
    if (samples == 0 || loci <= MAX_LOCUS_SAMPLE_CELLS / samples) return std::nullopt;
    return CapacityError{CapacityError::Kind::table_too_large, 0, 0,
                         strprintf("\n\nThe data file has %zu loci and %zu samples: too large a table for this "
                                   "program (at most 10,000,000 locus-sample cells).",
                                   loci, samples)};
}

}  // namespace

std::optional<CapacityError> code_all_loci(const LoadedData& data, const SampleCatalogue& catalogue,
                                           CodedData& out) {
    out.loci.clear();
    if (auto error = check_table_size(data.locus_count(), catalogue.sample_count())) return error;
    out.loci.reserve(data.locus_count());
    std::vector<std::int64_t> codes;  // the codes of one field, reused for every cell
    for (std::size_t locus = 0; locus < data.locus_count(); ++locus) {
        if (auto error = code_locus(data, catalogue, locus, codes, out.loci.emplace_back())) return error;
    }
    return std::nullopt;
}

}  // namespace phenostat

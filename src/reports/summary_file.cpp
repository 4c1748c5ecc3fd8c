#include "reports/summary_file.h"

#include <cassert>
#include <charconv>
#include <cstdint>
#include <vector>

#include "reports/output_file.h"

namespace phenostat {
namespace {

constexpr int NOT_LISTED = -1;

// The listed alleles and phenotypes of a locus and their table columns.
struct ListedItems {
    std::vector<int> alleles;           // allele indices, in column order
    std::vector<int> phenotypes;        // phenotype ids, in column order (at most 500)
    std::vector<int> allele_column;     // allele index -> column
    std::vector<int> phenotype_column;  // phenotype id -> column, or NOT_LISTED
};

// Counts of one row: carriers of each listed allele, individuals with each
// listed phenotype, and the typed individuals behind them.
struct RowCounts {
    std::vector<std::uint32_t> alleles;
    std::vector<std::uint32_t> phenotypes;
    std::size_t typed = 0;
};

std::size_t sample_total(const CodedLocus& locus) {
    return locus.sample_begin.empty() ? 0 : locus.sample_begin.size() - 1;
}

std::size_t sample_first(const CodedLocus& locus, std::size_t s) { return locus.sample_begin[s]; }
std::size_t sample_end(const CodedLocus& locus, std::size_t s) { return locus.sample_begin[s + 1]; }

ListedItems list_items(const CodedLocus& locus) {
    ListedItems items;
    items.allele_column.assign(locus.allele_count(), NOT_LISTED);
    items.phenotype_column.assign(locus.phenotype_count(), NOT_LISTED);
    std::vector<bool> phenotype_seen(locus.phenotype_count(), false);
    for (std::size_t s = 0; s < sample_total(locus); ++s) {
        for (std::size_t i = sample_first(locus, s); i < sample_end(locus, s); ++i) {
            const std::int32_t p = locus.individuals[i];
            if (phenotype_seen[p]) continue;  // so are all its alleles
            phenotype_seen[p] = true;
            for (std::uint32_t k = locus.phenotype_begin[p]; k < locus.phenotype_begin[p + 1]; ++k) {
                const int a = locus.phenotype_alleles[k];
                if (items.allele_column[a] != NOT_LISTED) continue;
                items.allele_column[a] = static_cast<int>(items.alleles.size());
                items.alleles.push_back(a);
            }
            if (items.phenotypes.size() < static_cast<std::size_t>(MAX_PHENOTYPES_PER_LOCUS)) {
                items.phenotype_column[p] = static_cast<int>(items.phenotypes.size());
                items.phenotypes.push_back(p);
            }
        }
    }
    return items;
}

// Counts over the individuals [begin, end) of the locus.
RowCounts count_row(const CodedLocus& locus, const ListedItems& items, std::size_t begin,
                    std::size_t end) {
    RowCounts row;
    row.alleles.assign(items.alleles.size(), 0);
    row.phenotypes.assign(items.phenotypes.size(), 0);
    row.typed = end - begin;
    for (std::size_t i = begin; i < end; ++i) {
        const std::int32_t p = locus.individuals[i];
        for (std::uint32_t k = locus.phenotype_begin[p]; k < locus.phenotype_begin[p + 1]; ++k)
            ++row.alleles[items.allele_column[locus.phenotype_alleles[k]]];
        if (items.phenotype_column[p] != NOT_LISTED) ++row.phenotypes[items.phenotype_column[p]];
    }
    return row;
}

void add_row(RowCounts& total, const RowCounts& row) {
    for (std::size_t c = 0; c < row.alleles.size(); ++c) total.alleles[c] += row.alleles[c];
    for (std::size_t c = 0; c < row.phenotypes.size(); ++c) total.phenotypes[c] += row.phenotypes[c];
    total.typed += row.typed;
}

// "\t%f": std::to_chars in fixed notation with a precision is defined to give
// printf's text in the C locale, and is much faster for the many cells here.
void append_value(std::string& out, double value) {
    char buffer[400];  // room for any finite double in fixed notation
    buffer[0] = '\t';
    const auto result = std::to_chars(buffer + 1, buffer + sizeof buffer, value,
                                      std::chars_format::fixed, 6);
    out.append(buffer, result.ptr);
}

// "\t%f" of a whole number: its digits and ".000000".
void append_count(std::string& out, std::uint32_t count) {
    char buffer[24];
    buffer[0] = '\t';
    char* end = std::to_chars(buffer + 1, buffer + sizeof buffer, count).ptr;
    out.append(buffer, end).append(".000000");
}

void append_code(std::string& out, std::int32_t code) {
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, code);
    out.append(buffer, result.ptr);
}

// One value row: "\n<label>" then each count, or each count / typed. A
// frequency row of a sample with no typed individual holds its label only.
void append_row(std::string& out, std::string_view label, const std::vector<std::uint32_t>& counts,
                std::size_t typed, bool as_frequency) {
    out.push_back('\n');
    out.append(label);
    if (as_frequency && typed == 0) return;
    const double denominator = static_cast<double>(typed);
    for (std::uint32_t count : counts) {
        if (as_frequency)
            append_value(out, static_cast<double>(count) / denominator);
        else
            append_count(out, count);
    }
}

std::string allele_header(const CodedLocus& locus, const ListedItems& items) {
    std::string out = "\n";
    for (int a : items.alleles) {
        out.push_back('\t');
        append_code(out, locus.allele_codes[a]);
    }
    return out;
}

// 500 cells whatever the number of listed phenotypes; each listed phenotype's
// codes are written "%i," (a comma after every code, the last included).
std::string phenotype_header(const CodedLocus& locus, const ListedItems& items) {
    std::string out = "\n";
    for (int place = 0; place < MAX_PHENOTYPES_PER_LOCUS; ++place) {
        out.push_back('\t');
        if (static_cast<std::size_t>(place) >= items.phenotypes.size()) continue;
        const int p = items.phenotypes[place];
        for (std::uint32_t k = locus.phenotype_begin[p]; k < locus.phenotype_begin[p + 1]; ++k) {
            append_code(out, locus.allele_codes[locus.phenotype_alleles[k]]);
            out.push_back(',');
        }
    }
    return out;
}

enum class Table { allele_counts, allele_frequencies, phenotype_counts, phenotype_frequencies };

void append_table_rows(std::string& out, Table table, const RowCounts& pooled,
                       const std::vector<RowCounts>& samples, const SampleCatalogue& catalogue) {
    const bool alleles = table == Table::allele_counts || table == Table::allele_frequencies;
    const bool frequencies = table == Table::allele_frequencies || table == Table::phenotype_frequencies;
    auto row = [&](std::string_view label, const RowCounts& counts) {
        append_row(out, label, alleles ? counts.alleles : counts.phenotypes, counts.typed, frequencies);
    };
    row("Over all Samples", pooled);
    for (std::size_t s = 0; s < samples.size(); ++s) row(catalogue.samples[s].name, samples[s]);
}

}  // namespace

std::string frequency_summary_text(const CodedLocus& locus, const SampleCatalogue& catalogue,
                                   std::string_view locus_name) {
    assert(sample_total(locus) == catalogue.sample_count());
    const ListedItems items = list_items(locus);
    const std::size_t sample_count = sample_total(locus);
    std::vector<RowCounts> samples;
    samples.reserve(sample_count);
    RowCounts pooled;
    pooled.alleles.assign(items.alleles.size(), 0);
    pooled.phenotypes.assign(items.phenotypes.size(), 0);
    for (std::size_t s = 0; s < sample_count; ++s) {
        samples.push_back(count_row(locus, items, sample_first(locus, s), sample_end(locus, s)));
        add_row(pooled, samples.back());
    }
    const std::string alleles = allele_header(locus, items);
    const std::string phenotypes = phenotype_header(locus, items);

    std::string out = "\n\n\n\t\t****\t*****\t****";
    out.append("\t  \n\t\t****\tLocus ").append(locus_name).append("\t****");
    out.append("\t  \n\t\t****\t*****\t*****");

    out.append("\n\n\t\tAllele-Carrier Counts (The number of individuals seen carrying each allele)");
    out.append(alleles);
    append_table_rows(out, Table::allele_counts, pooled, samples, catalogue);

    out.append("\n\n\t\tCarrier frequencies (The proportion of individuals carrying each allele)");
    out.append(alleles);
    append_table_rows(out, Table::allele_frequencies, pooled, samples, catalogue);

    out.append("\n\n\t\tPhenotype Counts (The number of individuals seen carrying each phenotype)");
    out.append(phenotypes);
    append_table_rows(out, Table::phenotype_counts, pooled, samples, catalogue);

    out.append("\n\n\t\tPhenotype Frequencies (The proportion of individuals seen carrying each phenotype)");
    out.append(phenotypes);
    append_table_rows(out, Table::phenotype_frequencies, pooled, samples, catalogue);
    return out;
}

void append_frequency_summary(const std::string& path, const CodedLocus& locus,
                              const SampleCatalogue& catalogue, std::string_view locus_name) {
    append_to_file(path, frequency_summary_text(locus, catalogue, locus_name));
}

}  // namespace phenostat

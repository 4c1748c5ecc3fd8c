#include "reports/summary_file.h"

#include <charconv>
#include <cstdint>
#include <vector>

#include "base/text.h"

namespace phenostat {
namespace {

constexpr int NOT_LISTED = -1;

// Counts of one row: carriers of each listed allele, individuals with each
// listed phenotype, and the typed individuals behind them.
struct RowCounts {
    std::vector<std::uint32_t> alleles;
    std::vector<std::uint32_t> phenotypes;
    std::size_t typed = 0;
};

// Spreads tally entries over the columns of their items; unlisted items are dropped.
void fill(std::vector<std::uint32_t>& row, const std::vector<int>& column_of, const TallyEntry* begin,
          const TallyEntry* end) {
    for (const TallyEntry* e = begin; e != end; ++e) {
        const int column = column_of[static_cast<std::size_t>(e->id)];
        if (column != NOT_LISTED) row[static_cast<std::size_t>(column)] = static_cast<std::uint32_t>(e->count);
    }
}

std::vector<int> columns(const std::vector<TallyEntry>& listed, std::size_t id_count) {
    std::vector<int> column_of(id_count, NOT_LISTED);
    for (std::size_t c = 0; c < listed.size(); ++c)
        column_of[static_cast<std::size_t>(listed[c].id)] = static_cast<int>(c);
    return column_of;
}

// "\t%f".
void append_value(std::string& out, double value) {
    out.push_back('\t');
    append_fixed(out, value, 6);
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
void append_row(std::string& out, std::string_view label, const std::vector<std::uint32_t>& counts, std::size_t typed,
                bool as_frequency) {
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

std::string allele_header(const CodedLocus& locus, const PooledTally& pooled) {
    std::string out = "\n";
    for (const TallyEntry& allele : pooled.alleles) {
        out.push_back('\t');
        append_code(out, locus.allele_codes[static_cast<std::size_t>(allele.id)]);
    }
    return out;
}

// 500 cells whatever the number of listed phenotypes; each listed phenotype's
// codes are written "%i," (a comma after every code, the last included).
std::string phenotype_header(const CodedLocus& locus, const PooledTally& pooled) {
    std::string out = "\n";
    for (std::size_t place = 0; place < static_cast<std::size_t>(MAX_PHENOTYPES_PER_LOCUS); ++place) {
        out.push_back('\t');
        if (place >= pooled.phenotypes.size()) continue;
        const auto p = static_cast<std::size_t>(pooled.phenotypes[place].id);
        for (std::uint32_t k = locus.phenotype_begin[p]; k < locus.phenotype_begin[p + 1]; ++k) {
            append_code(out, locus.allele_codes[locus.phenotype_alleles[k]]);
            out.push_back(',');
        }
    }
    return out;
}

enum class Table { allele_counts, allele_frequencies, phenotype_counts, phenotype_frequencies };

void append_table_rows(std::string& out, Table table, const RowCounts& pooled, const std::vector<RowCounts>& samples,
                       const SampleCatalogue& catalogue) {
    const bool alleles = table == Table::allele_counts || table == Table::allele_frequencies;
    const bool frequencies = table == Table::allele_frequencies || table == Table::phenotype_frequencies;
    auto row = [&](std::string_view label, const RowCounts& counts) {
        append_row(out, label, alleles ? counts.alleles : counts.phenotypes, counts.typed, frequencies);
    };
    row("Over all Samples", pooled);
    for (std::size_t s = 0; s < samples.size(); ++s) row(catalogue.samples[s].name, samples[s]);
}

}  // namespace

std::string frequency_summary_text(const CodedLocus& locus, const LocusSummary& summary, const PooledTally& pooled,
                                   const SampleCatalogue& catalogue, std::string_view locus_name) {
    const std::vector<int> allele_column = columns(pooled.alleles, locus.allele_count());
    const std::vector<int> phenotype_column = columns(pooled.phenotypes, locus.phenotype_count());
    const std::size_t sample_count = summary.samples.size();
    std::vector<RowCounts> samples(sample_count);
    RowCounts total;
    for (const TallyEntry& e : pooled.alleles) total.alleles.push_back(static_cast<std::uint32_t>(e.count));
    for (const TallyEntry& e : pooled.phenotypes) total.phenotypes.push_back(static_cast<std::uint32_t>(e.count));
    for (std::size_t s = 0; s < sample_count; ++s) {
        const SampleSummary& sample = summary.samples[s];
        RowCounts& row = samples[s];
        row.alleles.assign(pooled.alleles.size(), 0);
        row.phenotypes.assign(pooled.phenotypes.size(), 0);
        row.typed = static_cast<std::size_t>(sample.typed);
        total.typed += row.typed;
        fill(row.alleles, allele_column, summary.allele_entries.data() + sample.alleles_begin,
             summary.allele_entries.data() + sample.alleles_end());
        fill(row.phenotypes, phenotype_column, summary.phenotype_entries.data() + sample.phenotypes_begin,
             summary.phenotype_entries.data() + sample.phenotypes_end);
    }
    const std::string alleles = allele_header(locus, pooled);
    const std::string phenotypes = phenotype_header(locus, pooled);

    std::string out = "\n\n\n\t\t****\t*****\t****";
    out.append("\t  \n\t\t****\tLocus ").append(locus_name).append("\t****");
    out.append("\t  \n\t\t****\t*****\t*****");

    out.append("\n\n\t\tAllele-Carrier Counts (The number of individuals seen carrying each allele)");
    out.append(alleles);
    append_table_rows(out, Table::allele_counts, total, samples, catalogue);

    out.append("\n\n\t\tCarrier frequencies (The proportion of individuals carrying each allele)");
    out.append(alleles);
    append_table_rows(out, Table::allele_frequencies, total, samples, catalogue);

    out.append("\n\n\t\tPhenotype Counts (The number of individuals seen carrying each phenotype)");
    out.append(phenotypes);
    append_table_rows(out, Table::phenotype_counts, total, samples, catalogue);

    out.append("\n\n\t\tPhenotype Frequencies (The proportion of individuals seen carrying each phenotype)");
    out.append(phenotypes);
    append_table_rows(out, Table::phenotype_frequencies, total, samples, catalogue);
    return out;
}

}  // namespace phenostat

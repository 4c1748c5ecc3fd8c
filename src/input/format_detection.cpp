#include "input/format_detection.h"

#include <strings.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <vector>

#include "base/text.h"
#include "input/fstat_reader.h"
#include "input/genalex_reader.h"
#include "input/genepop_reader.h"
#include "input/genodive_reader.h"
#include "input/genotype_text.h"

namespace phenostat {
namespace {

struct FormatEntry {
    DataFormat format;
    const char* name;
    const char* title;
    const char* beginning;  // how a file of the format begins
};

constexpr std::array<FormatEntry, 7> FORMATS = {{
    {DataFormat::tab, "tab", "tab", "a header line of tab-separated fields, the loci from the fourth on"},
    {DataFormat::vcf, "vcf", "VCF", "VCF or BCF: a line ##fileformat=VCF..., or BCF's binary header"},
    {DataFormat::genepop, "genepop", "Genepop", "a title line, the locus names, then a line Pop"},
    {DataFormat::fstat, "fstat", "FSTAT",
     "a line of four whole numbers: populations, loci, highest allele, digits per allele"},
    {DataFormat::structure, "structure", "STRUCTURE",
     "rows of a label, a population number and the alleles (-9 missing), after an optional line of marker names"},
    {DataFormat::genalex, "genalex", "GenAlEx",
     "a row of the numbers of loci, individuals and populations and each population's size, comma- or "
     "tab-separated"},
    {DataFormat::genodive, "genodive", "GenoDive",
     "a comment line, then a line of five whole numbers: individuals, populations, loci, ploidy, digits"},
}};

// At most this much of a file is looked at, in reads that double from the first.
constexpr std::size_t FIRST_READ = std::size_t{64} << 10, MOST_READ = std::size_t{8} << 20;
// STRUCTURE rows looked at.
constexpr std::size_t STRUCTURE_ROWS = 50;

bool whole_numbers(const std::vector<std::string_view>& fields, std::size_t from, std::size_t to) {
    if (fields.size() < to) return false;
    std::uint32_t value = 0;
    for (std::size_t k = from; k < to; ++k)
        if (!read_whole(fields[k], value)) return false;
    return true;
}

bool is_word(std::string_view field, const char* word) {
    const std::size_t size = std::char_traits<char>::length(word);
    return field.size() == size && strncasecmp(field.data(), word, size) == 0;
}

// The lines of the beginning of a file, CRs left out.
class Beginning {
public:
    explicit Beginning(std::vector<std::string_view> lines) : lines_(std::move(lines)) {}
    std::size_t size() const { return lines_.size(); }
    const std::vector<std::string_view>& blanks(std::size_t k) {
        split_blanks(k < lines_.size() ? lines_[k] : std::string_view(), fields_);
        return fields_;
    }
    std::string_view operator[](std::size_t k) const { return k < lines_.size() ? lines_[k] : std::string_view(); }

    bool genalex() {
        const char separator = lines_.empty() || lines_[0].find('\t') == std::string_view::npos ? ',' : '\t';
        if (lines_.size() < 3 || lines_[0].find(separator) == std::string_view::npos) return false;
        split_cells(lines_[0], separator, fields_);
        std::uint32_t populations = 0;
        if (!whole_numbers(fields_, 0, 3) || !read_whole(fields_[2], populations) || populations == 0 ||
            !whole_numbers(fields_, 3, 3 + std::size_t{populations}))
            return false;
        split_cells(lines_[1], separator, fields_);
        if (fields_.size() < 3 + std::size_t{populations}) return false;
        split_cells(lines_[2], separator, fields_);
        return fields_.size() >= 3;
    }
    bool fstat() {
        const auto& fields = blanks(0);
        return fields.size() == 4 && whole_numbers(fields, 0, 4);
    }
    bool genodive() {
        const auto& fields = blanks(1);
        if (fields.size() != 5 || !whole_numbers(fields, 0, 5)) return false;
        for (std::size_t k = 2; k < lines_.size(); ++k) {
            const auto& header = blanks(k);
            if (header.size() >= 2 && is_word(header[0], "population") && is_word(header[1], "individual")) return true;
        }
        return false;
    }
    bool genepop() const {
        return std::any_of(lines_.begin() + std::min<std::size_t>(1, lines_.size()), lines_.end(),
                           [](std::string_view line) { return is_word(trim_blanks(line), "pop"); });
    }
    bool structure(const StructureLayout& layout, bool marker_line);

private:
    bool structure_row(const StructureLayout& layout, const std::vector<std::string_view>& fields) const;

    std::vector<std::string_view> lines_;
    std::vector<std::string_view> fields_;
};

bool Beginning::structure_row(const StructureLayout& layout, const std::vector<std::string_view>& fields) const {
    std::uint32_t value = 0;
    for (std::size_t k = 0; k < fields.size(); ++k) {
        if (k < layout.columns.size() && layout.columns[k] != StructureColumn::pop) continue;
        if (fields[k] != "-9" && !read_whole(fields[k], value)) return false;
    }
    return true;
}

bool Beginning::structure(const StructureLayout& layout, bool marker_line) {
    std::vector<std::size_t> rows;  // the non-blank lines
    for (std::size_t k = 0; k < lines_.size() && rows.size() <= STRUCTURE_ROWS; ++k)
        if (!trim_blanks(lines_[k]).empty()) rows.push_back(k);
    if (rows.size() < (marker_line ? 2u : 1u)) return false;
    if (std::any_of(lines_.begin(), lines_.end(), [](std::string_view line) { return line.find(',') != line.npos; }))
        return false;
    const std::size_t before = layout.columns.size(), per_row = layout.ploidy > 0 ? layout.ploidy : 1;
    const std::size_t markers = marker_line ? blanks(rows[0]).size() : 0;
    const std::size_t fields = blanks(rows[marker_line ? 1 : 0]).size();
    if (fields <= before || (fields - before) % per_row != 0) return false;
    if (marker_line && markers * per_row != fields - before) return false;
    for (std::size_t r = marker_line ? 1 : 0; r < rows.size(); ++r) {
        const auto& row = blanks(rows[r]);
        if (row.size() != fields || !structure_row(layout, row)) return false;
    }
    return true;
}

// The lines of the first `size` bytes of the file (decompressed); the last
// line only when the file ends there.
std::vector<std::string_view> lines_of(std::string_view text, bool whole_file) {
    std::vector<std::string_view> lines;
    std::size_t at = 0;
    for (std::size_t end; (end = text.find('\n', at)) != std::string_view::npos; at = end + 1)
        lines.push_back(text.substr(at, end - at));
    if (whole_file && at < text.size()) lines.push_back(text.substr(at));
    return lines;
}

std::optional<DataFormat> format_of(Beginning& lines, const StructureLayout& layout, bool whole_file) {
    if (lines.genalex()) return DataFormat::genalex;
    if (lines.fstat()) return DataFormat::fstat;
    if (lines.genodive()) return DataFormat::genodive;
    if (lines.genepop()) return DataFormat::genepop;
    if ((lines.size() >= 2 || whole_file) && (lines.structure(layout, true) || lines.structure(layout, false)))
        return DataFormat::structure;
    if (lines[0].find('\t') != std::string_view::npos) return DataFormat::tab;
    return std::nullopt;
}

}  // namespace

std::optional<DataFormat> format_named(std::string_view name) {
    for (const FormatEntry& entry : FORMATS)
        if (name == entry.name) return entry.format;
    return std::nullopt;
}

const char* format_name(DataFormat format) { return FORMATS[static_cast<std::size_t>(format)].name; }
const char* format_title(DataFormat format) { return FORMATS[static_cast<std::size_t>(format)].title; }

std::string format_names() {
    std::string names;
    for (const FormatEntry& entry : FORMATS) {
        if (!names.empty()) names += '|';
        names += entry.name;
    }
    return names;
}

std::optional<DataFormat> detect_format(const std::string& path, const StructureLayout& layout) {
    // A pipe cannot be looked into and then read again: it is read as our own format.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return DataFormat::tab;
    if (is_variant_file(path)) return DataFormat::vcf;
    gzFile file = gzopen(path.c_str(), "rb");
    if (file == nullptr) return DataFormat::tab;  // reading it will say why
    std::string text;
    std::optional<DataFormat> format;
    for (std::size_t size = FIRST_READ;; size *= 2) {
        const std::size_t had = text.size();
        text.resize(std::min(size, MOST_READ));
        const int got = gzread(file, text.data() + had, static_cast<unsigned>(text.size() - had));
        text.resize(had + static_cast<std::size_t>(std::max(got, 0)));
        const bool whole_file = text.size() < std::min(size, MOST_READ);
        std::string clean = text;
        std::erase(clean, '\r');
        if (whole_file && clean.find_first_not_of(" \t\n") == std::string::npos) {
            format = DataFormat::tab;  // nothing in it: a tab file without data, as it has always been read
            break;
        }
        Beginning lines(lines_of(clean, whole_file));
        format = format_of(lines, layout, whole_file);
        if (format || whole_file) break;
        if (text.size() == MOST_READ) {
            // A first line longer than this, with a tab: the header of a tab file of very many loci.
            if (clean.substr(0, clean.find('\n')).find('\t') != std::string::npos) format = DataFormat::tab;
            break;
        }
    }
    gzclose(file);
    return format;
}

std::string unknown_format_message(const std::string& path) {
    std::string message = strprintf(
        "The format of %s is none that phenostat reads (--format NAME reads it as one of them); a file of each "
        "begins with:",
        path.c_str());
    for (const FormatEntry& entry : FORMATS) appendf(message, "\n  %-10s %s", entry.name, entry.beginning);
    return message;
}

void read_converted(ConvertedRows& rows, DataFormat format, const StructureLayout& layout, PartialGenotypes partial,
                    Progress& progress) {
    if (!is_gzip_file(rows.path())) rows.reserve(data_file_size(rows.path()));
    switch (format) {
        case DataFormat::genepop:
            read_genepop(rows, progress);
            break;
        case DataFormat::fstat:
            read_fstat(rows, progress);
            break;
        case DataFormat::structure:
            read_structure(rows, layout, partial, progress);
            break;
        case DataFormat::genalex:
            read_genalex(rows, progress);
            break;
        case DataFormat::genodive:
            read_genodive(rows, progress);
            break;
        case DataFormat::tab:
        case DataFormat::vcf:
            return;
    }
    rows.finish();
}

}  // namespace phenostat

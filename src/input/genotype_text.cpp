#include "input/genotype_text.h"

#include <algorithm>
#include <charconv>

#include "base/text.h"

namespace phenostat {
namespace {

constexpr std::size_t MOST_DIGITS = 9;  // of an allele, leading zeros left out

bool is_blank(char c) { return c == ' ' || c == '\t'; }

bool all_digits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The value of a run of digits known to be digits, at most 18 of them.
std::uint64_t digits_value(std::string_view digits) {
    std::uint64_t value = 0;
    for (const char c : digits) value = value * 10 + static_cast<std::uint64_t>(c - '0');
    return value;
}

// The digits of an allele without its leading zeros; empty for an allele of zeros.
std::string_view significant(std::string_view digits) {
    while (!digits.empty() && digits.front() == '0') digits.remove_prefix(1);
    return digits;
}

// One or two alleles of width / count digits each, written together, copied
// as they are written less their leading zeros (read as numbers, they are
// ordered by length first); missing (nothing appended) when one is of zeros.
void append_fixed_pair(std::string_view text, std::size_t count, std::string& out) {
    const std::size_t digits = text.size() / count;
    std::string_view a = significant(text.substr(0, digits));
    std::string_view b = count == 1 ? a : significant(text.substr(digits));
    if (a.empty() || b.empty()) return;
    std::size_t k = 0;  // the first digit where a and b of a size differ
    const bool same_size = a.size() == b.size();
    if (same_size)
        while (k < a.size() && a[k] == b[k]) ++k;
    if (b.size() < a.size() || (same_size && k < a.size() && b[k] < a[k])) std::swap(a, b);
    char pair[2 * MOST_DIGITS + 1];
    a.copy(pair, a.size());
    std::size_t size = a.size();
    if (!same_size || k < a.size()) {
        pair[size++] = ',';
        size += b.copy(pair + size, b.size());
    }
    out.append(pair, size);
}

std::string width_mismatch(std::size_t size, std::size_t width) {
    return strprintf("%zu digits, where the genotypes before it have %zu", size, width);
}

}  // namespace

void split_blanks(std::string_view line, std::vector<std::string_view>& fields) {
    fields.clear();
    std::size_t at = 0;
    while (true) {
        while (at < line.size() && is_blank(line[at])) ++at;
        if (at == line.size()) return;
        const std::size_t begin = at;
        while (at < line.size() && !is_blank(line[at])) ++at;
        fields.push_back(line.substr(begin, at - begin));
    }
}

void split_cells(std::string_view line, char separator, std::vector<std::string_view>& cells) {
    cells.clear();
    const char* at = line.data();
    const char* const end = at + line.size();
    while (true) {
        while (at < end && *at != separator && is_blank(*at)) ++at;
        const char* begin = at;
        const char* cell_end = nullptr;
        if (at < end && *at == '"') {
            const char* quote = std::find(at + 1, end, '"');
            if (quote != end) {
                begin = at + 1;
                cell_end = quote;
                at = quote;
            }
        }
        while (at < end && *at != separator) ++at;
        if (cell_end == nullptr) {
            cell_end = at;
            while (cell_end > begin && is_blank(cell_end[-1])) --cell_end;
        }
        cells.emplace_back(begin, static_cast<std::size_t>(cell_end - begin));
        if (at == end) return;
        ++at;
    }
}

std::string_view trim_blanks(std::string_view text) {
    while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
    return text;
}

bool read_whole(std::string_view text, std::uint32_t& value) {
    if (text.empty() || !all_digits(text)) return false;
    const std::size_t first = std::min(text.find_first_not_of('0'), text.size());
    if (text.size() - first > MOST_DIGITS) return false;
    value = static_cast<std::uint32_t>(digits_value(text.substr(first)));
    return true;
}

void append_alleles(std::vector<std::uint32_t>& alleles, std::string& out) {
    // An individual has few alleles at a locus: sorted by insertion, written
    // into a buffer, appended at once.
    for (std::size_t k = 1; k < alleles.size(); ++k)
        for (std::size_t j = k; j > 0 && alleles[j] < alleles[j - 1]; --j) std::swap(alleles[j], alleles[j - 1]);
    char text[256];
    char* at = text;
    for (std::size_t k = 0; k < alleles.size(); ++k) {
        if (alleles[k] == 0 || (k > 0 && alleles[k] == alleles[k - 1])) continue;
        if (at + MOST_DIGITS + 1 > text + sizeof text) {
            out.append(text, at);
            at = text;
        }
        if (k > 0 && alleles[k - 1] != 0) *at++ = ',';  // zeros come first: an allele is written before
        at = std::to_chars(at, text + sizeof text, alleles[k]).ptr;
    }
    out.append(text, at);
}

std::string read_genepop_genotype(std::string_view text, std::size_t& width, std::string& out) {
    if (!all_digits(text)) return "not digits alone";
    if (width == 0) {
        if (text.size() != 2 && text.size() != 3 && text.size() != 4 && text.size() != 6)
            return strprintf("%zu digits, where a genotype has 2 or 3 (one allele) or 4 or 6 (two alleles)",
                             text.size());
        width = text.size();
    }
    if (text.size() != width) return width_mismatch(text.size(), width);
    append_fixed_pair(text, width >= 4 ? 2 : 1, out);
    return {};
}

std::string read_fstat_genotype(std::string_view text, std::size_t digits, std::size_t& width, std::uint32_t highest,
                                std::string& out) {
    if (text == "0") return {};
    if (!all_digits(text)) return "not digits alone";
    if (width == 0) {
        if (text.size() != digits && text.size() != 2 * digits)
            return strprintf("%zu digits, where a genotype has %zu (one allele) or %zu (two), as line 1 says",
                             text.size(), digits, 2 * digits);
        width = text.size();
    }
    if (text.size() != width) return width_mismatch(text.size(), width);
    const std::size_t count = width / digits;
    for (std::size_t k = 0; k < count; ++k) {
        const std::uint64_t allele = digits_value(text.substr(k * digits, digits));
        if (allele > highest)
            return strprintf("allele %llu is above the highest allele of line 1, %u",
                             static_cast<unsigned long long>(allele), highest);
    }
    append_fixed_pair(text, count, out);
    return {};
}

std::string read_genodive_genotype(std::string_view text, std::size_t digits, std::size_t ploidy,
                                   std::vector<std::string_view>& scratch, std::string& out) {
    if (text.find_first_not_of('0') == std::string_view::npos) return {};
    if (!all_digits(text)) return "not digits alone";
    if (text.size() % digits != 0)
        return strprintf("%zu digits, not a whole number of alleles of %zu digits", text.size(), digits);
    if (text.size() / digits > ploidy)
        return strprintf("%zu alleles, more than the ploidy, %zu", text.size() / digits, ploidy);
    // Alleles of a width: ordered as their digits are. Sorted by insertion,
    // written less their leading zeros.
    scratch.clear();
    for (std::size_t at = 0; at < text.size(); at += digits) {
        const std::string_view allele = significant(text.substr(at, digits));
        if (allele.empty()) continue;
        scratch.push_back(text.substr(at, digits));
        for (std::size_t j = scratch.size() - 1; j > 0 && scratch[j] < scratch[j - 1]; --j)
            std::swap(scratch[j], scratch[j - 1]);
    }
    for (std::size_t k = 0; k < scratch.size(); ++k) {
        if (k > 0 && scratch[k] == scratch[k - 1]) continue;
        if (k > 0) out += ',';
        out += significant(scratch[k]);
    }
    return {};
}

AlleleCell read_structure_allele(std::string_view text, std::uint32_t& allele) {
    if (text == "-9") return AlleleCell::missing;
    return read_whole(text, allele) && allele > 0 ? AlleleCell::allele : AlleleCell::bad;
}

AlleleCell read_genalex_allele(std::string_view text, std::uint32_t& allele) {
    if (text.empty() || text == "-1") return AlleleCell::missing;
    if (!read_whole(text, allele)) return AlleleCell::bad;
    return allele == 0 ? AlleleCell::missing : AlleleCell::allele;
}

}  // namespace phenostat

#include "input/line_check.h"

#include <algorithm>

#include "base/fatal_error.h"
#include "base/text.h"

namespace phenostat {
namespace {

constexpr std::size_t LINES_SHOWN = 5;

std::size_t line_number(std::size_t row) { return row + 2; }  // the header is line 1

void note(std::vector<std::size_t>& shown, std::size_t& count, std::size_t row) {
    if (shown.size() < LINES_SHOWN) shown.push_back(line_number(row));
    ++count;
}

std::string line_list(const std::vector<std::size_t>& shown, std::size_t count) {
    std::string text = count == 1 ? "line " : "lines ";
    for (std::size_t k = 0; k < shown.size(); ++k) appendf(text, "%s%zu", k == 0 ? "" : ", ", shown[k]);
    if (count > shown.size()) appendf(text, " and %zu more", count - shown.size());
    return text;
}

}  // namespace

void LineCheck::header(const DataLine& line, std::uint64_t text_bytes) {
    header_fields_ = line.size();
    columns_ = std::max<std::size_t>(header_fields_, 3);  // the first three are never loci
    next_.header(line, text_bytes);
}

void LineCheck::row(std::size_t row, const DataLine& line, std::uint64_t text_bytes) {
    if (line.size() <= columns_) {
        if (line.size() < header_fields_) note(short_lines_, short_count_, row);
        next_.row(row, line, text_bytes);
        return;
    }
    for (std::size_t k = columns_; k < line.size(); ++k)
        if (!line.field(k).empty())
            throw FatalError(strprintf("%s, line %zu: %zu fields, but the header (line 1) has %zu; field %zu holds "
                                       "data and would be a locus without a name.",
                                       path_.c_str(), line_number(row), line.size(), header_fields_, k + 1));
    note(trailing_lines_, trailing_count_, row);
    const DataLine kept{line.text, line.ends.first(columns_)};
    next_.row(row, kept, text_bytes);
}

std::vector<Warning> LineCheck::warnings() const {
    std::vector<Warning> warnings;
    if (trailing_count_ > 0)
        warnings.push_back({WarningKind::trailing_empty_fields, line_list(trailing_lines_, trailing_count_),
                            strprintf("%s: %zu line%s end%s in empty fields past the header's %zu, which are "
                                      "dropped: %s.",
                                      path_.c_str(), trailing_count_, trailing_count_ == 1 ? "" : "s",
                                      trailing_count_ == 1 ? "s" : "", header_fields_,
                                      line_list(trailing_lines_, trailing_count_).c_str())});
    if (short_count_ > 0)
        warnings.push_back({WarningKind::short_lines, line_list(short_lines_, short_count_),
                            strprintf("%s: %zu line%s fewer fields than the header's %zu; the missing cells are "
                                      "not typed: %s.",
                                      path_.c_str(), short_count_, short_count_ == 1 ? " has" : "s have",
                                      header_fields_, line_list(short_lines_, short_count_).c_str())});
    return warnings;
}

}  // namespace phenostat

#pragma once
// The report page (STEM_report.html): one self-contained HTML file, with no
// script and nothing fetched, that a browser shows and prints. Its skeleton is
// written here: what was run on which data (provenance), the data's counts,
// the run's warnings, then a section per analysis, which the analysis's own
// renderer fills with text, tables and inline SVG figures.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/warning.h"
#include "stats/dataset.h"

namespace phenostat {

struct ReportSection {
    std::string title;
    std::string body;                // HTML
    std::vector<std::string> links;  // the section's tables, as paths relative to the page
};

struct ReportPage {
    std::vector<std::pair<std::string, std::string>> provenance;  // label and value, as text
    std::string data_summary;                                     // HTML
    std::vector<Warning> warnings;
    std::vector<ReportSection> sections;
};

// The whole page, titled `title`.
std::string report_html(const ReportPage& page, std::string_view title);

// The data set's counts, and its samples in a table (the first
// MOST_TABLE_ROWS, the others counted).
std::string data_summary_html(const Dataset& data);

// Pieces for the sections. Every text is escaped here.
inline constexpr std::size_t MOST_TABLE_ROWS = 500;
std::string html_escape(std::string_view text);
std::string html_paragraph(std::string_view text);
// Each line of a console text as a paragraph, without its indent.
std::string html_lines(std::string_view text);
// A figure: an SVG document (as Plot::svg writes it) with a caption.
// `files`, when not empty, names the files of the tables folder that hold
// the figure's data and drawing, after the caption.
std::string html_figure(const std::string& svg, std::string_view caption, std::string_view files = {});
// A table of the header and the rows (the first MOST_TABLE_ROWS, the others
// counted below); a field that reads as a number is aligned right.
std::string html_table(const std::vector<std::string>& header, const std::vector<std::vector<std::string>>& rows);
// A tidy table's text (tab-separated, a header line) as html_table.
std::string html_table_from_tsv(std::string_view tsv);

}  // namespace phenostat

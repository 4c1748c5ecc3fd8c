#include "reports/report_page.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "base/text.h"
#include "reports/plot.h"

namespace phenostat {
namespace {

// Plain, legible on screen and on paper; figures scale to the column.
constexpr const char* STYLE =
    R"(body{font-family:sans-serif;max-width:60rem;margin:0 auto;padding:1rem;color:#222;line-height:1.4}
h1{font-size:1.5rem}h2{font-size:1.25rem;border-bottom:1px solid #ccc;margin-top:2rem}
table{border-collapse:collapse;margin:.5rem 0;font-size:.9rem}th,td{border:1px solid #ccc;padding:.15rem .5rem;text-align:left}
td.n{text-align:right;font-variant-numeric:tabular-nums}th{background:#f0f0f0}
figure{margin:1rem 0}figure svg{width:100%;height:auto;max-height:90vh}figcaption{color:#555;font-size:.9rem}
.warnings li{color:#8a4b00}.note{color:#555;font-size:.9rem}code{font-size:.9rem}
nav ol{columns:2}summary{cursor:pointer;color:#555}footer{margin-top:3rem;color:#777;font-size:.8rem}
@media print{body{max-width:none;font-size:10pt}nav{display:none}h2{break-after:avoid}figure,table{break-inside:avoid}
a{color:inherit;text-decoration:none}figure svg{max-height:none}}
)";

bool numeric(const std::string& field) {
    if (field == "NA") return true;
    if (field.empty()) return false;
    char* end = nullptr;
    std::strtod(field.c_str(), &end);
    return end == field.c_str() + field.size();
}

std::vector<std::string> split(std::string_view line, char separator) {
    std::vector<std::string> fields;
    for (std::size_t at = 0;;) {
        const std::size_t end = line.find(separator, at);
        fields.emplace_back(line.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at));
        if (end == std::string_view::npos) return fields;
        at = end + 1;
    }
}

std::string section_html(const ReportSection& section, std::size_t number) {
    std::string out = strprintf("<section id=\"s%zu\">\n<h2>", number) + html_escape(section.title) + "</h2>\n";
    out += section.body;
    if (!section.links.empty()) {
        out += "<p class=\"note\">Tables:";
        for (const std::string& link : section.links)
            out += " <a href=\"" + html_escape(link) + "\">" + html_escape(link.substr(link.rfind('/') + 1)) + "</a>";
        out += "</p>\n";
    }
    return out + "</section>\n";
}

std::string warnings_html(const std::vector<Warning>& warnings) {
    std::string out = "<section id=\"warnings\">\n<h2>Warnings</h2>\n";
    if (warnings.empty()) return out + "<p>None.</p>\n</section>\n";
    out += "<ul class=\"warnings\">\n";
    for (const Warning& warning : warnings) out += "<li>" + html_escape(warning.text) + "</li>\n";
    return out + "</ul>\n</section>\n";
}

// The individual x locus cells with no phenotype, from each sample's typed
// individuals summed over the loci.
std::string missing_cells_text(const Dataset& data, std::size_t individuals) {
    const double cells = static_cast<double>(individuals) * static_cast<double>(data.locus_count());
    double typed = 0;
    for (const std::int64_t count : data.loci.typed_per_sample()) typed += static_cast<double>(count);
    const double percent = cells > 0 ? 100 * (cells - typed) / cells : 0;
    const std::string shown = percent > 0 && percent < 0.05 ? std::string("under 0.1") : strprintf("%.1f", percent);
    return shown + "% of the cells (individuals by loci) are missing.";
}

std::string ploidy_text(const Dataset& data) {
    if (data.least_ploidy == 0) return {};
    if (data.least_ploidy == data.most_ploidy) return strprintf(" Ploidy: %zu.", data.least_ploidy);
    return strprintf(" Ploidy: %zu to %zu.", data.least_ploidy, data.most_ploidy);
}

}  // namespace

std::string html_escape(std::string_view text) { return xml_escape(text); }

std::string html_paragraph(std::string_view text) { return "<p>" + html_escape(text) + "</p>\n"; }

std::string html_lines(std::string_view text) {
    std::string out;
    for (const std::string& line : split(text, '\n')) {
        const std::size_t start = line.find_first_not_of(' ');
        if (start != std::string::npos) out += html_paragraph(std::string_view(line).substr(start));
    }
    return out;
}

std::string html_figure(const std::string& svg, std::string_view caption, std::string_view files) {
    std::string text(caption);
    if (!files.empty()) text.append(" In the tables folder: ").append(files).append(".");
    return "<figure>\n" + svg + "<figcaption>" + html_escape(text) + "</figcaption>\n</figure>\n";
}

std::string html_table(const std::vector<std::string>& header, const std::vector<std::vector<std::string>>& rows) {
    // A long table folded away: a click opens it.
    constexpr std::size_t FOLDED = 20;
    std::string out = rows.size() > FOLDED ? strprintf("<details><summary>%zu rows</summary>\n", rows.size()) : "";
    out += "<table>\n<thead><tr>";
    for (const std::string& name : header) out += "<th>" + html_escape(name) + "</th>";
    out += "</tr></thead>\n<tbody>\n";
    const std::size_t shown = std::min(rows.size(), MOST_TABLE_ROWS);
    for (std::size_t r = 0; r < shown; ++r) {
        out += "<tr>";
        for (const std::string& field : rows[r])
            out += (numeric(field) ? "<td class=\"n\">" : "<td>") + html_escape(field) + "</td>";
        out += "</tr>\n";
    }
    out += "</tbody>\n</table>\n";
    if (shown < rows.size())
        out += html_paragraph(strprintf("The first %zu rows of %zu are shown; the table holds them all.", shown,
                                        rows.size()));
    return rows.size() > FOLDED ? out + "</details>\n" : out;
}

std::string html_table_from_tsv(std::string_view tsv) {
    std::vector<std::string> lines = split(tsv, '\n');
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    if (lines.empty()) return {};
    std::vector<std::vector<std::string>> rows;
    for (std::size_t k = 1; k < lines.size(); ++k) rows.push_back(split(lines[k], '\t'));
    return html_table(split(lines[0], '\t'), rows);
}

std::string data_summary_html(const Dataset& data) {
    const SampleCatalogue& catalogue = data.catalogue;
    std::size_t individuals = 0;
    std::vector<std::string> groups;
    std::vector<std::vector<std::string>> rows;
    for (std::size_t s = 0; s < catalogue.sample_count(); ++s) {
        const Sample& sample = catalogue.samples[s];
        individuals += sample.row_count();
        if (!sample.group.empty() && std::find(groups.begin(), groups.end(), sample.group) == groups.end())
            groups.push_back(sample.group);
        rows.push_back({std::to_string(s + 1), sample.name, sample.group.empty() ? "NA" : sample.group,
                        std::to_string(sample.row_count())});
    }
    return "<section id=\"data\">\n<h2>Data</h2>\n" +
           html_paragraph(count_of(individuals, "individual", "individuals") + " in " +
                          count_of(catalogue.sample_count(), "sample", "samples") + " and " +
                          count_of(groups.size(), "group", "groups") + ", typed at " +
                          count_of(data.locus_count(), "locus", "loci") + "; " + missing_cells_text(data, individuals) +
                          ploidy_text(data)) +
           html_table({"number", "sample", "group", "individuals"}, rows) + "</section>\n";
}

std::string report_html(const ReportPage& page, std::string_view title) {
    std::string out = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>" +
                      html_escape(title) + "</title>\n<style>\n" + STYLE + "</style>\n</head>\n<body>\n<h1>" +
                      html_escape(title) + "</h1>\n<nav>\n<ol>\n";
    out += "<li><a href=\"#run\">Run</a></li>\n<li><a href=\"#data\">Data</a></li>\n"
           "<li><a href=\"#warnings\">Warnings</a></li>\n";
    for (std::size_t k = 0; k < page.sections.size(); ++k)
        out += strprintf("<li><a href=\"#s%zu\">", k + 1) + html_escape(page.sections[k].title) + "</a></li>\n";
    out += "</ol>\n</nav>\n<section id=\"run\">\n<h2>Run</h2>\n<table>\n";
    for (const auto& [label, value] : page.provenance)
        out += "<tr><th>" + html_escape(label) + "</th><td><code>" + html_escape(value) + "</code></td></tr>\n";
    out += "</table>\n</section>\n" + page.data_summary + warnings_html(page.warnings);
    for (std::size_t k = 0; k < page.sections.size(); ++k) out += section_html(page.sections[k], k + 1);
    return out + "<footer>Written by phenostat. This page is one file: it loads nothing and runs no script."
                 "</footer>\n</body>\n</html>\n";
}

}  // namespace phenostat

#pragma once
// The principal coordinates as tables (pcoa_individuals.tsv,
// pcoa_samples.tsv, pcoa_axes.tsv), plots (pcoa_individuals.svg,
// pcoa_samples.svg) and a console summary. docs/columns.md says what every
// column holds.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "analyses/pcoa.h"
#include "base/warning.h"
#include "stats/dataset.h"

namespace phenostat {

// A row per individual ordinated: its name, sample, sample number, group and
// its coordinates on every axis.
std::string pcoa_individuals_table(const IndividualOrdination& individuals, const Dataset& data);
// A row per sample with its coordinates; the header alone when the samples
// were not ordinated.
std::string pcoa_samples_table(const SampleOrdination& samples, const SampleCatalogue& catalogue);
// Every eigenvalue of both ordinations with its percent and running percent.
std::string pcoa_axes_table(const PcoaResult& pcoa);
// Axes 1 and 2 of the individuals, coloured by sample (by group when the
// samples are too many to tell apart by colour and shape).
std::string pcoa_individuals_plot(const IndividualOrdination& individuals, const Dataset& data,
                                  std::string_view data_name);
// Axes 1 and 2 of the samples, labelled.
std::string pcoa_samples_plot(const SampleOrdination& samples, const SampleCatalogue& catalogue,
                              std::string_view data_name);
std::string pcoa_console_text(const PcoaResult& pcoa);
// The report page's section: the summary and the two plots.
// `files` names the files of each plot, individuals' then samples' (see html_figure).
std::string pcoa_section(const PcoaResult& pcoa, const std::string& individuals_plot, const std::string& samples_plot,
                         const std::array<std::string, 2>& files);
// Individuals left out (typed nowhere), samples not ordinated.
std::vector<Warning> pcoa_warnings(const PcoaResult& pcoa);

}  // namespace phenostat

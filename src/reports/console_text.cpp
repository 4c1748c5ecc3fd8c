#include "reports/console_text.h"

#include "base/text.h"

namespace phenostat {
std::string listing_text(const std::vector<std::string>& locus_names, const SampleCatalogue& catalogue,
                         const std::vector<Warning>& warnings) {
    std::string text =
        strprintf("\n\nThere are %i samples represented in the file", static_cast<int>(catalogue.sample_count()));
    text += "\nThe loci are named:\n\t";
    for (const std::string& name : locus_names) appendf(text, "\n\t%s,", name.c_str());
    text += "\n\nThe samples are named:\n\t";
    for (const Sample& sample : catalogue.samples) appendf(text, "\n\t%s", sample.name.c_str());
    // The listing has always said these two, and only these.
    for (const Warning& warning : warnings)
        if (warning.kind == WarningKind::recurring_sample_name || warning.kind == WarningKind::mixed_groups)
            text += "\n\nWarning: " + warning.text;
    text += "\nDoes the information above look correct?\nif not, then the file contains an error.\n\nPress <enter> to "
            "continue";
    return text;
}

std::string coordinates_echo(const Coordinates& coordinates, const SampleCatalogue& catalogue) {
    std::string out;
    const std::size_t sample_count = catalogue.sample_count();
    for (std::size_t s = 0; s < sample_count; ++s) {
        out.push_back('\n');
        out.append(catalogue.samples[s].name);
        if (coordinates.has(s))
            appendf(out, "\tlong %f, lat %f", coordinates.longitude[s], coordinates.latitude[s]);
        else
            out.append("\tno coordinates");
    }
    if (coordinates.pairs_read < sample_count)
        appendf(out,
                "\n\nWarning: the coordinates file holds %zu pairs for %zu samples; distances to the "
                "samples without coordinates are written as NA",
                coordinates.pairs_read, sample_count);
    out.append("\nAre these correct? if not quit and alter the order of lon/lat data\npress <return> to continue");
    return out;
}

std::string all_samples_locus_text(const std::string& locus_name, const LocusOutcome& locus) {
    std::string out = strprintf("\n\nWorking with locus %s", locus_name.c_str());
    appendf(out, "\nThe total number of individuals sampled for this locus is %lld",
            static_cast<long long>(locus.typed));
    if (locus.no_pairs_within) out += NO_PAIRS_WITHIN_WARNING;
    return out;
}

std::string pairs_console_text(const std::vector<PairResult>& pairs, const SampleCatalogue& catalogue) {
    std::string out = "\n\nDoing pairwise F'st";
    for (const PairResult& pair : pairs) {
        const char* first = catalogue.samples[pair.first].name.c_str();
        const char* second = catalogue.samples[pair.second].name.c_str();
        appendf(out, "\n\t%s vs. %s", first, second);
        for (std::size_t k = 0; k < pair.loci_without_pairs_within; ++k) out += NO_PAIRS_WITHIN_WARNING;
        if (pair.distance == DistanceStatus::antipodal || pair.distance == DistanceStatus::not_finite)
            appendf(out, "\nWarning: no distance could be calculated between %s and %s (%s); it is written as NA",
                    first, second,
                    pair.distance == DistanceStatus::antipodal ? "nearly antipodal sites"
                                                               : "a coordinate is not a finite number");
    }
    return out;
}

std::string group_console_line(const GroupCatalogue& groups, std::size_t g) {
    return strprintf("\n\tWorking with Group <%s> which comprises %zu samples\n", groups.names[g].c_str(),
                     groups.sizes[g]);
}

}  // namespace phenostat

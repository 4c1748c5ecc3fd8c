#include "reports/stats_file.h"

#include <cmath>

#include "base/text.h"

namespace phenostat {

namespace {

std::string titled(std::string_view prefix, std::string_view name) {
    std::string out(prefix);
    out.append(name);
    return out;
}

}  // namespace

std::string sample_title(std::string_view sample_name) { return titled("\n\nSample ", sample_name); }

std::string group_title(std::string_view group_name) { return titled("\n\nGroup ", group_name); }

std::string stats_header_line() {
    std::string out = "\nLocus";
    for (const Statistic& statistic : STATISTICS) {
        out.push_back('\t');
        out.append(statistic.title);
    }
    return out;
}

std::string stats_row(const LocusStats& record, std::string_view label) {
    std::string out = titled("\n", label);
    for (const Statistic& statistic : STATISTICS) {
        out.push_back('\t');
        append_fixed(out, record.*statistic.field, statistic.decimals);
    }
    return out;
}

std::string pair_line(std::string_view name1, std::string_view name2, double fst, std::optional<double> distance_km,
                      bool distances_on) {
    std::string out = titled("\n", name1);
    out.push_back('\t');
    out.append(name2);
    appendf(out, "\t%f", fst);
    if (distances_on) {
        if (distance_km && std::isfinite(*distance_km))
            appendf(out, "\t%f", *distance_km);
        else
            out.append("\tNA");
    }
    return out;
}

std::string pairwise_text(const std::vector<PairResult>& pairs, const SampleCatalogue& catalogue, bool distances_on) {
    std::string out(PAIRWISE_TITLE);
    for (const PairResult& pair : pairs) {
        const std::optional<double> km = pair.distance == DistanceStatus::found ? std::optional<double>(pair.km)
                                                                                : std::nullopt;
        out += pair_line(catalogue.samples[pair.first].name, catalogue.samples[pair.second].name, pair.fst_unshared, km,
                         distances_on);
    }
    return out;
}

std::string run_header_text(const std::string& input_name, std::time_t now) {
    // Fixed C-locale names, so the header never depends on the user's locale.
    static const char* const weekdays[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const months[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm local{};
    localtime_r(&now, &local);
    const std::string date = strprintf("%s %s %02d %02d:%02d:%02d %4d\n", weekdays[local.tm_wday % 7],
                                       months[local.tm_mon % 12], local.tm_mday, local.tm_hour, local.tm_min,
                                       local.tm_sec, local.tm_year + 1900);
    std::string out = "***************************"
                      "\n*    This is PHENOSTAT    *"
                      "\n***************************"
                      "\n\n";
    appendf(out, "\nCalculated from %s on %s", input_name.c_str(), date.c_str());
    return out;
}

}  // namespace phenostat

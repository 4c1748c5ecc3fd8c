// Fuzz target: arbitrary bytes as the program's inputs, through loading,
// coding and summarising, the analyses and every report. A bad input may stop
// with a FatalError; anything else (a crash, a sanitizer report, a hang) is a
// fault.
//
// An input is a flags byte, the data file, and optionally "\n#coords\n"
// followed by a coordinates file. Flags: 1 the data file is written gzip-
// compressed, 2 its name ends in ".gz", 4 the coordinates are read as the
// command line reads them (positional or named) rather than positional only,
// 8 F'st as it is for isolation by distance, 16 km on a linear scale, 32 the
// heavy analyses: the pairs, the group test, the bootstrap and isolation by
// distance. These run on small data sets only, and each sets up scratch
// tables of its own, so most inputs skip them and the fuzzer explores faster.
// 64 the data are loaded as the command line loads them (lines checked
// against the header; a VCF or BCF, Genepop, FSTAT, STRUCTURE, GenAlEx or
// GenoDive file, told by its content, read as such; with it, a STRUCTURE file
// is read with --ploidy 2 under flag 8, with --partial-genotypes known under
// flag 16), 128 with it a fixed sample map naming A1, B1, A2 and B2 in
// samples P and Q (a tab file's column 2, the others' labels). The VCF and
// BCF seeds carry both, the seeds of the other formats 64.

#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <numeric>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

#include "analyses/analyses.h"
#include "analyses/bootstrap.h"
#include "analyses/isolation.h"
#include "app/driver.h"
#include "base/fatal_error.h"
#include "base/parallel.h"
#include "input/coordinates.h"
#include "reports/console_text.h"
#include "reports/isolation_report.h"
#include "reports/stats_file.h"
#include "reports/summary_file.h"
#include "reports/tidy_tables.h"

using namespace phenostat;

namespace {

constexpr std::string_view COORDS_MARK = "\n#coords\n";
constexpr std::size_t SMALL_SAMPLES = 8, SMALL_LOCI = 8;
constexpr std::string_view SAMPLE_MAP = "individual\tsample\tgroup\nA1\tP\tG1\nB1\tQ\tG2\nA2\tP\tG1\nB2\tQ\tG2\n";

void write_file(const std::string& path, std::string_view bytes, bool gzip) {
    if (gzip) {
        gzFile file = gzopen(path.c_str(), "wb");
        if (file == nullptr ||
            (!bytes.empty() && gzwrite(file, bytes.data(), static_cast<unsigned>(bytes.size())) <= 0) ||
            gzclose(file) != Z_OK)
            std::abort();
        return;
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() || std::fclose(file) != 0)
        std::abort();
}

// Both readers of the coordinates; the sites the flags choose, or none when
// the file stops the run.
std::optional<Coordinates> read_sites(const std::string& path, std::string_view text,
                                      const std::vector<std::string>& names, bool strict) {
    std::istringstream in{std::string(text)};
    Coordinates positional = read_coordinates(in, names.size());
    try {
        std::vector<Warning> warnings;
        Coordinates named = read_sites_file(path, names, warnings);
        if (strict) return named;
    } catch (const FatalError&) {
        if (strict) return std::nullopt;
    }
    return positional;
}

// The all-samples analysis's every text, as the runner makes it.
class AllSamplesText final : public AllSamplesSink {
public:
    explicit AllSamplesText(const Dataset& data, std::string& text) : data_(data), text_(text) {}
    void places(std::size_t count) override { texts_.resize(count); }
    void tallied(std::size_t place, std::size_t, const UnpackedLocus& locus, const PooledTally& pooled) override {
        texts_[place] = frequency_summary_text(locus.coded, locus.summary, pooled, data_.catalogue, "L") +
                        frequencies_rows("L", locus.coded, locus.summary, pooled, data_.catalogue);
    }
    void made(std::size_t place, std::size_t, const LocusOutcome& record) override {
        texts_[place] += stats_row(record.stats, "L") + loci_table_row("all", "all", 0, "L", record) +
                         all_samples_locus_text("L", record);
    }
    void ready(std::size_t place, std::size_t, const LocusOutcome&) override { text_ += texts_[place]; }

private:
    const Dataset& data_;
    std::string& text_;
    std::vector<std::string> texts_;
};

void analyse_small(const Dataset& data, const SetAverage& all, const Coordinates& sites, std::uint8_t flags,
                   std::string& text) {
    NoProgress quiet;
    SetScratch scratch;
    std::vector<std::size_t> samples(data.sample_count());
    std::iota(samples.begin(), samples.end(), std::size_t{0});
    const LocusResamples resamples = draw_resamples(data.locus_count(), 3, 7);
    text +=
        averages_ci_rows("all", "all", 0, all, bootstrap_table(compute_set_table(data, samples, scratch), resamples));
    const std::vector<PairResult> pairs = analyse_pairs(data, &sites, quiet, &resamples);
    text += pairwise_text(pairs, data.catalogue, true) + pairs_table(pairs, data.catalogue) +
            fst_matrix(pairs, data.catalogue) + km_matrix(pairs, data.catalogue);
    const IsolationScales scales{(flags & 8) != 0 ? GeneticScale::fst : GeneticScale::rousset,
                                 (flags & 16) != 0 ? GeographicScale::linear : GeographicScale::log};
    const IsolationResult ibd =
        isolation_by_distance(pairs, individual_counts(data.catalogue), scales.genetic, scales.geographic, 9, 7);
    text += isolation_console_text(ibd, scales) + isolation_table(ibd, scales, 7) +
            isolation_pairs_table(ibd, pairs, data.catalogue) + isolation_plot(ibd, scales, "data <&>");
    const GroupCatalogue groups = compared_groups(data);
    RandomGenerator random(1);
    text += group_test_table(groups, permutation_test(data, groups, 3, random, quiet));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    static const std::string stem = "/tmp/phenostat_fuzz_" + std::to_string(getpid());
    if (size == 0) return 0;
    const std::uint8_t flags = bytes[0];
    const std::string_view input(reinterpret_cast<const char*>(bytes) + 1, size - 1);
    const std::size_t mark = input.find(COORDS_MARK);
    const std::string_view data_bytes = input.substr(0, mark);
    const std::string_view coords_bytes = mark == std::string_view::npos ? std::string_view()
                                                                         : input.substr(mark + COORDS_MARK.size());
    const std::string path = stem + ((flags & 2) != 0 ? ".gz" : ".txt"), coords_path = stem + "_coords.txt";
    write_file(path, data_bytes, (flags & 1) != 0);
    write_file(coords_path, coords_bytes, false);
    static const std::string map_path = [] {
        const std::string map = stem + "_map.txt";
        write_file(map, SAMPLE_MAP, false);
        return map;
    }();
    // htslib's threaded reader (1.16) leaks its buffers when a damaged
    // stream stops it early: variant files are read on one thread here.
    use_threads((flags & 64) != 0 && is_variant_file(path) ? 1 : available_cores());
    try {
        NoProgress quiet;
        LoadOptions options;
        if ((flags & 128) != 0) options.sample_map = map_path;
        if ((flags & 64) != 0 && data_format(path, options) == DataFormat::structure) {
            if ((flags & 8) != 0) options.structure.ploidy = 2;
            if ((flags & 16) != 0) options.partial = PartialGenotypes::known;
        }
        const LoadedDataset loaded = (flags & 64) != 0 ? load_dataset(path, options, quiet) : load_dataset(path, quiet);
        check_dimensions(path, loaded.dims);
        if (loaded.refusal) return 0;
        const Dataset& data = loaded.data;
        std::vector<std::string> names;
        for (const Sample& sample : data.catalogue.samples) names.push_back(sample.name);
        const std::optional<Coordinates> sites = read_sites(coords_path, coords_bytes, names, (flags & 4) != 0);
        std::string text = listing_text(data.locus_names, data.catalogue, loaded.warnings);
        SetScratch scratch;
        AllSamplesText all_text(data, text);
        const SetAverage all = analyse_all_samples(data, scratch, all_text);
        text += stats_row(all.average, AVERAGE_LABEL) + loci_table_average_row("all", "all", 0, all);
        if ((flags & 32) != 0 && sites && data.sample_count() <= SMALL_SAMPLES && data.locus_count() <= SMALL_LOCI)
            analyse_small(data, all, *sites, flags, text);
    } catch (const FatalError&) {
        // The coordinates too, when the data stop early.
        if (!coords_bytes.empty()) read_sites(coords_path, coords_bytes, {"a", "b", "c"}, (flags & 4) != 0);
    }
    return 0;
}

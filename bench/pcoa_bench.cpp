// Time and memory of the principal coordinates of individuals alone, beyond
// loading, on the threads OMP_NUM_THREADS names (default: all cores):
//
//   phenostat_pcoa_bench DATA [SAMPLE_MAP] [--axes K] [--compare]
//
// prints the load time, the ordination's wall time, its peak resident memory
// above what the loaded data set holds, the eigenvalues, and a checksum of
// the bytes of the eigenvalues and coordinates (the same at any thread
// count). --compare also decomposes G whole (it is built, N x N) and prints
// the largest differences, relative to the largest eigenvalue and to the
// largest coordinate. bench/run_pcoa_bench.sh runs the standard cases.

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <string>

#include "analyses/pcoa.h"
#include "base/parallel.h"
#include "load/load_dataset.h"

namespace phenostat {
namespace {

// A line of /proc/self/status, in KiB (VmRSS, VmHWM).
long status_kib(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0) return std::stol(line.substr(std::strlen(key) + 1));
    return -1;
}

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::uint64_t checksum(const Ordination& o) {
    std::uint64_t hash = 1469598103934665603ull;
    const auto add = [&](const std::vector<double>& values) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(values.data());
        for (std::size_t i = 0; i < values.size() * sizeof(double); ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
    };
    add(o.eigenvalues);
    add(o.coordinates);
    return hash;
}

void compare(const Dataset& data, const Ordination& fast, std::size_t axes) {
    const auto start = std::chrono::steady_clock::now();
    const Ordination whole = individual_ordination(data, axes, std::numeric_limits<std::size_t>::max()).ordination;
    double values = 0, coordinates = 0, largest = 0;
    for (std::size_t k = 0; k < whole.axes; ++k)
        values = std::max(values, std::fabs(whole.eigenvalues[k] - fast.eigenvalues[k]));
    for (std::size_t i = 0; i < whole.coordinates.size(); ++i) {
        coordinates = std::max(coordinates, std::fabs(whole.coordinates[i] - fast.coordinates[i]));
        largest = std::max(largest, std::fabs(whole.coordinates[i]));
    }
    std::printf("whole decomposition: %.2f s; largest differences: eigenvalues %.2e of the largest, "
                "coordinates %.2e of the largest\n",
                seconds_since(start), values / whole.eigenvalues[0], coordinates / largest);
}

}  // namespace
}  // namespace phenostat

int main(int argc, char** argv) {
    using namespace phenostat;
    LoadOptions options;
    options.keep_cells = true;
    std::string path;
    std::size_t axes = 10;
    bool whole = false;
    for (int a = 1; a < argc; ++a) {
        const std::string word = argv[a];
        if (word == "--axes" && a + 1 < argc)
            axes = std::stoul(argv[++a]);
        else if (word == "--compare")
            whole = true;
        else if (path.empty())
            path = word;
        else
            options.sample_map = word;
    }
    if (path.empty()) {
        std::fprintf(stderr, "usage: phenostat_pcoa_bench DATA [SAMPLE_MAP] [--axes K] [--compare]\n");
        return 2;
    }
    NoProgress quiet;
    auto start = std::chrono::steady_clock::now();
    const LoadedDataset loaded = load_dataset(path, options, quiet);
    if (loaded.refusal) {
        std::fprintf(stderr, "%s\n", loaded.refusal->c_str());
        return 1;
    }
    const Dataset& data = loaded.data;
    const long loaded_kib = status_kib("VmRSS:");
    std::printf("%s: %zu loci, %zu samples; loaded in %.2f s, %ld MiB resident; %zu threads\n", path.c_str(),
                data.locus_count(), data.sample_count(), seconds_since(start), loaded_kib / 1024, team_size());
    std::ofstream("/proc/self/clear_refs") << "5";  // the peak starts again from here
    start = std::chrono::steady_clock::now();
    const IndividualOrdination result = individual_ordination(data, axes);
    const double took = seconds_since(start);
    const Ordination& o = result.ordination;
    std::printf("ordination of %zu individuals, %zu axes: %.2f s, peak %.1f MiB above the loaded data\n",
                result.rows.size(), o.axes, took, static_cast<double>(status_kib("VmHWM:") - loaded_kib) / 1024);
    std::printf("eigenvalues:");
    for (std::size_t k = 0; k < o.axes; ++k) std::printf(" %.6g (%.2f%%)", o.eigenvalues[k], o.percent[k]);
    std::printf("\nchecksum of eigenvalues and coordinates: %016llx\n", static_cast<unsigned long long>(checksum(o)));
    if (whole) compare(data, o, axes);
    return 0;
}

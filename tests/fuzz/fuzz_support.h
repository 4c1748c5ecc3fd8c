#pragma once
// Shared by the fuzz targets: loading a data file from raw bytes exactly as
// the program does, and a way to stop with a clear report.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "input/data_table.h"
#include "input/phenotype_coding.h"
#include "input/sample_catalogue.h"

namespace phenostat::fuzz {

// A broken invariant: report it and abort, which libFuzzer records as a crash.
[[noreturn]] inline void fail(const char* what) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

inline void check(bool condition, const char* what) {
    if (!condition) fail(what);
}

// The two passes of the loader over the same bytes, and the catalogue.
struct Loaded {
    FileDimensions dims;
    LoadedData data;
    SampleCatalogue catalogue;
};

inline Loaded load_bytes(const std::uint8_t* bytes, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(bytes), size);
    Loaded loaded;
    std::istringstream first(text);
    loaded.dims = measure_data(first);
    std::istringstream second(text);
    loaded.data = load_data(second, loaded.dims);
    loaded.catalogue = build_sample_catalogue(loaded.data.table);
    return loaded;
}

}  // namespace phenostat::fuzz

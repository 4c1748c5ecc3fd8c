#pragma once
// Everything a run is asked to do, as the dialogue's answers or the command
// line's options give it: the front ends fill a RunPlan, the runner reads it.

#include <cstdint>
#include <optional>
#include <string>

#include "reports/isolation_report.h"
#include "load/load_dataset.h"

namespace phenostat {

struct RunPlan {
    std::string data_path;         // the data file, as named
    std::string stem;              // the output stem, as given (may be empty in the dialogue)
    std::string stats_path;        // stem + "_stats.txt"
    std::string summary_path;      // stem + "_summary.txt"
    std::string tables_folder;     // where the tidy tables go; empty: none (the dialogue, --no-tables)
    std::string report_path;       // the report page, stem + "_report.html" with --report; empty: none
    bool compress_tables = false;  // the tables gzip-compressed, as NAME.tsv.gz
    bool all_samples = false;      // statistics for all samples together
    bool per_sample = false;       // statistics for each sample in turn
    bool pairwise = false;         // F'st between every pair of samples
    std::string coordinates_path;  // coordinates of the samples for the distances; empty: no distances
    int permutations = 0;          // group statistics with a permutation test of this many replicates; 0: none
    bool ibd = false;              // isolation by distance (needs coordinates)
    IsolationScales ibd_scales{GeneticScale::rousset, GeographicScale::log};
    int ibd_permutations = 9999;
    bool amova = false;                 // AMOVA, with the pairs' Phi_ST
    int amova_permutations = 999;       // of each of the AMOVA's Phi tests
    int pair_test = 0;                  // permutations of every pair's F'st test; 0: none
    bool pcoa = false;                  // principal coordinates of the individuals and the samples
    int pcoa_axes = 10;                 // axes kept
    int bootstrap = 0;                  // replicates of the loci's bootstrap; 0: none
    std::optional<std::uint32_t> seed;  // none: the clock
    int min_individuals = 0;            // samples of fewer individuals are left out; 0: not given (all kept)
    int threads = 0;                    // 0: all cores
    bool overwrite = false;             // start the output files afresh
    bool quiet = false;                 // no progress line
    std::string command;                // the command as run.tsv records it
    LoadOptions load;                   // how the data file is read (VCF and BCF input among them)
    std::optional<DataFormat> format;   // the data file's, as the command line tells it at its start

    // Whether the plan asks for any analysis, and whether one of those needs
    // every individual's phenotype ids: from the list of analyses.
    bool analyses() const;
    bool keeps_cells() const;
};

}  // namespace phenostat

#!/usr/bin/env bash
# Builds phenostat and runs all four analyses on the example data set
# (eHGDP60: 1350 individuals, 79 samples in 7 regions, 60 microsatellite loci),
# answering the console dialogue from examples/answers.txt.
# Results are appended to out/eHGDP60_stats.txt and out/eHGDP60_summary.txt.
set -euo pipefail
cd "$(dirname "$0")"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DPHENOSTAT_TESTS=OFF >/dev/null
cmake --build build -j2 --target phenostat
mkdir -p out
./build/phenostat < examples/answers.txt > out/eHGDP60_console.txt
echo
echo "Console transcript: out/eHGDP60_console.txt"
echo "Statistics:         out/eHGDP60_stats.txt"
echo "Frequency tables:   out/eHGDP60_summary.txt"

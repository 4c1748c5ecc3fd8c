#!/usr/bin/env bash
# Builds phenostat and runs every analysis on the example data set (eHGDP60:
# 1350 individuals, 79 samples in 7 regions, 60 microsatellite loci) from the
# command line: all samples, each sample, pairwise F'st with distances, the
# group test (1,000 permutations), isolation by distance and bootstrap
# intervals, with a fixed seed, and the report page. Results go to out/ (run again: --overwrite
# starts them afresh).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-packages.sh cmake g++ libcli11-dev zlib1g-dev libhts-dev librandom123-dev libeigen3-dev libspectra-dev pkg-config
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DPHENOSTAT_TESTS=OFF >/dev/null
cmake --build build -j2 --target phenostat
mkdir -p out
./build/phenostat --all --each --coords examples/eHGDP60_coords.txt --groups 1000 --ibd --bootstrap 1000 \
    --amova --pair-test 999 --pcoa --seed 2026 --report --overwrite --out out/eHGDP60 examples/eHGDP60.txt

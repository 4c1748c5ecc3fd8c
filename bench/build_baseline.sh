#!/usr/bin/env bash
# build_baseline.sh REF: builds the program as it was at git REF (from
# `git archive`, so the work tree is left alone) into build-baseline/, for the
# benchmarks that compare a change with the build before it.
set -euo pipefail
cd "$(dirname "$0")/.."
ref=$1
rm -rf build-baseline-src
mkdir -p build-baseline-src
trap 'rm -rf build-baseline-src' EXIT
git archive "$ref" | tar -x -C build-baseline-src
cmake -S build-baseline-src -B build-baseline -DCMAKE_BUILD_TYPE=Release -DPHENOSTAT_TESTS=OFF >/dev/null
cmake --build build-baseline -j2 --target phenostat >/dev/null

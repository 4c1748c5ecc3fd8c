#!/usr/bin/env bash
# Builds phenostat with warnings as errors and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-packages.sh cmake g++ libgtest-dev libcli11-dev zlib1g-dev libhts-dev librandom123-dev libeigen3-dev libspectra-dev pkg-config tabix bcftools python3
build="${PHENOSTAT_BUILD_DIR:-build}"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DPHENOSTAT_WERROR=ON -DPHENOSTAT_TESTS=ON ${PHENOSTAT_CMAKE_ARGS:-} >/dev/null
cmake --build "$build" -j2
ctest --test-dir "$build" --output-on-failure -j2

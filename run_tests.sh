#!/usr/bin/env bash
# Builds phenostat with warnings as errors and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
missing=()
for pkg in cmake g++ libgtest-dev libcli11-dev zlib1g-dev; do
    dpkg -s "$pkg" >/dev/null 2>&1 || missing+=("$pkg")
done
command -v python3 >/dev/null 2>&1 || missing+=(python3)  # runs the end-to-end cases
if [ ${#missing[@]} -gt 0 ]; then
    if [ "$(id -u)" -eq 0 ]; then
        apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
    else
        echo "Please install: ${missing[*]} (e.g. sudo apt-get install ${missing[*]})" >&2
        exit 1
    fi
fi
build="${PHENOSTAT_BUILD_DIR:-build}"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DPHENOSTAT_WERROR=ON -DPHENOSTAT_TESTS=ON ${PHENOSTAT_CMAKE_ARGS:-} >/dev/null
cmake --build "$build" -j2
ctest --test-dir "$build" --output-on-failure -j2

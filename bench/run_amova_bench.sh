#!/usr/bin/env bash
# Whole-run times of the AMOVA (999 permutations) on 1,000 and 10,000
# generated individuals (bench/make_amova_data.py), and of the pair test
# (999 permutations of each of the 3,081 pairs) on examples/eHGDP60.txt.
# THREADS (default: all cores) sets --threads.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DPHENOSTAT_TESTS=OFF >/dev/null
cmake --build build-bench -j2 >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
threads=()
[ -n "${THREADS:-}" ] && threads=(--threads "$THREADS")
# run LABEL ARGS...: wall time and peak memory of one command-line run.
run() {
    local label=$1
    shift
    local measured
    measured=$( (/usr/bin/time -f "%e %U %M" build-bench/phenostat -q --no-tables -o "$work/out" --overwrite \
        "${threads[@]}" "$@" > /dev/null) 2>&1 | tail -n 1)
    read -r wall user peak <<< "$measured"
    printf '  %-44s wall %7.2f s, cpu %7.2f s, peak %8d KiB\n' "$label" "$wall" "$user" "$peak"
}
for n in 1000 10000; do
    python3 bench/make_amova_data.py "$work/amova$n.txt" "$n"
    run "--amova, $n individuals" "$work/amova$n.txt" --amova -s 1
    run "load only, $n individuals" "$work/amova$n.txt" -p
done
run "--pair-test 999, eHGDP60 (3,081 pairs)" examples/eHGDP60.txt --pair-test 999 -s 1

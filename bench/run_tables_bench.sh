#!/usr/bin/env bash
# The tidy tables at 100,000 loci: 100,000 SNP-like loci in 12 samples of 20
# (240 individuals; bench/make_snp_data.py, made once in build-bench/), loaded
# alone (no analysis option) and analysed with --all --each --pairwise, with
# the tables plain and with --compress-tables. Prints each run's wall time, CPU
# time (user) and peak memory (the "Maximum resident set size" of
# /usr/bin/time), the ratio of the analysis's peak to the load's, and the size
# of loci.tsv (and loci.tsv.gz).
# BASELINE=<git ref> measures that build too (built from `git archive` in
# build-baseline/, without --compress-tables where it lacks it).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/install-packages.sh cmake g++ libcli11-dev zlib1g-dev librandom123-dev libeigen3-dev libspectra-dev libhts-dev pkg-config python3 time
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DPHENOSTAT_TESTS=OFF >/dev/null
cmake --build build-bench -j2 --target phenostat >/dev/null
data="$root/build-bench/loci100k.txt"
[ -f "$data" ] || python3 bench/make_snp_data.py "$data" 100000 12 20
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# measure LABEL COMMAND...: prints the wall and CPU times and the peak memory,
# keeps the peak in $peak.
peak=0
measure() {
    local label=$1
    shift
    local wall cpu
    read -r wall cpu peak < <( { (cd "$work" && /usr/bin/time -f "%e %U %M" "$@" > /dev/null); } 2>&1 | tail -n 1)
    printf '  %-34s wall %7.2f s, CPU %7.2f s, peak %9d KiB\n' "$label" "$wall" "$cpu" "$peak"
}

# ratio LOAD: the last peak over the load's.
ratio() {
    awk -v p="$peak" -v l="$1" 'BEGIN { printf "  %-34s %.2f times the load'"'"'s peak\n", "", p / l }'
}

suite() {
    local binary=$1
    measure "load" "$binary" -q "$data"
    local load=$peak
    measure "--all --each --pairwise" "$binary" -q --all --each --pairwise --overwrite --out "$work/run" "$data"
    ratio "$load"
    echo "  loci.tsv: $(( $(stat -c %s "$work/run_tables/loci.tsv") / 1024 )) KiB"
    if "$binary" --help | grep -q -- --compress-tables; then
        measure "the same, --compress-tables" "$binary" -q --all --each --pairwise --compress-tables --overwrite \
            --out "$work/run" "$data"
        ratio "$load"
        echo "  loci.tsv.gz: $(( $(stat -c %s "$work/run_tables/loci.tsv.gz") / 1024 )) KiB"
    fi
    rm -rf "$work"/run_*
}

echo "$(basename "$data"): 100,000 loci, 240 individuals in 12 samples, $(( $(stat -c %s "$data") / 1024 )) KiB"
echo "== this build ($(git rev-parse --short HEAD))"
suite "$root/build-bench/phenostat"
if [ -n "${BASELINE:-}" ]; then
    bench/build_baseline.sh "$BASELINE"
    echo "== baseline ($BASELINE)"
    suite "$root/build-baseline/phenostat"
fi

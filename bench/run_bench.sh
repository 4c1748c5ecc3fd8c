#!/usr/bin/env bash
# Speed and memory of phenostat, on the full eHGDP data set (bench/data) and
# on a generated SNP-like file (20,000 loci, 2,000 individuals in 40 samples,
# about 105 MB; made once in build-bench/ by bench/make_snp_data.py):
#  1. the analyses' own work (Google Benchmark, eHGDP);
#  2. the whole program, timed with its peak memory: loading, each analysis.
# BASELINE=<git ref> times the same dialogue runs on that build too (built in
# build-baseline/), e.g. BASELINE=2bbaadc for the build before this program
# read files in one pass. BIG=1 adds bench/run_million_bench.sh (a million loci).
# PERMUTATIONS (default 10000) sets the permutations of the group test. The
# benchmarks of step 1 run on the threads OMP_NUM_THREADS names (default: all
# cores); the program's dialogue runs always use every core.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
permutations="${PERMUTATIONS:-10000}"
scripts/install-packages.sh cmake g++ libbenchmark-dev libcli11-dev zlib1g-dev libeigen3-dev libspectra-dev librandom123-dev python3 time

cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DPHENOSTAT_TESTS=OFF -DPHENOSTAT_BENCH=ON >/dev/null
cmake --build build-bench -j2 >/dev/null
build-bench/bench/phenostat_bench

snp="$root/build-bench/snp.txt"
[ -f "$snp" ] || python3 bench/make_snp_data.py "$snp"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp bench/data/eHGDP.txt "$work/"

# run LABEL BINARY ANSWERS: a dialogue run in $work, its wall time and peak memory.
run() {
    printf '%s' "$3" > "$work/answers.txt"
    rm -f "$work"/out_*
    local measured
    measured=$( (cd "$work" && /usr/bin/time -f "%e %M" "$2" < answers.txt > /dev/null) 2>&1 | tail -n 1)
    printf '  %-36s wall %7.2f s, peak %9d KiB\n' "$1" "${measured% *}" "${measured#* }"
}

suite() {
    local binary=$1
    echo "eHGDP (1350 individuals, 79 samples, 7 groups, 678 loci, $(( $(stat -c %s bench/data/eHGDP.txt) / 1024 )) KiB):"
    run "load" "$binary" $'eHGDP.txt\nout\nn\nn\nn\nn\n\n\n'
    run "all samples" "$binary" $'eHGDP.txt\nout\ny\nn\nn\nn\n\n\n'
    run "each sample" "$binary" $'eHGDP.txt\nout\nn\ny\nn\nn\n\n\n'
    run "pairwise" "$binary" $'eHGDP.txt\nout\nn\nn\ny\n\nn\n\n\n'
    run "groups, $permutations permutations" "$binary" $'eHGDP.txt\nout\nn\nn\nn\ny\n'"$permutations"$'\n\n\n'
    echo "SNP-like ($(( $(stat -c %s "$snp") / 1048576 )) MB):"
    ln -sf "$snp" "$work/snp.txt"
    run "load" "$binary" $'snp.txt\nout\nn\nn\nn\nn\n\n\n'
    run "each sample" "$binary" $'snp.txt\nout\nn\ny\nn\nn\n\n\n'
    run "groups, 100 permutations" "$binary" $'snp.txt\nout\nn\nn\nn\ny\n100\n\n\n'
}

echo
echo "== this build ($(git rev-parse --short HEAD), ${OMP_NUM_THREADS:-all} threads)"
suite "$root/build-bench/phenostat"
if [ -n "${BASELINE:-}" ]; then
    rm -rf "$root/build-baseline-src"
    git worktree add -f -q "$root/build-baseline-src" "$BASELINE"
    cmake -S "$root/build-baseline-src" -B build-baseline -DCMAKE_BUILD_TYPE=Release -DPHENOSTAT_TESTS=OFF >/dev/null
    cmake --build build-baseline -j2 --target phenostat >/dev/null
    git worktree remove --force "$root/build-baseline-src"
    echo "== baseline ($BASELINE)"
    suite "$root/build-baseline/phenostat"
fi
if [ -n "${BIG:-}" ]; then
    echo "== 1,000,000 loci in 20 samples of 10"
    bench/run_million_bench.sh
fi

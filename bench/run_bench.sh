#!/usr/bin/env bash
# Speed and memory of phenostat on the full eHGDP data set (bench/data), on
# the threads OMP_NUM_THREADS names (default: all cores; the dialogue of step
# 3 always runs on all cores):
#  1. the engine beside the literal computation (Google Benchmark): all loci
#     over all samples, random groups, one permutation replicate, all pairs;
#  2. the per-replicate ratio literal / fast;
#  3. the real program: 10,000 permutations of the group test, with its wall
#     time and peak memory (override the count with PERMUTATIONS=...).
set -euo pipefail
cd "$(dirname "$0")/.."
permutations="${PERMUTATIONS:-10000}"

cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DPHENOSTAT_TESTS=OFF -DPHENOSTAT_BENCH=ON >/dev/null
cmake --build build-bench -j2 >/dev/null

json=$(mktemp)
build-bench/bench/phenostat_bench --benchmark_out="$json" --benchmark_out_format=json
python3 - "$json" <<'PY' || true
import json, sys
runs = {b["name"].split("/")[0]: b["cpu_time"] for b in json.load(open(sys.argv[1]))["benchmarks"]}
for fast, slow in (("EngineAllLociAllSamples", "LiteralAllLociAllSamples"), ("EngineReplicate", "LiteralReplicate")):
    if fast in runs and slow in runs:
        print(f"{slow} / {fast}: {runs[slow] / runs[fast]:.0f} times faster")
PY
rm -f "$json"

work=$(mktemp -d)
cp bench/data/eHGDP.txt "$work/"
printf 'eHGDP.txt\nperm\nn\nn\nn\ny\n%s\n\n\n' "$permutations" > "$work/answers.txt"
echo
echo "phenostat, $permutations permutations of eHGDP (1350 individuals, 79 samples, 7 groups, 678 loci):"
( cd "$work" && /usr/bin/time -f "  wall %e s, peak memory %M KiB" "$OLDPWD/build-bench/phenostat" < answers.txt > console.txt )
echo "  data file $(( $(stat -c %s bench/data/eHGDP.txt) / 1024 )) KiB"
rm -rf "$work"

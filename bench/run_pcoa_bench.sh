#!/usr/bin/env bash
# The principal coordinates of individuals, timed alone beyond loading
# (bench/pcoa_bench.cpp), 10 axes, on THREADS threads (default 2), then again
# on one thread to show the same checksum:
#  - 5,000 individuals x 20,000 biallelic VCF records, ploidy 2 and 4;
#  - 2,000 individuals x 60 microsatellite-like loci, with the whole
#    decomposition beside it (--compare).
# The data are made once in build-bench/ by bench/make_pcoa_data.py.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-packages.sh cmake g++ libbenchmark-dev libcli11-dev zlib1g-dev libhts-dev librandom123-dev \
    libeigen3-dev libspectra-dev pkg-config tabix python3
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DPHENOSTAT_TESTS=OFF -DPHENOSTAT_BENCH=ON >/dev/null
cmake --build build-bench -j2 --target phenostat_pcoa_bench >/dev/null
threads="${THREADS:-2}"
for ploidy in 2 4; do
    vcf="build-bench/pcoa_5000x20000_p$ploidy.vcf.gz"
    [ -f "$vcf" ] || python3 bench/make_pcoa_data.py vcf "$vcf" 5000 20000 "$ploidy"
    echo "== ploidy $ploidy"
    OMP_NUM_THREADS=$threads build-bench/bench/phenostat_pcoa_bench "$vcf" "$vcf.map.txt"
    OMP_NUM_THREADS=1 build-bench/bench/phenostat_pcoa_bench "$vcf" "$vcf.map.txt" | tail -n 1
done
tab="build-bench/pcoa_2000x60.txt"
[ -f "$tab" ] || python3 bench/make_pcoa_data.py tab "$tab" 2000 60
echo "== 2,000 individuals x 60 loci"
OMP_NUM_THREADS=$threads build-bench/bench/phenostat_pcoa_bench "$tab" --compare

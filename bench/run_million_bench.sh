#!/usr/bin/env bash
# A million loci against the size of their file: 1,000,000 SNP-like loci in 20
# samples of 10 (bench/make_snp_data.py, about 544 MB) and the same data as a
# bgzipped VCF (bench/snp_to_vcf.py), both made once in build-bench/. Each is
# loaded (no analysis) and, for the tab file, analysed pairwise; the wall time
# and peak memory of each run are printed beside the file's size.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-packages.sh cmake g++ libcli11-dev zlib1g-dev libeigen3-dev libspectra-dev librandom123-dev libhts-dev pkg-config tabix python3 time
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DPHENOSTAT_TESTS=OFF >/dev/null
cmake --build build-bench -j2 --target phenostat >/dev/null
data="$PWD/build-bench/big.txt"
vcf="$PWD/build-bench/big.vcf.gz"
[ -f "$data" ] || python3 bench/make_snp_data.py "$data" 1000000 20 10
[ -f "$vcf" ] || python3 bench/snp_to_vcf.py "$data" "$vcf"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

measure() {
    local label=$1
    shift
    local measured
    measured=$( { (cd "$work" && /usr/bin/time -f "%e %M" "$@" > /dev/null); } 2>&1 | tail -n 1)
    printf '  %-28s wall %7.2f s, peak %9d KiB\n' "$label" "${measured% *}" "${measured#* }"
}

echo "$(basename "$data"): $(( $(stat -c %s "$data") / 1024 )) KiB"
measure "load" "$PWD/build-bench/phenostat" -q "$data"
measure "pairwise" "$PWD/build-bench/phenostat" -q --pairwise --no-tables --out "$work/" "$data"
echo "$(basename "$vcf"): $(( $(stat -c %s "$vcf") / 1024 )) KiB compressed, $(( $(bgzip -dc "$vcf" | wc -c) / 1024 )) KiB uncompressed"
measure "load" "$PWD/build-bench/phenostat" -q --sample-map "$vcf.map.txt" "$vcf"

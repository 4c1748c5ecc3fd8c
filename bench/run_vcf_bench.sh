#!/usr/bin/env bash
# Loading a bgzipped VCF (100,000 records, 240 individuals of ploidy 2, 4 and
# 6; made once in build-bench/ by bench/make_vcf_data.py) against
# `bcftools query` printing every GT: wall time and peak memory of each, and
# the size of the uncompressed VCF. THREADS (default: all cores) is given to
# both.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-packages.sh cmake g++ libcli11-dev zlib1g-dev libeigen3-dev libspectra-dev librandom123-dev libhts-dev pkg-config tabix bcftools python3 time
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DPHENOSTAT_TESTS=OFF >/dev/null
cmake --build build-bench -j2 --target phenostat >/dev/null
vcf="$PWD/build-bench/mixed.vcf.gz"
[ -f "$vcf" ] || python3 bench/make_vcf_data.py "$vcf"
threads="${THREADS:-$(nproc)}"

measure() {
    local label=$1
    shift
    local measured
    measured=$( { /usr/bin/time -f "%e %M" "$@" > /dev/null; } 2>&1 | tail -n 1)
    printf '  %-28s wall %7.2f s, peak %9d KiB\n' "$label" "${measured% *}" "${measured#* }"
}

echo "$(basename "$vcf"): $(( $(stat -c %s "$vcf") / 1024 )) KiB compressed, $(( $(bgzip -dc "$vcf" | wc -c) / 1024 )) KiB uncompressed, $threads threads"
for round in 1 2; do
    measure "phenostat (load only)" build-bench/phenostat --threads "$threads" --sample-map "$vcf.map.txt" "$vcf"
    measure "bcftools query GT" bcftools query -f '[%GT\t]\n' "$vcf"
done

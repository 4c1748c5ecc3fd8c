#!/usr/bin/env bash
# The permutation tests' whole-run times, 999 permutations each:
#   - the AMOVA on 10,000 VCF records x 240 individuals of ploidy 2, 4 and 6
#     in 12 samples and 3 groups (bench/make_vcf_data.py);
#   - the AMOVA on 1,000 individuals in 10 samples and 2 groups, 50 loci of
#     6 alleles (bench/make_amova_data.py), and the same run loading only;
#   - the pair test of eHGDP's 3,081 pairs at 678 loci (bench/data/eHGDP.txt).
# BASELINE=<git ref> times that build too (from `git archive`, in
# build-baseline/) and checks that both give the same tables. THREADS
# (default: all cores) sets --threads.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/install-packages.sh cmake g++ libcli11-dev zlib1g-dev librandom123-dev libeigen3-dev libspectra-dev libhts-dev pkg-config tabix python3 time
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DPHENOSTAT_TESTS=OFF >/dev/null
cmake --build build-bench -j2 --target phenostat >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
vcf=$root/build-bench/amova10k.vcf.gz
[ -f "$vcf" ] || python3 bench/make_vcf_data.py "$vcf" 10000 240
python3 bench/make_amova_data.py "$work/amova1000.txt" 1000
threads=(--threads "${THREADS:-$(nproc)}")

# run BINARY LABEL STEM ARGS...: wall and CPU time and peak memory of one run,
# its tables kept in $work/STEM_tables.
run() {
    local binary=$1 label=$2 stem=$3
    shift 3
    local measured
    measured=$( (/usr/bin/time -f "%e %U %M" "$binary" -q -o "$work/$stem" --overwrite "${threads[@]}" "$@" \
        > /dev/null) 2>&1 | tail -n 1)
    read -r wall user peak <<< "$measured"
    printf '  %-46s wall %7.2f s, cpu %7.2f s, peak %8d KiB\n' "$label" "$wall" "$user" "$peak"
}

suite() {
    local binary=$1 tag=$2
    run "$binary" "--amova, 10,000 VCF records x 240" "vcf_$tag" --amova -s 1 --sample-map "$vcf.map.txt" "$vcf"
    run "$binary" "load only, 10,000 VCF records x 240" "vcf_load_$tag" -p --no-tables --sample-map "$vcf.map.txt" "$vcf"
    run "$binary" "--amova, 1,000 individuals" "a1000_$tag" --amova -s 1 "$work/amova1000.txt"
    run "$binary" "load only, 1,000 individuals" "a1000_load_$tag" -p --no-tables "$work/amova1000.txt"
    run "$binary" "--pair-test 999, eHGDP (3,081 pairs)" "pairs_$tag" --pair-test 999 -s 1 bench/data/eHGDP.txt
}

echo "== this build ($(git rev-parse --short HEAD)), ${threads[1]} threads"
suite "$root/build-bench/phenostat" now
if [ -n "${BASELINE:-}" ]; then
    bench/build_baseline.sh "$BASELINE"
    echo "== baseline ($BASELINE, $(git rev-parse --short "$BASELINE"))"
    suite "$root/build-baseline/phenostat" before
    for table in vcf_TAG_tables/amova_phi.tsv a1000_TAG_tables/amova_phi.tsv pairs_TAG_tables/pairs.tsv; do
        if cmp -s "$work/${table//TAG/now}" "$work/${table//TAG/before}"; then
            echo "  ${table//TAG_/}: the same bytes"
        else
            echo "  ${table//TAG_/}: DIFFERENT"
            exit 1
        fi
    done
fi

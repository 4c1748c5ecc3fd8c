#!/usr/bin/env bash
# The report page at scale: 10,000 individuals in 200 samples (20 loci), each
# sample, the pairs with their distances, isolation by distance and the
# principal coordinates, run without and with --report; prints the page's
# size (the target: under 10 MB) and both wall times. The data are made once
# in build-bench/ by bench/make_report_data.py.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-packages.sh cmake g++ libcli11-dev zlib1g-dev libhts-dev librandom123-dev libeigen3-dev \
    libspectra-dev pkg-config python3
# PHENOSTAT=path/to/phenostat runs a program already built.
binary="${PHENOSTAT:-build-bench/phenostat}"
if [ -z "${PHENOSTAT:-}" ]; then
    cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DPHENOSTAT_TESTS=OFF >/dev/null
    cmake --build build-bench -j2 --target phenostat >/dev/null
fi
mkdir -p build-bench
data="build-bench/report_10000x200.txt"
[ -f "$data" ] || python3 bench/make_report_data.py "$data" "${data%.txt}_coords.txt" 10000 200 20
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
options=(-e -c "${data%.txt}_coords.txt" --ibd --ibd-permutations 999 --pcoa --seed 1 -q --threads "${THREADS:-2}")
# The best wall time of three runs (each after the first with --overwrite).
seconds() {
    local best=1e9 start end
    for run in 1 2 3; do
        start=$(date +%s.%N)
        "$binary" "$@" $([ $run -gt 1 ] && echo --overwrite) >/dev/null
        end=$(date +%s.%N)
        best=$(python3 -c "print(f'{min($best, $end - $start):.2f}')")
    done
    echo "$best"
}
plain=$(seconds "${options[@]}" --out "$out/plain" "$data")
reported=$(seconds "${options[@]}" --report --out "$out/reported" "$data")
bytes=$(stat -c %s "$out/reported_report.html")
echo "10,000 individuals x 200 samples x 20 loci, ${THREADS:-2} threads"
echo "  without --report: ${plain} s"
echo "  with --report:    ${reported} s"
python3 -c "print(f'  report page: {$bytes / 1e6:.2f} MB ({$bytes} bytes)')"
for svg in "$out"/reported_tables/*.svg; do
    printf '  %-22s %s bytes\n' "$(basename "$svg")" "$(stat -c %s "$svg")"
done

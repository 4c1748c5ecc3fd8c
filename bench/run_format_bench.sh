#!/usr/bin/env bash
# Loading the same data set (14,000 diploid individuals, 500 microsatellite
# loci; made once in build-bench/formats/ by bench/make_format_data.py, about
# 50 MB a file) from each format phenostat reads: a check-only run (no
# analysis option) of each, the best wall time of ROUNDS (default 5) and the
# peak memory, and its ratio to the time of our tab file. THREADS (default:
# all cores) is given to every run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-packages.sh cmake g++ libcli11-dev zlib1g-dev libeigen3-dev libspectra-dev librandom123-dev libhts-dev pkg-config python3 time
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DPHENOSTAT_TESTS=OFF >/dev/null
cmake --build build-bench -j2 --target phenostat >/dev/null
data="$PWD/build-bench/formats"
[ -f "$data/data.gdv" ] || python3 bench/make_format_data.py "$data"
threads="${THREADS:-$(nproc)}"
rounds="${ROUNDS:-5}"

files=(data.txt data.gen data.dat data.str data.csv data.gdv)
declare -A best peak
# Rounds of every file in turn, so that a busy moment of the machine falls on
# all of them alike; each file's best wall time, and the peak memory of that run.
for _ in $(seq "$rounds"); do
    for file in "${files[@]}"; do
        measured=$( { /usr/bin/time -f "%e %M" build-bench/phenostat --threads "$threads" "$data/$file" > /dev/null; } \
                    2>&1 | tail -n 1)
        if [ -z "${best[$file]:-}" ] || awk -v a="${measured% *}" -v b="${best[$file]}" 'BEGIN { exit !(a < b) }'; then
            best[$file]=${measured% *}
            peak[$file]=${measured#* }
        fi
    done
done

echo "$threads threads, best of $rounds rounds"
for file in "${files[@]}"; do
    printf '  %-9s %5d MB  wall %6.2f s  peak %7d KiB  %.2f x tab\n' "$file" \
           $(( $(stat -c %s "$data/$file") >> 20 )) "${best[$file]}" "${peak[$file]}" \
           "$(awk -v a="${best[$file]}" -v b="${best[data.txt]}" 'BEGIN { print a / b }')"
done

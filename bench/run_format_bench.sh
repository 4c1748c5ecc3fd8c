#!/usr/bin/env bash
# Loading the same data set (14,000 diploid individuals, 500 microsatellite
# loci; made once in build-bench/formats/ by bench/make_format_data.py, about
# 50 MB a file) from each format phenostat reads: a check-only run (no
# analysis option) of each, the best wall time of ROUNDS (default 3) and the
# peak memory, and its ratio to the time of our tab file. THREADS (default:
# all cores) is given to every run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-packages.sh cmake g++ libcli11-dev zlib1g-dev librandom123-dev libhts-dev pkg-config python3 time
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DPHENOSTAT_TESTS=OFF >/dev/null
cmake --build build-bench -j2 --target phenostat >/dev/null
data="$PWD/build-bench/formats"
[ -f "$data/data.gdv" ] || python3 bench/make_format_data.py "$data"
threads="${THREADS:-$(nproc)}"
rounds="${ROUNDS:-3}"

# The best wall time of the rounds and the peak memory of that run: "seconds KiB".
best() {
    local best_line="" measured
    for _ in $(seq "$rounds"); do
        measured=$( { /usr/bin/time -f "%e %M" build-bench/phenostat --threads "$threads" "$@" > /dev/null; } 2>&1 |
                    tail -n 1)
        if [ -z "$best_line" ] || awk -v a="${measured% *}" -v b="${best_line% *}" 'BEGIN { exit !(a < b) }'; then
            best_line=$measured
        fi
    done
    echo "$best_line"
}

echo "$threads threads, best of $rounds rounds"
tab=$(best "$data/data.txt")
for file in data.txt data.gen data.dat data.str data.csv data.gdv; do
    measured=$([ "$file" = data.txt ] && echo "$tab" || best "$data/$file")
    printf '  %-9s %5d MB  wall %6.2f s  peak %7d KiB  %.2f x tab\n' "$file" \
           $(( $(stat -c %s "$data/$file") >> 20 )) "${measured% *}" "${measured#* }" \
           "$(awk -v a="${measured% *}" -v b="${tab% *}" 'BEGIN { print a / b }')"
done

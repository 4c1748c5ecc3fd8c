#!/usr/bin/env bash
# Builds the libFuzzer target in build-fuzz and runs it for SECONDS seconds
# (default 30) on a scratch copy of its seed corpus, so the committed corpus
# never grows. Fails on the first finding (crash, leak, timeout, out of memory);
# the reproducer is left in build-fuzz/findings/<target>/.
set -euo pipefail
seconds="${1:-30}"
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$root/build-fuzz"
targets=(program)

cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DPHENOSTAT_WERROR=ON -DPHENOSTAT_TESTS=OFF -DPHENOSTAT_FUZZ=ON >/dev/null
cmake --build "$build" -j2 --target "${targets[@]/%/_fuzz}"

for target in "${targets[@]}"; do
    work="$build/corpus/$target"
    findings="$build/findings/$target"
    rm -rf "$work" "$findings"
    mkdir -p "$work" "$findings"
    cp "$root/tests/fuzz/corpus/$target"/* "$work"/
    echo "== fuzzing $target for $seconds s"
    # max_len keeps one input small enough that a slow unit means a real fault;
    # timeout: seconds for one input; rss_limit_mb: memory for the whole process.
    if ! "$build/tests/fuzz/${target}_fuzz" "$work" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
            -rss_limit_mb=2048 -artifact_prefix="$findings/" -print_final_stats=1 \
            >"$build/findings/$target.log" 2>&1; then
        tail -n 60 "$build/findings/$target.log"
        echo "fuzz target $target found a fault; reproducer in $findings/"
        exit 1
    fi
    grep -E '^stat::number_of_executed_units|^Done' "$build/findings/$target.log" || true
done
echo "fuzzing passed"

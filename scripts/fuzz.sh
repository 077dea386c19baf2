#!/usr/bin/env bash
# The long fuzzing run: each fuzzer under ASan/UBSan for the given number of seconds
# (default 600), one after another, over its growing corpus in build/fuzz-corpus/ and its
# kept regression inputs. A crashing input is copied to fuzz/regressions/<fuzzer>/, where
# the test command replays it on every run; the script then fails.
#   scripts/fuzz.sh [seconds] [fuzzer name ...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-600}"
shift || true

cmake -S . -B build/native -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build/native -j2 >/dev/null

if [ "$#" -gt 0 ]; then
    names=("$@")
else
    names=()
    for fuzzer in build/native/*_fuzz; do
        [ -x "$fuzzer" ] && names+=("$(basename "$fuzzer")")
    done
fi

failed=0
for name in "${names[@]}"; do
    fuzzer="build/native/$name"
    corpus="build/fuzz-corpus/$name"
    artifacts="build/fuzz-artifacts/$name"
    regressions="fuzz/regressions/$name"
    rm -rf "$artifacts"
    mkdir -p "$corpus" "$artifacts"
    seeds=()
    [ -d "$regressions" ] && seeds+=("$regressions")
    log="build/$name.long.log"
    echo "Fuzzing $name for $seconds s (log: $log)"
    if "$fuzzer" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$artifacts/" \
        "$corpus" "${seeds[@]}" >"$log" 2>&1; then
        grep -E '^stat::number_of_executed_units|^cov:|#[0-9]+.*DONE' "$log" | tail -n 3 || true
    else
        failed=1
        mkdir -p "$regressions"
        for input in "$artifacts"/crash-* "$artifacts"/leak-* "$artifacts"/timeout-* "$artifacts"/oom-*; do
            [ -f "$input" ] || continue
            cp "$input" "$regressions/"
            echo "Kept $regressions/$(basename "$input")"
        done
        grep -E 'ERROR|SUMMARY' "$log" | head -n 5 || true
    fi
done
exit "$failed"

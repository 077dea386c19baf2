#!/usr/bin/env bash
# Builds everything and runs every test: the 64-bit exe and its tests under Wine (ANSI
# code page 932, inside a private Xvfb), the end-to-end tests again against the 32-bit exe,
# and the platform-free parts natively under ASan/UBSan with a short fuzzing run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
jobs="$(nproc)"

cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/win64 -j"$jobs"
cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release -DMORVEK_TESTS=OFF >/dev/null
cmake --build build/win32 -j"$jobs"
cmake -S . -B build/native -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build/native -j"$jobs"

scripts/package.sh

ctest --test-dir build/native --output-on-failure --no-tests=error
# Every fuzzer in fuzz/ must have been built: a missing one fails the run.
for source in fuzz/*_fuzz.cpp; do
    name="$(basename "$source" .cpp)"
    fuzzer="build/native/$name"
    [ -x "$fuzzer" ] || { echo "The fuzzer $name was not built" >&2; exit 1; }
    corpus="build/fuzz-corpus/$name"
    mkdir -p "$corpus"
    echo "Fuzzing $name for 10 s"
    seeds=()
    [ -d "fuzz/regressions/$name" ] && seeds+=("fuzz/regressions/$name")
    "$fuzzer" -max_total_time=10 "$corpus" "${seeds[@]}" >/dev/null 2>build/"$name".log \
        || { cat build/"$name".log; exit 1; }
done

source scripts/wine-env.sh
start_wine_session
# Every test program runs once, and any failure fails the command. Only the soaks (the test
# programs named soak...) may run again: they judge a process's memory, read from outside
# after each of hundreds of clicks, and on a busy machine the shell's own work (icons
# announced as changed, its caches growing) may move one run's figures; a soak that passes
# only on its second run is named on a line "FLAKY: <program>", and a real leak fails both.
soaks='^soak'
run_soaks() {
    local soak
    for soak in $(ctest --test-dir build/win64 -N -R "$soaks" | awk '$1 == "Test" && $2 ~ /^#/ { print $3 }'); do
        ctest --test-dir build/win64 -R "^$soak\$" --output-on-failure --no-tests=error && continue
        ctest --test-dir build/win64 -R "^$soak\$" --output-on-failure --no-tests=error
        echo "FLAKY: $soak ($1): failed, then passed when run again; a soak's memory figures, read from" \
             "outside the process, may move with what the shell does on a busy machine"
    done
}
ctest --test-dir build/win64 -E "$soaks" --output-on-failure --no-tests=error
run_soaks "64-bit exe"
# The end-to-end tests again, driving the 32-bit exe.
win32_exe="Z:$PWD/build/win32/Morvek.exe"
export MORVEK_EXE_UNDER_TEST="${win32_exe//\//\\}"
ctest --test-dir build/win64 -R '_e2e_test$' -E "$soaks" --output-on-failure --no-tests=error
run_soaks "32-bit exe"

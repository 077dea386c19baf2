#!/usr/bin/env bash
# Builds Morvek and its benchmark, and prints the figures (under Wine inside Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/win64 -j"$(nproc)" --target Morvek launcher_bench menu_only >/dev/null
source scripts/wine-env.sh
start_wine_session
win="Z:${ROOT//\//\\}"
"$WINE" build/win64/launcher_bench.exe "$win"'\build\win64\Morvek.exe' "$win"'\build\bench-work' "${1:-5}" 2>/dev/null
echo
echo "The popup alone (bench/menu_only.cpp: the same clicks, no shell work):"
"$WINE" build/win64/launcher_bench.exe "$win"'\build\win64\menu_only.exe' "$win"'\build\bench-work' "${1:-5}" 2>/dev/null

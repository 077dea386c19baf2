#!/usr/bin/env bash
# Builds Morvek and its benchmark, prints the figures (under Wine inside Xvfb) and draws
# click to menu against the number of entries into docs/bench/launcher-clicks.png, from the
# medians the benchmark leaves in docs/bench/launcher-clicks.dat; then times the folder menu
# in-process, folders as submenus included, and prints the heap it holds per entry.
# Usage: scripts/bench.sh [samples per figure, 5 by default]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
# gnuplot draws the picture; only this script needs it.
if ! command -v gnuplot >/dev/null; then
    sudo=""
    if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
    echo "Installing: gnuplot-nox"
    # An index that does not download (a mirror being synced) leaves the others to use.
    $sudo apt-get update -qq || echo "Some package indexes did not download; going on with the others."
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq gnuplot-nox >/dev/null
fi
cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/win64 -j"$(nproc)" --target Morvek launcher_bench menu_only folder_menu_bench >/dev/null
mkdir -p docs/bench
# A prefix of its own, so the test command can run beside it.
export WINEPREFIX="${WINEPREFIX:-$PWD/build/wineprefix-bench}"
source scripts/wine-env.sh
start_wine_session
win="Z:${ROOT//\//\\}"
data=docs/bench/launcher-clicks.dat
"$WINE" build/win64/launcher_bench.exe "$win"'\build\win64\Morvek.exe' "$win"'\build\win64\menu_only.exe' \
    "$win"'\build\bench-work' "$win"'\'"${data//\//\\}" "${1:-5}" 2>/dev/null | sed -u 's/\r$//'

gnuplot -e "data='$data'; out='docs/bench/launcher-clicks.png'" bench/launcher_clicks.gp
echo "Drawn: docs/bench/launcher-clicks.png (figures in $data)"

# In a folder of its own: it makes its items folders beside itself.
mkdir -p build/bench-folder-menu
cp build/win64/folder_menu_bench.exe build/bench-folder-menu/
"$WINE" build/bench-folder-menu/folder_menu_bench.exe 2>/dev/null | sed -u 's/\r$//'

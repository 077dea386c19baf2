#!/usr/bin/env bash
# The long soak: 10,000 launcher clicks on a folder of 100 shortcuts and 1,000 openings of
# each dialog, with the built exe under Wine inside a private Xvfb. Takes about an hour.
# The private memory and working set after every click are left in
# build/win64/testrun/soak_e2e_CLICKS/memory.csv.
# Usage: scripts/soak.sh [clicks]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/win64 -j"$(nproc)" --target Morvek launch_recorder soak_e2e_test >/dev/null
# A prefix of its own, so the test command can run beside it.
export WINEPREFIX="${WINEPREFIX:-$PWD/build/wineprefix-soak}"
source scripts/wine-env.sh
start_wine_session
MORVEK_EXPECT_ACP=932 MORVEK_SOAK_CYCLES="${1:-10000}" scripts/wine-test.sh build/win64/soak_e2e_test.exe

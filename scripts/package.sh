#!/usr/bin/env bash
# Builds the release zip (build/release/Morvek-1.4.zip): the 64-bit Morvek.exe, the 32-bit
# one in x86/, an empty items folder and the users' read-me files, and checks its contents.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
for arch in x86_64:win64 i686:win32; do
    triple="${arch%%:*}"; dir="build/${arch##*:}"
    cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$triple.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$dir" -j"$(nproc)" --target Morvek >/dev/null
done

stage="build/release/Morvek"
rm -rf build/release
mkdir -p "$stage/items" "$stage/x86"
cp build/win64/Morvek.exe "$stage/"
cp build/win32/Morvek.exe "$stage/x86/"
# Windows users open these in Notepad: CRLF line ends.
sed 's/$/\r/' docs/release/README-ja.txt > "$stage/README-ja.txt"
sed 's/$/\r/' docs/release/README-en.txt > "$stage/README-en.txt"
(cd build/release && zip -qr -X Morvek-1.4.zip Morvek)

expected="Morvek/
Morvek/README-en.txt
Morvek/README-ja.txt
Morvek/Morvek.exe
Morvek/items/
Morvek/x86/
Morvek/x86/Morvek.exe"
actual="$(unzip -Z1 build/release/Morvek-1.4.zip | sort)"
if [ "$actual" != "$(echo "$expected" | sort)" ]; then
    echo "The release zip does not hold what it should:"; echo "$actual"; exit 1
fi
file build/release/Morvek/Morvek.exe | grep -q "x86-64" || { echo "Morvek.exe is not 64-bit"; exit 1; }
file build/release/Morvek/x86/Morvek.exe | grep -q "Intel 80386" || { echo "x86/Morvek.exe is not 32-bit"; exit 1; }
echo "Release: build/release/Morvek-1.4.zip ($(stat -c %s build/release/Morvek-1.4.zip) bytes)"

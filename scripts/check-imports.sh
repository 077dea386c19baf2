#!/usr/bin/env bash
# Checks that an exe imports only DLLs that Windows always loads from the system folder
# (the KnownDLLs), so no DLL lying beside it can be loaded in their place.
# Usage: scripts/check-imports.sh OBJDUMP EXE
set -euo pipefail
objdump="$1"
exe="$2"
known=" advapi32.dll clbcatq.dll combase.dll comdlg32.dll coml2.dll gdi32.dll gdiplus.dll
 imagehlp.dll imm32.dll kernel32.dll msctf.dll msvcrt.dll normaliz.dll nsi.dll ole32.dll
 oleaut32.dll psapi.dll rpcrt4.dll sechost.dll setupapi.dll shcore.dll shell32.dll
 shlwapi.dll user32.dll wldap32.dll ws2_32.dll "
known=" $(echo $known) "
names="$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')"
[ -n "$names" ] || { echo "no imports read from $exe"; exit 1; }
bad=0
for name in $names; do
    case "$known" in
    *" $name "*) ;;
    *) echo "$exe imports $name, which Windows may load from beside the exe"; bad=1 ;;
    esac
done
[ "$bad" -eq 0 ] && echo "imports of $(basename "$exe"): $(echo $names)"
exit "$bad"

#!/usr/bin/env bash
# Runs one test program under Wine for ctest. Its output goes through a file: processes
# that Wine starts on the way (explorer.exe with the desktop and the tray) inherit the
# test's standard handles and outlive it, and ctest would wait for them if they held its pipe.
#
# With MORVEK_RESTORE_DPI=1 (a test that changes the screen DPI of the shared prefix) the
# DPI setting found before the test is put back on every exit path of this script, so a
# test that fails, crashes or hangs leaves no other DPI for the tests after it. Such a
# test is then given at most 540 s, so that the script, not ctest's own time-out of 600 s,
# ends it and the setting is still put back.
wine=/usr/lib/wine/wine64
log="$(mktemp)"
limit=()
if [ "${MORVEK_RESTORE_DPI:-}" = 1 ]; then
    key='HKCU\Control Panel\Desktop'
    "$wine" reg query "$key" /v LogPixels >"$log" 2>&1 </dev/null
    saved="$(tr -d '\r' <"$log" | awk '$1 == "LogPixels" { print $3 }')"
    restore_dpi() {
        if [ -n "$saved" ]; then
            "$wine" reg add "$key" /v LogPixels /t REG_DWORD /d "$((saved))" /f >/dev/null 2>&1 </dev/null
        else
            "$wine" reg delete "$key" /v LogPixels /f >/dev/null 2>&1 </dev/null
        fi
        echo "The DPI setting is back to ${saved:-none}"
    }
    trap restore_dpi EXIT
    trap 'exit 143' TERM INT
    limit=(timeout --kill-after=10 540)
fi
"${limit[@]}" "$wine" "$@" >"$log" 2>&1 </dev/null
rc=$?
cat "$log"
rm -f "$log"
exit $rc

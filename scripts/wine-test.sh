#!/usr/bin/env bash
# Runs one test program under Wine for ctest. Its output goes through a file: processes
# that Wine starts on the way (explorer.exe with the desktop and the tray) inherit the
# test's standard handles and outlive it, and ctest would wait for them if they held its pipe.
log="$(mktemp)"
/usr/lib/wine/wine64 "$@" >"$log" 2>&1 </dev/null
rc=$?
cat "$log"
rm -f "$log"
exit $rc

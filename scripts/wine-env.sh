# Sourced by the scripts: a Wine prefix inside the build tree, a private Xvfb display when
# needed, and clean-up of both on every exit path.
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="${WINEPREFIX:-$ROOT/build/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
# Wine starts winemenubuilder.exe for every shortcut saved, to mirror it into the Linux
# desktop's menus; the tests save hundreds and need none of that.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEARCH=win64
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
XVFB_PID=""

# Starts Xvfb on a free display and exports DISPLAY.
start_xvfb() {
    local fdfile
    fdfile="$(mktemp)"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 100); do
        [ -s "$fdfile" ] && break
        sleep 0.1
    done
    export DISPLAY=":$(head -n1 "$fdfile")"
    rm -f "$fdfile"
}

stop_wine_and_display() {
    "$WINESERVER" -k >/dev/null 2>&1 || true
    if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" >/dev/null 2>&1 || true; fi
}

# Creates the prefix once, headless; later runs reuse it. Create it under the Japanese
# locale: the menu font stored at creation keeps its character set.
ensure_prefix() {
    mkdir -p "$(dirname "$WINEPREFIX")"
    # A prefix made before Wine's 32-bit half was installed has no 32-bit system files, and
    # updating it does not add them: it is made anew, so that the 32-bit exe runs in it too.
    if [ -d /usr/lib/i386-linux-gnu/wine ] && [ -f "$WINEPREFIX/system.reg" ] &&
        [ -z "$(ls -A "$WINEPREFIX/drive_c/windows/syswow64" 2>/dev/null)" ]; then
        echo "Making the Wine prefix in $WINEPREFIX anew, with its 32-bit half"
        "$WINESERVER" -k >/dev/null 2>&1 || true
        rm -rf "$WINEPREFIX"
    fi
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "Creating the Wine prefix in $WINEPREFIX"
        "$WINE" wineboot -i >/dev/null 2>&1 || true
        "$WINESERVER" -w
    fi

    # Wine links the user's Desktop, Documents and the like to the Linux home (the Desktop
    # to the home itself when it has none), so every prefix on the machine would share one
    # desktop and the tests would write their shortcuts into the home. Each prefix gets
    # folders of its own instead.
    local link
    for link in "$WINEPREFIX"/drive_c/users/*/*; do
        if [ -L "$link" ]; then rm -f "$link" && mkdir -p "$link"; fi
    done

    local marker="$WINEPREFIX/.morvek-settings-1"
    if [ ! -f "$marker" ]; then
        # The dialogs ask for "ＭＳ Ｐゴシック", a proportional face. Left to itself Wine
        # gives the fixed-pitch IPAGothic, whose wider glyphs no longer fit the controls;
        # IPAPGothic is the proportional face made to the same measures.
        for face in "ＭＳ Ｐゴシック" "MS PGothic" "MS UI Gothic"; do
            "$WINE" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d IPAPGothic /f >/dev/null 2>&1
        done
        # Xvfb has no window manager: unmanaged windows open and close at once, where
        # managed ones wait for a manager that never answers.
        "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
        "$WINESERVER" -w
        touch "$marker"
    fi
}

# The usual session for the test, bench and soak commands: a private Xvfb, the Japanese
# locale (code page 932), the prefix, and a wineserver kept up between test programs;
# all of it ended on every exit path.
start_wine_session() {
    trap stop_wine_and_display EXIT
    start_xvfb
    export LC_ALL=ja_JP.UTF-8
    ensure_prefix
    "$WINESERVER" -p
}

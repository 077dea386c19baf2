#!/usr/bin/env bash
# Builds Morvek, runs it under Wine in a 1024x768 Wine desktop inside a private Xvfb under
# the Japanese locale, beside a demo items folder, and saves screenshots of its dialogs and
# menus into docs/screenshots: the settings dialog, the drop dialog, the right-click main
# menu with its shutdown submenu open, and the left-click launcher menu, once with a folder
# open as a submenu (light and dark) and once more with names from outside any one code page.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/win64 -j2 --target Morvek morvek_demo

# A prefix of its own whose programs all share one 1024x768 Wine desktop: Wine draws the
# captions itself there, and the helper sees Morvek's windows.
export WINEPREFIX="$PWD/build/wineprefix-screenshots"
source scripts/wine-env.sh
trap stop_wine_and_display EXIT
start_xvfb
export LC_ALL=ja_JP.UTF-8
ensure_prefix
"$WINE" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null
"$WINE" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null
# The menu's Japanese face has no Korean and not every Greek letter: a Korean face and a
# face of many symbols are linked behind it, as Windows links its own fonts.
for face in "IPA Pゴシック" "IPAゴシック"; do
    "$WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v "$face" \
        /t REG_MULTI_SZ /d 'NanumGothic.ttf,NanumGothic\0Symbola_hint.ttf,Symbola' /f >/dev/null
done
# Programs started from now on open the desktop configured above.
"$WINESERVER" -k >/dev/null 2>&1 || true

demo="$ROOT/build/screenshots"
out="$ROOT/docs/screenshots"
rm -rf "$demo"
mkdir -p "$demo" "$out"
cp build/win64/Morvek.exe "$demo/"
windemo="Z:${demo//\//\\}"
"$WINE" build/win64/morvek_demo.exe items "$windemo"

"$WINE" "$windemo\\Morvek.exe" &
helper() { "$WINE" build/win64/morvek_demo.exe "$@"; }
# The window is up when the helper sees it; the second lets it finish painting.
shot() {
    sleep 1
    import -window root -crop 1024x768+0+0 +repage "$out/$1.png"
    echo "saved docs/screenshots/$1.png"
}
helper wait

helper command 40023
helper dialogs 1
shot settings-dialog
helper button 1013
helper dialogs 0

helper command 40025
helper dialogs 1
shot drop-dialog
helper button 8
helper dialogs 0

helper click left
if helper menus 1; then
    shot launcher-menu
    helper keys escape
else
    echo "no launcher menu appeared on a left click: launcher-menu.png not made"
fi

helper click right
if helper menus 1; then
    # Down to "シャットダウン" (the separator is skipped) and open it.
    helper keys down down down down right
    helper menus 2
    shot main-menu
    helper keys escape escape
else
    echo "no main menu appeared on a right click: main-menu.png not made"
fi

# With [Launcher] Submenus=1 the first entry, a shortcut to the Windows folder, opens as a
# submenu (read at the click: no restart).
printf '[Launcher]\r\nSubmenus=1\r\n' >"$demo/setting1.ini"
helper click left
if helper menus 1; then
    helper keys down right
    helper menus 2
    shot launcher-submenu
    helper keys escape escape
else
    echo "no launcher menu appeared on a left click: launcher-submenu.png not made"
fi

# The same submenu with the app theme dark, on a prefix that says Windows 10 (the launcher
# is dark only where the system's own menus can be); Morvek starts again to see the version.
"$WINESERVER" -k >/dev/null 2>&1 || true
"$WINE" reg add 'HKCU\Software\Wine' /v Version /d win10 /f >/dev/null
"$WINE" reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Themes\Personalize' /v AppsUseLightTheme \
    /t REG_DWORD /d 0 /f >/dev/null
"$WINE" "$windemo\\Morvek.exe" &
helper wait
helper click left
if helper menus 1; then
    helper keys down right
    helper menus 2
    shot launcher-submenu-dark
    helper keys escape escape
else
    echo "no launcher menu appeared on a left click: launcher-submenu-dark.png not made"
fi
"$WINESERVER" -k >/dev/null 2>&1 || true
"$WINE" reg delete 'HKCU\Software\Microsoft\Windows\CurrentVersion\Themes\Personalize' /v AppsUseLightTheme /f \
    >/dev/null 2>&1 || true
"$WINE" reg delete 'HKCU\Software\Wine' /v Version /f >/dev/null 2>&1 || true
rm -f "$demo/setting1.ini"

# Names from outside any one code page, from a second folder (one Morvek runs at a time).
"$WINESERVER" -k >/dev/null 2>&1 || true
world="$ROOT/build/screenshots-world"
rm -rf "$world"
mkdir -p "$world"
cp build/win64/Morvek.exe "$world/"
winworld="Z:${world//\//\\}"
"$WINE" build/win64/morvek_demo.exe world-items "$winworld"
"$WINE" "$winworld\\Morvek.exe" &
helper wait
helper click left
if helper menus 1; then
    shot launcher-menu-world
    helper keys escape
else
    echo "no launcher menu appeared on a left click: launcher-menu-world.png not made"
fi

# The same at 144 DPI (150 %): small icons, item heights and the dialog grow together.
"$WINESERVER" -k >/dev/null 2>&1 || true
"$WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null
"$WINESERVER" -k >/dev/null 2>&1 || true
"$WINE" "$windemo\\Morvek.exe" &
helper wait
helper click left
if helper menus 1; then
    shot launcher-menu-144dpi
    helper keys escape
fi
helper command 40023
helper dialogs 1
shot settings-dialog-144dpi
helper button 1013
helper dialogs 0
"$WINESERVER" -k >/dev/null 2>&1 || true
"$WINE" reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null 2>&1 || true

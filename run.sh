#!/usr/bin/env bash
# Builds the 64-bit program and starts the wizard under Wine:
#
#   ./run.sh [LANGUAGE BASE-NAME INF-PATH]     (default: eng Kiosk1 C:\drivers\tavik)
#
# The wizard runs in a Wine prefix of its own, build/win64/wine/run, in which the driver
# "Tavik 10.0.0.11" is registered so that the printer can be created, and in the folder
# build/win64/run, where the installation leaves its record file. Without a display it
# opens on a virtual one, and the script says how to look at it.
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)

tools/install-deps.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target kestrin kestrin_prepare_prefix

[ $# -gt 0 ] || set -- eng Kiosk1 'C:\drivers\tavik'

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine_root=$root/build/win64/wine
export WINEPREFIX=$wine_root/run
if [ ! -f "$WINEPREFIX/.kestrin-driver" ]; then
    echo "== preparing the Wine prefix $WINEPREFIX (once)"
    cmake/wine-run.sh --root "$wine_root" --create-template "$WINEPREFIX"
    wine build/win64/tests/win/support-wine/kestrin_prepare_prefix.exe
    touch "$WINEPREFIX/.kestrin-driver"
fi
# Wine's server must start afresh with the display the wizard gets.
wineserver -k 2>/dev/null || true
wineserver -w

desktop='HKCU\Software\Wine\Explorer'
if [ -z "${DISPLAY:-}" ]; then
    displayfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$displayfile" >/dev/null 2>&1 &
    xvfb=$!
    trap 'wineserver -k 2>/dev/null || true; kill $xvfb 2>/dev/null || true; rm -f "$displayfile"' EXIT
    for _ in $(seq 1 100); do
        [ -s "$displayfile" ] && break
        sleep 0.05
    done
    export DISPLAY=:$(tr -d '\n' <"$displayfile")
    # A virtual desktop stands in for the missing window manager.
    wine reg add "$desktop" /v Desktop /d Default /f >/dev/null
    wine reg add "$desktop\\Desktops" /v Default /d 1024x768 /f >/dev/null
    echo "== no display: the wizard runs on the virtual display $DISPLAY"
    echo "   look at it with:  DISPLAY=$DISPLAY import -window root wizard.png"
else
    wine reg delete "$desktop" /v Desktop /f >/dev/null 2>&1 || true
fi

mkdir -p build/win64/run
cd build/win64/run
echo "== kestrin.exe $*"
set +e
wine "$root/build/win64/bin/kestrin.exe" "$@"
code=$?
set -e
wineserver -w

meanings=("the installation ran to its end" "the wizard ended without finishing"
    "the command line was not understood" "printui.dll or its entry point is missing"
    "the printer was not created" "the record file could not be written whole"
    "the COM port's line settings could not be written" "the wizard could not be shown")
echo "== exit code $code: ${meanings[$code]:-unknown}"
if [ -f TollvekPrintName5249 ]; then
    echo "   record file $(pwd)/TollvekPrintName5249: $(cat TollvekPrintName5249)"
fi
exit "$code"

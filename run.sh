#!/usr/bin/env bash
# Builds Kestrin and runs its wizard under Wine, in a Wine prefix of its own where the
# bundled sample driver "Tavik 10.0.0.11" is registered, so that the installation can
# really create a printer.
#
#   ./run.sh [--quiet] [LANGUAGE BASE-NAME INF-PATH]
#
# Without arguments: eng, Kiosk1 and the bundled sample INF (samples/tavik/tavik.inf).
# With a display (DISPLAY set) the wizard opens there for you; without one, the
# everyday installation is played on a virtual display (Next, COM2 at 9600 baud, OK),
# with a screenshot of each page it passes in build/win64/run-shots/. With --quiet the
# same installation runs unattended (/quiet /port:COM2 /baud:9600 and a /log: file,
# which is shown), then one that runs out of its time limit (/timeout:5) against a
# rundll32 that never ends, with its log. Either way you see afterwards what happened:
# exit code, debugger lines, printers, default printer, the record file and the COM
# ports.
set -euo pipefail
cd "$(dirname "$0")"

quiet=""
if [ "${1:-}" = --quiet ]; then
    quiet=1
    shift
fi

tools/install-deps.sh
# shellcheck source=tools/wine-host.sh
. tools/wine-host.sh
echo "== building (win64)"
cmake --preset win64 >/dev/null
log=$(mktemp)
if ! cmake --build --preset win64 -j 2 >"$log" 2>&1; then
    cat "$log"
    rm -f "$log"
    echo "the build failed" >&2
    exit 1
fi
rm -f "$log"

build=$(pwd)/build/win64
# shellcheck source=/dev/null
source "$build/e2e-paths.sh"
prepare_args=()
[ -n "$prepare" ] && prepare_args=(--prepare "$prepare")
tests/e2e/run-scenario.sh --root "$e2e_root" --base-root "$wine_root" "${prepare_args[@]}" --template-only

# {inf} is the sample INF as copied into the prefix, beside kestrin.exe.
args=${*:-eng Kiosk1 {inf}}
driver_args=(--build "$app" --fixtures "$fixtures" --samples "$(pwd)/samples/tavik" --args "$args")
export WINEDEBUG=-all

if [ -n "$quiet" ]; then
    echo "== an unattended installation, with its log; then one that runs out of its time limit"
    tests/e2e/run-scenario.sh --root "$e2e_root" --base-root "$wine_root" "${prepare_args[@]}" \
        --locale zh_CN.UTF-8 "$driver" "${driver_args[@]}" tests/e2e/play/quiet.scn
elif [ -n "${DISPLAY:-}" ]; then
    # A fresh copy of the prepared prefix for each run, so every run starts from the
    # same printers; kept until the next run for a look inside.
    prefix=$build/wine-run
    [ -d "$prefix" ] && { WINEPREFIX=$prefix wineserver -k 2>/dev/null || true; rm -rf "$prefix"; }
    cp -al "$e2e_root/template" "$prefix"
    for f in system.reg user.reg userdef.reg; do cp --remove-destination "$e2e_root/template/$f" "$prefix/$f"; done
    echo "== the wizard opens on your display; finish it or cancel it"
    WINEPREFIX=$prefix wine "$driver" "${driver_args[@]}" tests/e2e/play/interactive.scn
    WINEPREFIX=$prefix wineserver -w
else
    shots=$build/run-shots
    rm -rf "$shots"
    mkdir -p "$shots"
    echo "== no display: the everyday installation is played on a virtual one"
    # Wine hands Chinese debugger lines over exactly only with the code page of this locale.
    tests/e2e/run-scenario.sh --root "$e2e_root" --base-root "$wine_root" "${prepare_args[@]}" \
        --locale zh_CN.UTF-8 "$driver" "${driver_args[@]}" --shots "$shots" tests/e2e/play/typical.scn
    for bmp in "$shots"/*.bmp; do
        [ -f "$bmp" ] || continue
        convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
    done
    echo "== screenshots of the pages passed:"
    ls -1 "$shots"/*.png 2>/dev/null || echo "(none)"
fi

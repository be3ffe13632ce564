#!/usr/bin/env bash
# Runs a Windows test program under Wine, in a Wine prefix that belongs to the build
# folder and never the user's own.
#
#   wine-run.sh --root DIR [--private] [--display] PROGRAM [ARGS...]
#   wine-run.sh --root DIR --template-only
#
# DIR/template is created on first use (under a lock: CTest starts several programs at
# once) and reused; --template-only only creates it, so that it is there before the
# tests start. --private runs in a throw-away copy of it, for programs that change
# printers, ports or files; --display gives the program a virtual display of its own.
# KESTRIN_PRIVATE_PREFIX=1 and KESTRIN_DISPLAY=1 in the environment do the same.
set -u

root=""
private=${KESTRIN_PRIVATE_PREFIX:-0}
display=${KESTRIN_DISPLAY:-0}
while [ $# -gt 0 ]; do
    case "$1" in
        --root) root=$2; shift 2 ;;
        --private) private=1; shift ;;
        --display) display=1; shift ;;
        --create-template) create_template=$2; shift 2 ;;
        --template-only) template_only=1; shift ;;
        *) break ;;
    esac
done

export WINEDEBUG=${KESTRIN_WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../tools/wine-host.sh
. "$here/../tools/wine-host.sh"
# A template records in the first line of its mark the way it was made and the settings
# it was made from: one made otherwise is made again. (A prepared template,
# tests/e2e/run-scenario.sh's, adds lines of its own.)
made_by="made by: $KESTRIN_WINE_WAY, settings $(cksum <"$here/wine-prefix.reg" | cut -d' ' -f1)"
ready() { [ "$(head -n 1 "$1/.kestrin-ready" 2>/dev/null)" = "$made_by" ]; }

if [ -n "${create_template:-}" ]; then
    # Called by ourselves under the template lock.
    t=$create_template
    ready "$t" && exit 0
    [ -d "$t" ] && WINEPREFIX=$t wineserver -k >/dev/null 2>&1
    rm -rf "$t"
    mkdir -p "$t"
    WINEPREFIX=$t DISPLAY= wine wineboot -i >/dev/null 2>&1 || { echo "wineboot failed for $t" >&2; exit 1; }
    # Wine's own Marlett, which draws the caption buttons, in the prefix's font folder,
    # where this Wine looks for it. (Only that one: the others would change the dialog
    # fonts' metrics under the pages' tests.)
    [ -f /usr/share/wine/fonts/marlett.ttf ] && cp /usr/share/wine/fonts/marlett.ttf "$t/drive_c/windows/Fonts/"
    # Chinese captions need a font with the glyphs and links from the dialog fonts to it.
    reg=$t/drive_c/kestrin-settings.reg
    { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE "$here/wine-prefix.reg"; } >"$reg"
    WINEPREFIX=$t DISPLAY= wine regedit /S 'C:\kestrin-settings.reg' >/dev/null 2>&1
    rm -f "$reg"
    WINEPREFIX=$t wineserver -w
    echo "$made_by" >"$t/.kestrin-ready"
    exit 0
fi

[ -n "$root" ] || { echo "wine-run.sh: --root is required" >&2; exit 2; }
[ $# -gt 0 ] || [ -n "${template_only:-}" ] || { echo "wine-run.sh: no program given" >&2; exit 2; }
mkdir -p "$root"
root=$(cd "$root" && pwd)
template=$root/template

if ! ready "$template"; then
    # -o: the lock is not inherited by the Wine server that wineboot leaves behind.
    flock -o "$root/template.lock" "$0" --create-template "$template" || exit 1
fi
[ -n "${template_only:-}" ] && exit 0

prefix=$template
cleanup() {
    if [ "$prefix" != "$template" ]; then
        WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1
        WINEPREFIX=$prefix wineserver -w >/dev/null 2>&1
        rm -rf "$prefix"
    fi
    [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -f "${out:-}" "${err:-}" "${displayfile:-}"
}
trap cleanup EXIT

# The server of the shared prefix runs without a display: a program with windows
# always gets a prefix of its own.
[ "$display" = 1 ] && private=1

if [ "$private" = 1 ]; then
    prefix=$(mktemp -d "$root/run.XXXXXX")
    # Hard links keep the copy quick; the registry files are rewritten in place by
    # Wine's server, so they are copied for real.
    cp -al "$template/." "$prefix/"
    for f in system.reg user.reg userdef.reg; do
        cp --remove-destination "$template/$f" "$prefix/$f"
    done
fi

if [ "$display" = 1 ]; then
    displayfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$displayfile" >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 1 100); do
        [ -s "$displayfile" ] && break
        sleep 0.05
    done
    [ -s "$displayfile" ] || { echo "wine-run.sh: Xvfb did not start" >&2; exit 1; }
    export DISPLAY=:$(tr -d '\n' <"$displayfile")
    # A virtual desktop gives the windows title bars and spares the stall of every
    # window change that Wine has without a window manager.
    printf '\n[Software\\\\Wine\\\\Explorer] 0\n"Desktop"="Default"\n\n[Software\\\\Wine\\\\Explorer\\\\Desktops] 0\n"Default"="1024x768"\n' >>"$prefix/user.reg"
else
    # A server started without a display spoils later GUI runs in the same prefix.
    unset DISPLAY
fi

export WINEPREFIX=$prefix
# Debian's server quits after every program; keep it for the next test.
wineserver -p30 >/dev/null 2>&1

# Wine's helper processes inherit our output and would keep CTest waiting on it.
out=$(mktemp)
err=$(mktemp)
timeout "${KESTRIN_WINE_TIMEOUT:-300}" wine "$@" >"$out" 2>"$err" </dev/null
rc=$?
cat "$out"
cat "$err" >&2
exit $rc

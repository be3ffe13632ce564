#!/usr/bin/env bash
# Runs one end-to-end scenario in a throw-away copy of a Wine prefix prepared for
# printing, on a virtual display of its own.
#
#   run-scenario.sh --root DIR --base-root DIR [--prepare PROGRAM]... [--locale NAME] DRIVER [ARGS...]
#   run-scenario.sh --root DIR --base-root DIR [--prepare PROGRAM]... --template-only
#
# The prepared template (DIR/template) is made once per build tree, under a lock: a
# hard-linked copy of the plain test prefix (BASE-ROOT/template) into which each
# --prepare program is run. Every scenario then gets its own copy of it from
# cmake/wine-run.sh, so scenarios never see each other's printers.
#
# --locale runs Wine in that locale (for example zh_CN.UTF-8, whose code page 936 lets
# Chinese debugger lines reach the driver exactly), compiled into DIR/locale when the
# system lacks it.
set -u

root=""
base_root=""
prepare=()
while [ $# -gt 0 ]; do
    case "$1" in
        --root) root=$2; shift 2 ;;
        --base-root) base_root=$2; shift 2 ;;
        --prepare) prepare+=("$2"); shift 2 ;;
        --make-template) make_template=1; shift ;;
        --template-only) template_only=1; shift ;;
        --locale) locale=$2; shift 2 ;;
        *) break ;;
    esac
done
[ -n "$root" ] && [ -n "$base_root" ] || { echo "run-scenario.sh: --root and --base-root are required" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../../tools/wine-host.sh
. "$here/../../tools/wine-host.sh"
# A template made by other preparing programs (an older build of them), from other
# prefix settings, or by Wine run another way, is made anew. Its first line is
# cmake/wine-run.sh's own mark, which is what that script reads of it.
signature="made by: $KESTRIN_WINE_WAY, settings $(cksum <"$here/../../cmake/wine-prefix.reg" | cut -d' ' -f1)
prepared by:"
for program in "${prepare[@]}"; do signature+=" $(stat -c '%n %Y' "$program")"; done
ready() { [ -f "$1/.kestrin-ready" ] && [ "$(cat "$1/.kestrin-ready")" = "$signature" ]; }
wine_run=$here/../../cmake/wine-run.sh
export WINEDEBUG=${KESTRIN_WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="

if [ -n "${make_template:-}" ]; then
    # Called by ourselves under the template lock.
    t=$root/template
    ready "$t" && exit 0
    mkdir -p "$base_root"
    flock -o "$base_root/template.lock" "$wine_run" --create-template "$base_root/template" || exit 1
    mkdir -p "$root"
    [ -d "$t" ] && WINEPREFIX=$t wineserver -k >/dev/null 2>&1
    rm -rf "$t"
    cp -al "$base_root/template" "$t"
    rm -f "$t/.kestrin-ready"
    for f in system.reg user.reg userdef.reg; do
        cp --remove-destination "$base_root/template/$f" "$t/$f"
    done
    for program in "${prepare[@]}"; do
        # Wine's helper processes inherit our output and would hold CTest's pipe open.
        log=$(mktemp)
        WINEPREFIX=$t DISPLAY= wine "$program" </dev/null >"$log" 2>&1
        status=$?
        cat "$log"
        rm -f "$log"
        [ $status -eq 0 ] || { echo "run-scenario.sh: $program failed" >&2; exit 1; }
    done
    # Wait for the server to write the registry before anyone copies the prefix.
    WINEPREFIX=$t wineserver -w
    echo "$signature" >"$t/.kestrin-ready"
    exit 0
fi

mkdir -p "$root"
if ! ready "$root/template"; then
    args=(--root "$root" --base-root "$base_root")
    for program in "${prepare[@]}"; do args+=(--prepare "$program"); done
    flock -o "$root/template.lock" "$0" "${args[@]}" --make-template || exit 1
fi
[ -n "${template_only:-}" ] && exit 0

# Handed on through env: this shell itself must not try a locale it may not have.
environment=()
if [ -n "${locale:-}" ]; then
    # The system lists zh_CN.UTF-8 as zh_CN.utf8.
    if ! locale -a | tr -d '-' | grep -qix "$(echo "$locale" | tr -d '-')"; then
        if [ ! -d "$root/locale/$locale" ]; then
            mkdir -p "$root/locale"
            flock "$root/locale.lock" sh -c "[ -d '$root/locale/$locale' ] ||
                localedef -i '${locale%%.*}' -f '${locale##*.}' '$root/locale/$locale' >/dev/null 2>&1"
        fi
        environment+=("LOCPATH=$root/locale")
    fi
    environment+=("LC_ALL=$locale")
fi

exec env "${environment[@]}" "$wine_run" --root "$root" --private --display "$@"

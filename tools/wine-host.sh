#!/usr/bin/env bash
# How Windows programs run on this host, decided in one place for every script that
# starts Wine.
#
#   . tools/wine-host.sh    sets and exports KESTRIN_WINE_WAY and, on a host that runs
#                           64-bit programs only, defines `wine` to use Wine's 64-bit loader
#   tools/wine-host.sh      prints the way
#
# The ways:
#   32-and-64-bit  the host runs 32-bit programs: Debian's `wine`, whose prefixes hold a
#                  32-bit half, so both Windows builds run
#   64-bit-only    the host's kernel runs no 32-bit program (or KESTRIN_HOST_64_ONLY=1
#                  says to act as if): Debian's `wine` would still pick the 32-bit loader
#                  and fail, so Wine's 64-bit loader runs everything directly. Its
#                  prefixes have no 32-bit half: 32-bit Windows programs cannot run.
# The answer is probed once and handed down through the environment, so that a run and
# everything it starts agree. Nothing outside the caller's own processes is changed.

if [ -z "${KESTRIN_WINE_WAY:-}" ]; then
    if [ "${KESTRIN_HOST_64_ONLY:-0}" = 1 ] || ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
        KESTRIN_WINE_WAY=64-bit-only
    else
        KESTRIN_WINE_WAY=32-and-64-bit
    fi
fi
export KESTRIN_WINE_WAY

if [ "$KESTRIN_WINE_WAY" = 64-bit-only ]; then
    # Programs that Wine itself starts (wineboot's helpers, a test's children) use the
    # same loader.
    export WINELOADER=/usr/lib/wine/wine64
    wine() { /usr/lib/wine/wine64 "$@"; }
fi

# Why the 32-bit Windows tests cannot run here, for the lines that say they were skipped.
kestrin_no_32bit_reason() {
    if [ "${KESTRIN_HOST_64_ONLY:-0}" = 1 ]; then
        echo "KESTRIN_HOST_64_ONLY=1 makes this host act as one that runs 64-bit programs only"
    else
        echo "this host runs 64-bit programs only (/usr/lib/wine/wine, Wine's 32-bit loader, does not start)"
    fi
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    echo "$KESTRIN_WINE_WAY"
fi

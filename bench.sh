#!/usr/bin/env bash
# Start-up benchmark, kept apart from the tests: under Wine on a virtual display, the
# time from process start to the first page on screen, for kestrin.exe and for a bare
# dialog program built the same way (their ratio is the figure), and the size of every
# shipped file. Prints a table.
#
#   ./bench.sh [RUNS] [PRESET...]      RUNS defaults to 10, presets to win64 win32
set -euo pipefail
cd "$(dirname "$0")"

runs=${1:-10}
shift || true
presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(win64 win32)

tools/install-deps.sh
# shellcheck source=tools/wine-host.sh
. tools/wine-host.sh
if [ "$KESTRIN_WINE_WAY" = 64-bit-only ]; then
    kept=()
    for preset in "${presets[@]}"; do
        if [ "$preset" = win32 ]; then
            echo "win32 skipped: $(kestrin_no_32bit_reason)"
        else
            kept+=("$preset")
        fi
    done
    presets=("${kept[@]}")
fi
for preset in "${presets[@]}"; do
    log=$(mktemp)
    if ! { cmake --preset "$preset" && cmake --build --preset "$preset" -j 2; } >"$log" 2>&1; then
        cat "$log"
        echo "the $preset build failed" >&2
        exit 1
    fi
    rm -f "$log"
done

driver=build/win64/tests/e2e/driver/kestrin_e2e.exe
[ -f "$driver" ] || driver=$(ls build/*/tests/e2e/driver*/kestrin_e2e.exe | head -n 1)

# Times of one program: one run to warm the caches, then RUNS counted ones. Prints
# "median min max" in milliseconds.
time_program() {
    local preset=$1 program=$2
    shift 2
    local log
    log=$(mktemp)
    cmake/wine-run.sh --root "build/$preset/wine" --private --display \
        "$driver" --bench $((runs + 1)) "$program" "$@" >"$log" 2>&1 || { cat "$log" >&2; rm -f "$log"; return 1; }
    sed -n 's/^run \([0-9]*\): \([0-9.]*\) ms.*/\1 \2/p' "$log" | awk '$1 > 1 { print $2 }' | sort -n | awk '
        { t[NR] = $1 }
        END {
            if (NR == 0) { print "- - -"; exit }
            m = NR % 2 ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2
            printf "%.0f %.0f %.0f\n", m, t[1], t[NR]
        }'
    rm -f "$log"
}

declare -A median
printf '\nStart-up under Wine: process start to first page on screen, %d runs each (after one warm-up run)\n\n' "$runs"
printf '| build | program | median ms | min ms | max ms |\n|---|---|---:|---:|---:|\n'
for preset in "${presets[@]}"; do
    bin=$(pwd)/build/$preset/bin
    read -r m lo hi < <(time_program "$preset" "$bin/kestrin.exe" eng Kiosk1 'C:\Drivers\Tavik\tavik')
    printf '| %s | kestrin.exe | %s | %s | %s |\n' "$preset" "$m" "$lo" "$hi"
    median[$preset.kestrin]=$m
    read -r m lo hi < <(time_program "$preset" "$(pwd)/build/$preset/bench/bare_dialog.exe")
    printf '| %s | bare_dialog.exe | %s | %s | %s |\n' "$preset" "$m" "$lo" "$hi"
    median[$preset.bare]=$m
done
printf '\n| build | ratio kestrin.exe / bare dialog (medians) |\n|---|---:|\n'
for preset in "${presets[@]}"; do
    awk -v k="${median[$preset.kestrin]}" -v b="${median[$preset.bare]}" -v p="$preset" \
        'BEGIN { if (b > 0) printf "| %s | %.2f |\n", p, k / b; else printf "| %s | - |\n", p }'
done

# Sizes of the files as shipped: from the release archive, which the 32-bit build makes
# with both programs (the 64-bit one in x64/).
printf '\nShipped files (bytes, as in the release archive)\n\n'
if [ -f build/win32/CPackConfig.cmake ]; then
    packed=$(cd build/win32 && cpack -G ZIP --config CPackConfig.cmake 2>&1) || { echo "$packed" >&2; exit 1; }
    zip=$(ls build/win32/package/Kestrin-*.zip)
    printf '| file | bytes |\n|---|---:|\n'
    unzip -Zl "$zip" | awk '$1 ~ /^-/ && $NF !~ /\/$/ { sub(/^[^\/]*\//, "", $NF); printf "| %s | %s |\n", $NF, $4 }' | sort
    printf '| (archive) | %s |\n' "$(stat -c %s "$zip")"
    # Whether the sizes above include signatures.
    printf '\n%s\n' "$(grep -E 'release archive not signed|signed [0-9]+ files' <<<"$packed" | sed 's/^-- //')"
else
    echo "(no 32-bit build: configure and build the win32 preset for the release archive)"
fi

#!/usr/bin/env bash
# Builds the fuzz preset and runs every fuzz target for SECONDS (default 10) from its seed
# corpus, one target after another. Inputs that find new paths are kept under
# build/fuzz/corpus; an input that crashes, hangs or breaks a property is kept under
# build/fuzz/findings and makes the script fail.
#
#   ./fuzz.sh 600        # ten minutes per target
set -uo pipefail
cd "$(dirname "$0")"

seconds=${1:-10}
if ! [[ $seconds =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: $0 [SECONDS]" >&2
    exit 2
fi
targets=(command_line inf_file install_sequence pe_imports serial_port)

cmake --preset fuzz >/dev/null || exit 1
cmake --build --preset fuzz -j 2 || exit 1

build=build/fuzz
mkdir -p "$build/findings"
failed=0
results=()
for target in "${targets[@]}"; do
    work="$build/corpus/$target"
    log="$build/$target.log"
    mkdir -p "$work"
    echo "== fuzz $target for ${seconds}s"
    # A single input that takes more than 10 s counts as a hang. Slow inputs (a spooler
    # that knows every name) are picked less often, or they would eat most of the time.
    "$build/fuzz/${target}_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -entropic_scale_per_exec_time=1 -print_final_stats=1 -artifact_prefix="$build/findings/$target-" \
        "$work" "fuzz/corpus/$target" >"$log" 2>&1
    status=$?
    runs=$(grep -oE '^stat::number_of_executed_units: *[0-9]+' "$log" | grep -oE '[0-9]+$' | tail -n 1)
    if [ "$status" -ne 0 ]; then
        failed=1
        grep -E 'ERROR|SUMMARY|property does not hold|Test unit written' "$log" | head -n 20
        results+=("$target: FINDING after ${runs:-?} executions (log: $log)")
    else
        results+=("$target: ${runs:-?} executions in ${seconds}s, no finding")
    fi
done

echo "== fuzz results"
printf '%s\n' "${results[@]}"
exit $failed

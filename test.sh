#!/usr/bin/env bash
# Builds everything and runs every test: natively, with sanitizers, and the 64-bit and
# 32-bit Windows builds under Wine; checks formatting and runs the static analysers; runs
# each fuzz target for KESTRIN_FUZZ_SECONDS (default 30). Exits non-zero on any failure.
set -uo pipefail
cd "$(dirname "$0")"

tools/install-deps.sh || { echo "could not install the build dependencies" >&2; exit 1; }

presets=(host host-asan win64 win32)
jobs=$(nproc)

for preset in "${presets[@]}"; do
    echo "== build $preset"
    cmake --preset "$preset" >/dev/null || exit 1
    cmake --build --preset "$preset" -j "$jobs" || exit 1
done

failed=0

# Each fuzz target for a bounded time from its corpus, then static analysis (which reads
# the fuzz build's compile database too); a finding fails the run like a failed test.
checks=()
if ./fuzz.sh "${KESTRIN_FUZZ_SECONDS:-30}"; then checks+=("fuzz: no finding"); else checks+=("fuzz: FINDINGS"); failed=1; fi
if tools/analyse.sh; then checks+=("analysis: clean"); else checks+=("analysis: FINDINGS"); failed=1; fi

summary=()
total_passed=0
total_failed=0
for preset in "${presets[@]}"; do
    echo "== test $preset"
    log=$(mktemp)
    # Under load Wine now and then fails to start a process at all (seen both for a
    # test's own probe and for rundll32 under the end-to-end debugger); a Windows test
    # that fails is run once more, and only a second failure counts.
    repeat=()
    [[ $preset == win* ]] && repeat=(--repeat until-pass:2)
    ctest --preset "$preset" -j "$jobs" "${repeat[@]}" 2>&1 | tee "$log"
    [ "${PIPESTATUS[0]}" -eq 0 ] || failed=1
    line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1)
    summary+=("$preset: ${line:-no test summary}")
    if [[ $line =~ ([0-9]+)\ tests\ failed\ out\ of\ ([0-9]+) ]]; then
        total_failed=$((total_failed + BASH_REMATCH[1]))
        total_passed=$((total_passed + BASH_REMATCH[2] - BASH_REMATCH[1]))
    else
        failed=1
    fi
    rm -f "$log"
done

echo
printf '%s\n' "${checks[@]}"
echo "== summary"
printf '%s\n' "${summary[@]}"
echo "tests: $total_passed passed, $total_failed failed"
exit $failed

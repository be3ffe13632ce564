#!/usr/bin/env bash
# Builds everything and runs every test: natively, with sanitizers, and the 64-bit and
# 32-bit Windows builds under Wine; checks formatting and runs the static analysers; runs
# each fuzz target for KESTRIN_FUZZ_SECONDS (default 10) and the mutants of
# tools/mutants.sh. Exits non-zero on any failure.
#
# The steps (the table below) run side by side as far as they do not wait on each other,
# each with its output in build/test-logs/<step>.log. A line tells when each one ends;
# at the end come the output of every step that failed, the fuzz, analysis and mutant
# results, the tests' summary and how long each step took.
set -uo pipefail
cd "$(dirname "$0")"
# EPOCHREALTIME, which times the steps, and awk read decimals with a point.
export LC_NUMERIC=C

logs=build/test-logs
rm -rf "$logs"
mkdir -p "$logs"
jobs=$(nproc)
run_start=$EPOCHREALTIME

seconds_since() { awk -v a="$1" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.0f", b - a }'; }
clock() { local s=$1; printf '%d:%02d' $((s / 60)) $((s % 60)); }

install_start=$EPOCHREALTIME
tools/install-deps.sh || { echo "could not install the build dependencies" >&2; exit 1; }
install_time=$(seconds_since "$install_start")
# How Wine runs here, probed once for every step (tools/wine-host.sh): on a host that runs
# 64-bit programs only, the 32-bit tree is built and checked statically, and its tests
# under Wine are counted as skipped.
# shellcheck source=tools/wine-host.sh
. tools/wine-host.sh

build_preset() {
    local preset=$1
    shift
    cmake --preset "$preset" "$@" >/dev/null && cmake --build --preset "$preset" -j "$jobs"
}

# Under load Wine now and then fails to start a process at all: the new process dies
# before it runs any code of its own. The harness says so in a line of its own (see
# kNotStartedLine in tests/support/utility.h); a Windows test whose output holds one is run
# once more, and the line is shown. A test that failed for any other reason fails the run.
# Writes the preset's summary line to $logs/<preset>.summary.
test_preset() {
    local preset=$1 parallel=$2
    local log=$logs/$preset.ctest
    ctest --preset "$preset" -j "$parallel" 2>&1 | tee "$log"
    local status=${PIPESTATUS[0]}
    local line
    line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | tail -n 1)
    if ! [[ $line =~ ([0-9]+)\ tests\ failed\ out\ of\ ([0-9]+) ]]; then
        echo "$preset: no test summary" >"$logs/$preset.summary"
        return 1
    fi
    local preset_failed=${BASH_REMATCH[1]} preset_total=${BASH_REMATCH[2]} failed=0
    [ "$status" -ne 0 ] && [ "$preset_failed" -eq 0 ] && failed=1
    # Tests that cannot run on this host are registered disabled: CTest lists them as not run.
    local skipped
    skipped=$(grep -c -E '^[[:space:]]+[0-9]+ - .* \(Disabled\)$' "$log")
    # The failed tests as CTest lists them at the end ("  12 - name (Failed)"), each with
    # its output from CTest's log.
    local reruns=() number name reason
    while read -r number name; do
        reason=$(awk -v name="$name" '/^[0-9]+\/[0-9]+ Testing: / { on = substr($0, index($0, ": ") + 2) == name } on' \
            "build/$preset/Testing/Temporary/LastTest.log" | grep -m 1 '^process not started: ')
        [[ $preset == win* && -n $reason ]] && reruns+=("$number $name $reason")
    done < <(awk '/The following tests FAILED:/ { on = 1; next } on && $2 == "-" { print $1, $3 }' "$log")
    local note="" rerun
    for rerun in "${reruns[@]}"; do
        read -r number name reason <<<"$rerun"
        echo "rerun $name: Wine could not start a process: $reason"
        ctest --preset "$preset" -I "$number,$number" && preset_failed=$((preset_failed - 1))
        note=" (${#reruns[@]} run again as Wine could not start a process)"
    done
    [ "$preset_failed" -eq 0 ] || failed=1
    [ "$skipped" -gt 0 ] && note+=", $skipped skipped: $(kestrin_no_32bit_reason)"
    echo "$preset: $((preset_total - preset_failed)) of $preset_total tests passed$note" >"$logs/$preset.summary"
    echo "$preset $((preset_total - preset_failed)) $preset_failed $skipped" >"$logs/$preset.counts"
    return $failed
}

export -f build_preset test_preset kestrin_no_32bit_reason
export jobs logs

# The steps: name, whether it is a build (two of which run at a time), its niceness, the
# steps it needs, and its command. Earlier rows start first when several could. The fuzz
# targets run for a fixed time each, one after another on one processor, beside whatever
# else runs: they come first, so that they get that processor whole. (The host build
# first, for the mutants to run beside the other builds, was measured a minute slower:
# the 32-bit tree, whose tests come last, then started late.) The Windows tests, which
# wait on Wine and its windows as much as they compute, come next (three at a time in
# each tree), then the builds; the other checks take what the Windows tests leave. The
# Wine prefixes the Windows tests start from (under each tree's default
# KESTRIN_WINE_ROOT) are made while the builds run: making one mostly waits on Wine. The
# 32-bit tree takes the 64-bit end-to-end driver and the 64-bit shipped files (for the
# release archive) from the win64 tree instead of building the same programs again.
win64_driver=$(pwd)/build/win64/tests/e2e/driver/kestrin_e2e.exe
win64_bin=$(pwd)/build/win64/bin
steps=(
    "build fuzz|1|0||build_preset fuzz"
    "fuzz|0|-10|build fuzz|./fuzz.sh ${KESTRIN_FUZZ_SECONDS:-10}"
    "wine prefixes|0|-5||cmake/wine-run.sh --root build/win64/wine --template-only$(
        [ "$KESTRIN_WINE_WAY" = 64-bit-only ] || echo " && cmake/wine-run.sh --root build/win32/wine --template-only")"
    "build win64|1|0||build_preset win64"
    "build win32|1|0||build_preset win32 $(printf %q "-DKESTRIN_E2E_DRIVER=$win64_driver") $(printf %q "-DKESTRIN_X64_BIN_DIR=$win64_bin")"
    "build host-asan|1|0||build_preset host-asan"
    "build host|1|0||build_preset host"
    "test win64|0|-5|build win64|test_preset win64 3"
    "test win32|0|-5|build win32,build win64|test_preset win32 3"
    "test host|0|10|build host|test_preset host $jobs"
    "test host-asan|0|10|build host-asan|test_preset host-asan $jobs"
    "mutants|0|10|build host|tools/mutants.sh"
    "analysis|0|10|build host,build win64,build fuzz|tools/analyse.sh"
)
# Only root may raise a process's priority; anyone else runs every step ten steps nicer.
nice_base=0
[ "$(nice -n -1 nice 2>/dev/null)" -lt "$(nice)" ] || nice_base=10

declare -A build niceness needs command state started duration
order=()
for row in "${steps[@]}"; do
    IFS='|' read -r name w p n c <<<"$row"
    order+=("$name")
    build[$name]=$w
    niceness[$name]=$p
    needs[$name]=$n
    command[$name]=$c
    state[$name]=waiting
done
log_of() { echo "$logs/${1// /-}.${2:-log}"; }

# Two builds at a time, each with as many jobs as there are processors: one build
# waiting on its linker or a sub-build's configure step leaves room for the other.
build_slots=2
builds=0
running=0
remaining=${#order[@]}
declare -A step_of

# One pass over the table: starts what is ready and fits, marks what cannot run any
# more. Returns non-zero when it marked one (its followers need another pass).
start_ready_steps() {
    local name need ready wanted marked=0
    for name in "${order[@]}"; do
        [ "${state[$name]}" = waiting ] || continue
        ready=1
        IFS=',' read -ra wanted <<<"${needs[$name]}"
        for need in "${wanted[@]}"; do
            case ${state[$need]} in
                passed) ;;
                failed | skipped)
                    ready=skip
                    break
                    ;;
                *) ready=0 ;;
            esac
        done
        if [ "$ready" = skip ]; then
            state[$name]=skipped
            remaining=$((remaining - 1))
            marked=1
            printf '%6s  %-16s not run: %s did not pass\n' "$(clock "$(seconds_since "$run_start")")" "$name" \
                "${needs[$name]}"
            continue
        fi
        [ "$ready" = 1 ] || continue
        [ $((builds + build[$name])) -le "$build_slots" ] || continue
        started[$name]=$EPOCHREALTIME
        # The step's processor time, its own and its children's, goes to $logs/<step>.times.
        nice -n $((nice_base + niceness[$name])) bash -c "(${command[$name]})"'; status=$?; times >"$0"; exit $status' \
            "$(log_of "$name" times)" >"$(log_of "$name")" 2>&1 </dev/null &
        step_of[$!]=$name
        state[$name]=running
        running=$((running + 1))
        builds=$((builds + build[$name]))
    done
    return $marked
}

while [ "$remaining" -gt 0 ]; do
    until start_ready_steps; do :; done
    [ "$remaining" -gt 0 ] || break
    if [ "$running" -eq 0 ]; then
        echo "test.sh: no step can start; the table of steps names a step that is not in it" >&2
        exit 1
    fi
    pid=""
    wait -n -p pid
    status=$?
    [ -n "$pid" ] || continue
    name=${step_of[$pid]}
    duration[$name]=$(seconds_since "${started[$name]}")
    running=$((running - 1))
    builds=$((builds - build[$name]))
    remaining=$((remaining - 1))
    if [ "$status" -eq 0 ]; then state[$name]=passed; else state[$name]=failed; fi
    printf '%6s  %-16s %s after %s\n' "$(clock "$(seconds_since "$run_start")")" "$name" "${state[$name]}" \
        "$(clock "${duration[$name]}")"
done

failed=0
for name in "${order[@]}"; do
    [ "${state[$name]}" = passed ] && continue
    failed=1
    [ "${state[$name]}" = failed ] || continue
    echo
    echo "== $name failed; its output ($(log_of "$name")), without the lines of what passed:"
    # Left out: a build's progress lines and its sub-builds' configure messages, a test
    # step's passing tests.
    grep -v -E '^\[[0-9]+/[0-9]+\] |^-- |^ +Start +[0-9]+: |^ *[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed +[0-9.]+ sec$' \
        "$(log_of "$name")"
done

echo
[ "${state[fuzz]}" = passed ] && sed -n '/^== fuzz results/,$p' "$(log_of fuzz)"
[ "${state[mutants]}" = passed ] && grep -E '^(== )?mutant' "$(log_of mutants)"
checks=("fuzz|no finding|FINDINGS" "analysis|clean|FINDINGS" "mutants|all caught|SURVIVORS or not built")
for check in "${checks[@]}"; do
    IFS='|' read -r name good bad <<<"$check"
    case ${state[$name]:-} in
        passed) echo "$name: $good" ;;
        failed) echo "$name: $bad" ;;
        *) echo "$name: not run" ;;
    esac
done

# Whether package.contents packed the archive signed (see cmake/sign-release.cmake).
[ -n "${KESTRIN_SIGN_PKCS12:-}" ] && echo "release archive signed with $KESTRIN_SIGN_PKCS12" ||
    echo "release archive not signed (KESTRIN_SIGN_PKCS12 not set)"
echo "== summary"
total_passed=0
total_failed=0
total_skipped=0
for preset in host host-asan win64 win32; do
    if [ -f "$logs/$preset.counts" ]; then
        cat "$logs/$preset.summary"
        read -r _ passed_count failed_count skipped_count <"$logs/$preset.counts"
        total_passed=$((total_passed + passed_count))
        total_failed=$((total_failed + failed_count))
        total_skipped=$((total_skipped + skipped_count))
    else
        # Its build, its Wine prefix or the listing of its tests failed: that is a failure
        # of its own, whatever the other presets counted.
        echo "$preset: its tests did not run (see build/test-logs/)"
        failed=1
        total_failed=$((total_failed + 1))
    fi
done
if [ "$total_skipped" -gt 0 ]; then
    echo "skipped: the 32-bit Windows tests, as $(kestrin_no_32bit_reason); the 32-bit build is checked statically"
    echo "tests: $total_passed passed, $total_failed failed, $total_skipped skipped"
else
    echo "tests: $total_passed passed, $total_failed failed"
fi

# The processor time a step used, user and system, its children's included (Wine's
# servers, which leave their parents, not).
cpu_of() {
    [ -f "$1" ] || { echo -; return; }
    clock "$(sed -E 's/([0-9]+)m([0-9.]+)s/\1 \2/g' "$1" | awk '{ t += $1 * 60 + $2 + $3 * 60 + $4 } END { printf "%.0f", t }')"
}
echo "== times (minutes:seconds; steps side by side overlap; cpu: processor time used)"
printf '%-16s %6s %6s %6s  %s\n' step start took cpu result
printf '%-16s %6s %6s %6s  %s\n' install 0:00 "$(clock "$install_time")" - passed
for name in "${order[@]}"; do
    if [ -n "${started[$name]:-}" ]; then
        offset=$(awk -v a="$run_start" -v b="${started[$name]}" 'BEGIN { printf "%.0f", b - a }')
        printf '%-16s %6s %6s %6s  %s\n' "$name" "$(clock "$offset")" "$(clock "${duration[$name]}")" \
            "$(cpu_of "$(log_of "$name" times)")" "${state[$name]}"
    else
        printf '%-16s %6s %6s %6s  %s\n' "$name" - - - "${state[$name]}"
    fi
done
printf '%-16s %6s %6s\n' total 0:00 "$(clock "$(seconds_since "$run_start")")"
exit $failed

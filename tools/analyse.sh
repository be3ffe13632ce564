#!/usr/bin/env bash
# Static checks, each of which fails the run on any finding:
#  - clang-format: every tracked C++ file is formatted as .clang-format says;
#  - cppcheck: every source in the compile databases of the host, win64 and fuzz builds
#    (the Windows sources through the win64 one); suppressions with their reasons are in
#    tools/cppcheck-suppressions.txt;
#  - clang-tidy: the portable core, with the checks in .clang-tidy.
# The presets must have been configured first, for their compile_commands.json.
set -uo pipefail
cd "$(dirname "$0")/.."

failed=0

if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    mapfile -t sources < <(git ls-files -- '*.cpp' '*.h')
else
    mapfile -t sources < <(find core win tests fuzz -name '*.cpp' -o -name '*.h' 2>/dev/null)
fi

echo "== clang-format (${#sources[@]} files)"
clang-format --dry-run --Werror "${sources[@]}" || failed=1

# Errors, warnings, performance and portability; not the style group, whose nits (const
# here, a narrower scope there) must not fail a build.
cppcheck_options=(
    --enable=warning,performance,portability --std=c++20 --inline-suppr --quiet
    --error-exitcode=1 --suppressions-list=tools/cppcheck-suppressions.txt
    --template='{file}:{line}: {severity} ({id}): {message}'
    -i/usr/src  # GoogleTest's own sources
)
for preset in host win64 fuzz; do
    database="build/$preset/compile_commands.json"
    if [ ! -f "$database" ]; then
        [ "$preset" = fuzz ] && continue  # only there once the fuzz preset was configured
        echo "cppcheck: $database is missing; configure the $preset preset first" >&2
        failed=1
        continue
    fi
    extra=()
    case $preset in
        host) extra=(--library=googletest) ;;
        # The compile database does not carry the compiler's own macros.
        win64) extra=(--library=googletest --library=windows --platform=win64 -D_WIN32 -D_WIN64 -D__MINGW32__) ;;
    esac
    echo "== cppcheck ($preset)"
    cppcheck --project="$database" "${cppcheck_options[@]}" "${extra[@]}" || failed=1
done

echo "== clang-tidy (portable core)"
database=build/host/compile_commands.json
if [ -f "$database" ]; then
    root=$(pwd)
    mapfile -t core < <(sed -nE 's/^ *"file": "([^"]*)".*/\1/p' "$database" |
        grep -E "^$root/core/" | sort -u)
    # Only the findings: the count of suppressed system-header warnings is noise.
    printf '%s\n' "${core[@]}" | xargs -r -P 2 -n 1 clang-tidy -p build/host --quiet 2> >(grep -v 'warnings generated' >&2) ||
        failed=1
else
    echo "clang-tidy: $database is missing; configure the host preset first" >&2
    failed=1
fi

[ $failed -eq 0 ] && echo "== analysis: clean" || echo "== analysis: FINDINGS"
exit $failed

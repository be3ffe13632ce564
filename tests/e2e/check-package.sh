#!/usr/bin/env bash
# Builds the release archive of the 32-bit build tree and checks it: exactly the files
# named, in one folder, the programs without debugging information, the ReadMe with
# Windows line ends. It stays unpacked in BUILD_DIR/package/unpacked. (What the
# programs in it may import, shipped.xp_imports checks.)
#
#   check-package.sh BUILD_DIR PACKAGE_NAME OBJDUMP X64_OBJDUMP FILE...
set -u
build=$1
name=$2
objdump=$3
objdump64=$4
shift 4
expected=$(printf '%s\n' "$@" | sort | tr '\n' ' ' | sed 's/ $//')

cd "$build" || exit 1
out=$(cpack -G ZIP --config CPackConfig.cmake 2>&1) || { echo "$out"; echo "cpack failed"; exit 1; }
archive=$build/package/$name.zip
[ -f "$archive" ] || { echo "no archive $archive"; exit 1; }

failed=0
listed=$(unzip -Z1 "$archive" | grep -v '/$' | sed "s|^$name/||" | sort | tr '\n' ' ' | sed 's/ $//')
if [ "$listed" != "$expected" ]; then
    echo "FAIL: $archive holds: $listed"
    echo "      expected:  $expected"
    failed=1
fi
if unzip -Z1 "$archive" | grep -v "^$name/" | grep -q .; then
    echo "FAIL: files outside the folder $name/"
    failed=1
fi

work=$build/package/unpacked
rm -rf "$work"
mkdir -p "$work"
unzip -q "$archive" -d "$work"
if grep -q $'\r$' "$work/$name/ReadMe.txt"; then :; else
    echo "FAIL: ReadMe.txt has bare line feeds"
    failed=1
fi
for program in "$work/$name"/*.exe "$work/$name"/*.dll "$work/$name"/x64/*.exe "$work/$name"/x64/*.dll; do
    [ -f "$program" ] || continue
    tool=$objdump
    [[ $program == */x64/* ]] && tool=$objdump64
    sections=$("$tool" -h "$program" | awk '$2 ~ /^\.(debug|zdebug)/ { print $2 }' | tr '\n' ' ')
    if [ -n "$sections" ]; then
        echo "FAIL: ${program#"$work/"} carries debugging information: $sections"
        failed=1
    fi
done

[ $failed -eq 0 ] && echo "$archive: $expected ($(stat -c %s "$archive") bytes)"
exit $failed

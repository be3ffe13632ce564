#!/usr/bin/env bash
# Builds the release archive of one Windows build tree and checks it: exactly the
# files named, in one folder, the ReadMe with Windows line ends. (What the programs in
# it may import, shipped.xp_imports checks.)
#
#   check-package.sh BUILD_DIR PACKAGE_NAME FILE...
set -u
build=$1
name=$2
shift 2
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

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unzip -q "$archive" -d "$work"
if grep -q $'\r$' "$work/$name/ReadMe.txt"; then :; else
    echo "FAIL: ReadMe.txt has bare line feeds"
    failed=1
fi

[ $failed -eq 0 ] && echo "$archive: $expected"
exit $failed

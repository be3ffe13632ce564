#!/usr/bin/env bash
# Builds the release archive of one Windows build tree and checks it: exactly the
# files named, and no program or library in it that needs a DLL from outside the
# system's own folder.
#
#   check-package.sh BUILD_DIR OBJDUMP PACKAGE_NAME FILE...
set -u
build=$1
objdump=$2
name=$3
shift 3
expected=$(printf '%s\n' "$@" | sort | tr '\n' ' ' | sed 's/ $//')

# DLLs that Windows always takes from its own folder (known DLLs and their kin), so a
# copy planted beside the program is never loaded. WINSPOOL.DRV is not among them.
system_dlls="kernel32.dll user32.dll gdi32.dll advapi32.dll msvcrt.dll shell32.dll comctl32.dll
comdlg32.dll ole32.dll oleaut32.dll shlwapi.dll"

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
for file in "$@"; do
    path=$work/$name/$file
    [[ $file == *.exe || $file == *.dll ]] && [ -f "$path" ] || continue
    for dll in $("$objdump" -p "$path" | sed -n 's/^\s*DLL Name: //p'); do
        lower=$(echo "$dll" | tr 'A-Z' 'a-z')
        if ! grep -qw -- "$lower" <<<"$system_dlls"; then
            echo "FAIL: $file needs $dll, which is not a system DLL"
            failed=1
        fi
    done
done
if ! "$objdump" -p "$work/$name/kestrin.exe" | grep -q 'DLL Name'; then
    echo "FAIL: cannot read the imports of kestrin.exe"
    failed=1
fi
if grep -q $'\r$' "$work/$name/ReadMe.txt"; then :; else
    echo "FAIL: ReadMe.txt has bare line feeds"
    failed=1
fi

[ $failed -eq 0 ] && echo "$archive: $expected; imports: system DLLs only"
exit $failed

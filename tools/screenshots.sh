#!/usr/bin/env bash
# Builds the 64-bit Windows preset and regenerates docs/screenshots/: each wizard page in
# each language, as Wine shows it on a virtual display.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target kestrin_page_shots

out=$(pwd)/docs/screenshots
mkdir -p "$out"
rm -f "$out"/*.png
# A display and a Wine prefix of its own, as the GUI tests have.
KESTRIN_DISPLAY=1 cmake/wine-run.sh --root build/win64/wine build/win64/tests/win/wizard/kestrin_page_shots.exe "$out"
for bmp in "$out"/*.bmp; do
    convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done
ls "$out"

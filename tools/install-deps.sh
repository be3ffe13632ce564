#!/usr/bin/env bash
# Installs, from the distribution's packages, whatever the build and its tests need and
# the machine lacks. Quick when everything is there already.
set -euo pipefail

packages=(
    cmake ninja-build g++ googletest
    g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32 python3
    wine wine64 wine32:i386
    xvfb x11-utils imagemagick fonts-wqy-microhei fonts-wine
    clang libclang-rt-14-dev cppcheck clang-tidy clang-format
    zip unzip locales
    osslsigncode openssl
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null

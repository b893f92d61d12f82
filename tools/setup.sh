#!/bin/bash
# Installs what building and testing the viewer needs, if it is missing, then
# configures and builds it in build/. Sourced by run.sh and test.sh.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build"

# Debian packages: compiler and CMake, Qt 6 Widgets (its JPEG reader comes with
# libqt6gui6), a font so that tile codes render on the offscreen platform, and
# desktop-file-validate for the install test.
packages=(cmake g++ make qt6-base-dev fonts-dejavu-core desktop-file-utils)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' \
        || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing ${missing[*]}"
    apt-get update -q
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" --parallel "$(nproc)"

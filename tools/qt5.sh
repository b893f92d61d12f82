#!/bin/bash
# SPDX-License-Identifier: MIT
# Builds the programs and every test against Qt 5.15 in build-qt5/ and runs the
# tests: the sources are kept buildable with both Qt 5 and Qt 6. This build
# also opens map files through Qt alone (VELMORA_PORTABLE_IO), as a system
# without POSIX calls does, so that that way is compiled and tested too; the
# tests that need POSIX behaviour say so as they skip. Run by test.sh.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build-qt5"
source "$root/tools/installPackages.sh"

needPackages "${buildPackages[@]}" "${qt5Packages[@]}" "${testPackages[@]}"

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_QT_MAJOR=5 \
    -DVELMORA_PORTABLE_IO=ON >/dev/null
cmake --build "$build" --parallel "$(nproc)"
ctest --test-dir "$build" --output-on-failure

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

# What setup.sh installs, with Qt 5's own library and translations.
needPackages cmake g++ make qtbase5-dev fonts-dejavu-core qttranslations5-l10n \
    shared-mime-info libglib2.0-bin tiled desktop-file-utils appstream groff-base mandoc

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_QT_MAJOR=5 \
    -DVELMORA_PORTABLE_IO=ON >/dev/null
cmake --build "$build" --parallel "$(nproc)"
ctest --test-dir "$build" --output-on-failure

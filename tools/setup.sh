#!/bin/bash
# SPDX-License-Identifier: MIT
# Installs what building and testing the viewer needs, if it is missing, then
# configures and builds it in build/. Sourced by run.sh and test.sh.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build"

source "$root/tools/installPackages.sh"
# Compiler and CMake, Qt 6 Widgets (its JPEG reader comes with libqt6gui6), a
# font so that tile codes render on the offscreen platform, Qt's translations
# for the French context menu test, and the validators of the install test:
# desktop-file-validate, appstreamcli, update-mime-database, gio, groff and mandoc;
# for the walk of the window over AT-SPI, a session bus, a virtual display,
# the AT-SPI registry and pyatspi; Tiled, for the tests of its extension.
needPackages cmake g++ make qt6-base-dev fonts-dejavu-core qt6-translations-l10n \
    desktop-file-utils appstream shared-mime-info libglib2.0-bin groff-base mandoc \
    dbus-daemon xvfb xauth at-spi2-core python3-pyatspi tiled

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" --parallel "$(nproc)"

#!/bin/bash
# SPDX-License-Identifier: MIT
# Installs what building and testing the viewer needs, if it is missing, then
# configures and builds it in build/. Sourced by run.sh and test.sh.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build"

source "$root/tools/installPackages.sh"
# Compiler and CMake, Qt 6 Widgets (its JPEG reader comes with libqt6gui6), a
# font so that tile codes render on the offscreen platform, and
# desktop-file-validate for the install test.
needPackages cmake g++ make qt6-base-dev fonts-dejavu-core desktop-file-utils

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" --parallel "$(nproc)"

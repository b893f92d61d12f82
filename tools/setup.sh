#!/bin/bash
# SPDX-License-Identifier: MIT
# Installs what building and testing the viewer needs, if it is missing, then
# configures and builds it in build/. Sourced by run.sh and test.sh.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build"

source "$root/tools/installPackages.sh"
needPackages "${buildPackages[@]}" "${qt6Packages[@]}" "${testPackages[@]}" "${atspiPackages[@]}"

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" --parallel "$(nproc)"

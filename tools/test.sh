#!/bin/bash
# SPDX-License-Identifier: MIT
# Builds the viewer and runs every test, then the same tests built with Qt 5.15
# (tools/qt5.sh), the Debian package built twice and compared, checked with
# lintian, installed, started from its menu entry and purged
# (tools/package.sh --check), and the tests under the sanitizers with a minute
# of fuzzing the map reader (tools/robustness.sh), and last the Windows
# build, tried under Wine (tools/windows.sh --check; its first run builds Qt
# for Windows, about half an hour, then kept in /var/cache/velmora).
# VELMORA_QT5=0, VELMORA_PACKAGE=0, VELMORA_ROBUSTNESS=0 and VELMORA_WINDOWS=0
# skip those stages. Each stage prints its time.
set -euo pipefail
tools=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

stage() {
    local name=$1 start=$SECONDS
    shift
    "$@"
    echo "== $name took $((SECONDS - start)) s"
}

qt6() {
    source "$tools/setup.sh"
    ctest --test-dir "$build" --output-on-failure
}

stage "build and tests with Qt 6" qt6
if [ "${VELMORA_QT5:-1}" != 0 ]; then
    stage "build and tests with Qt 5" bash "$tools/qt5.sh"
fi
if [ "${VELMORA_PACKAGE:-1}" != 0 ]; then
    stage "Debian package" bash "$tools/package.sh" --check
fi
if [ "${VELMORA_ROBUSTNESS:-1}" != 0 ]; then
    stage "sanitizers and fuzzing" bash "$tools/robustness.sh"
fi
if [ "${VELMORA_WINDOWS:-1}" != 0 ]; then
    stage "Windows build under Wine" bash "$tools/windows.sh" --check
fi

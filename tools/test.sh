#!/bin/bash
# SPDX-License-Identifier: MIT
# Builds the viewer and runs every test.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"

ctest --test-dir "$build" --output-on-failure

# The same tests built against Qt 5.15 (tools/qt5.sh), then the Debian package
# built twice and compared, checked with lintian, installed, started from its
# menu entry and purged (tools/package.sh --check); VELMORA_QT5=0 and
# VELMORA_PACKAGE=0 skip them.
if [ "${VELMORA_QT5:-1}" != 0 ]; then
    bash "$(dirname "${BASH_SOURCE[0]}")/qt5.sh"
fi
if [ "${VELMORA_PACKAGE:-1}" != 0 ]; then
    bash "$(dirname "${BASH_SOURCE[0]}")/package.sh" --check
fi

# Then the same tests under the sanitizers and a minute of fuzzing the map
# reader (tools/robustness.sh); VELMORA_ROBUSTNESS=0 skips both.
if [ "${VELMORA_ROBUSTNESS:-1}" != 0 ]; then
    bash "$(dirname "${BASH_SOURCE[0]}")/robustness.sh"
fi

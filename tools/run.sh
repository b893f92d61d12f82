#!/bin/bash
# SPDX-License-Identifier: MIT
# Builds the viewer and starts it on the sample maps: the viewer reads map
# names relative to its working directory, so it is started inside maps/.
set -euo pipefail

# Said before anything is installed or built, which takes minutes.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "velmora: no display found (DISPLAY and WAYLAND_DISPLAY are unset); run this from a desktop session, or without one: apt-get install -y xvfb && xvfb-run -a bash tools/run.sh" >&2
    exit 1
fi
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
cd "$root/maps"
exec "$build/velmora" "$@"

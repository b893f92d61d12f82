#!/bin/bash
# SPDX-License-Identifier: MIT
# Builds the viewer and starts it on the sample maps: the viewer reads map
# names relative to its working directory, so it is started inside maps/.
# Without a display it builds all the same, writes the sample map's picture
# with velmora-render into the build folder and says how to see the viewer.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build"
source "$root/tools/setup.sh"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    picture="$build/test.png"
    "$build/render/velmora-render" "$root/maps/test.map" "$picture"
    echo "velmora: no display (DISPLAY and WAYLAND_DISPLAY are unset): the sample map's picture is $picture; to open the viewer, run: apt-get install -y xvfb && xvfb-run -a bash tools/run.sh"
    exit 0
fi
cd "$root/maps"
exec "$build/velmora" "$@"

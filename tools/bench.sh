#!/bin/bash
# SPDX-License-Identifier: MIT
# Builds the benchmark in build-bench/ and prints its figures, each a median
# beside a baseline measured in the same run:
#   bash tools/bench.sh [RUNS]
# Start-up and peak memory are timed from outside the process on a virtual X
# display (RUNS runs of each program, 21 by default), against the chrome alone
# and against the viewer's widget tree given its pictures directly; reload, the
# start-up breakdown and reading speed are timed in-process on the offscreen
# platform.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build-bench"
runs=${1:-21}
# Qt notes the missing runtime folder of a root session once per process otherwise.
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
    XDG_RUNTIME_DIR=$(mktemp -d)
    export XDG_RUNTIME_DIR
    trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
fi

source "$root/tools/installPackages.sh"
# What building the viewer needs (as in setup.sh), a virtual display and Xlib for the probe.
needPackages cmake g++ make qt6-base-dev fonts-dejavu-core xvfb xauth libx11-dev

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --parallel "$(nproc)" --target velmora-benchmarks >/dev/null

xvfb-run -a -s "-screen 0 1280x1024x24" \
    "$build/tools/bench/velmora-startup-probe" "$runs" "$root/maps" \
    "viewer=$build/velmora" "widget-tree=$build/tools/bench/velmora-tree" \
    "chrome-only=$build/tools/bench/velmora-chrome"
"$build/tools/bench/velmora-bench"

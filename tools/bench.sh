#!/bin/bash
# SPDX-License-Identifier: MIT
# Builds the benchmark in build-bench/ and prints its figures, each a median
# beside a baseline measured in the same run:
#   bash tools/bench.sh [RUNS]
# Start-up and peak memory are timed from outside the process on a virtual X
# display (RUNS runs of each program, 21 by default), against the chrome alone
# and against the viewer's widget tree given its pictures directly; reload, the
# start-up breakdown and reading speed are timed in-process on the offscreen
# platform. Last, velmora-render against Tiled's tmxrasterizer, full size and
# as thumbnailers at 128 pixels, on an all-water map and its TMX twin, which
# Tiled itself makes from the map through the Tiled extension.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build-bench"
runs=${1:-21}
# Qt notes the missing runtime folder of a root session once per process otherwise.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
    XDG_RUNTIME_DIR="$work/runtime"
    mkdir -m 700 "$XDG_RUNTIME_DIR"
    export XDG_RUNTIME_DIR
fi

source "$root/tools/installPackages.sh"
needPackages "${buildPackages[@]}" "${qt6Packages[@]}" "${benchPackages[@]}"

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --parallel "$(nproc)" --target velmora-benchmarks >/dev/null

xvfb-run -a -s "-screen 0 1280x1024x24" \
    "$build/tools/bench/velmora-startup-probe" "$runs" "$root/maps" \
    "viewer=$build/velmora" "widget-tree=$build/tools/bench/velmora-tree" \
    "chrome-only=$build/tools/bench/velmora-chrome"
"$build/tools/bench/velmora-bench"

# velmora-render against tmxrasterizer, both on the offscreen platform, each
# writing a file as a thumbnailer does: three rounds of RUNS runs taking
# turns, each figure the median of the rounds' medians.
for _ in $(seq 14); do printf '66666666666666\n'; done >"$work/water.map"
mkdir -p "$work/config/tiled/extensions"
ln -s "$root/dist/tiled" "$work/config/tiled/extensions/velmora"
XDG_CONFIG_HOME="$work/config" PATH="$build/check:$PATH" QT_QPA_PLATFORM=offscreen \
    tiled --export-map tmx "$work/water.map" "$work/water.tmx"
QT_QPA_PLATFORM=offscreen "$build/tools/bench/velmora-process-bench" --rounds 3 "$runs" \
    "tmxrasterizer=tmxrasterizer $work/water.tmx $work/tmx.png" \
    "velmora-render/tmxrasterizer=$build/render/velmora-render $work/water.map $work/velmora.png" \
    "tmxrasterizer --size 128=tmxrasterizer --size 128 $work/water.tmx $work/tmx128.png" \
    "velmora-render --size 128/tmxrasterizer --size 128=$build/render/velmora-render --size 128 $work/water.map $work/velmora128.png"

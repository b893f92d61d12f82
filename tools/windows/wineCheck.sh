#!/bin/bash
# SPDX-License-Identifier: MIT
# bash tools/windows/wineCheck.sh BUILD: the Windows build in BUILD (made by
# tools/windows.sh), tried under Wine on a virtual display, in a Wine prefix
# of its own that starts empty, as a Windows user would meet it:
#   - the Qt Test suites built for Windows, through CTest;
#   - velmora-check.exe beside the Linux velmora-check: the same lines, byte
#     for byte, and the same status, for every sample map and for names in
#     other scripts;
#   - velmora-render.exe: the map's picture, the same pixels as the Linux one
#     but for the code texts, an existing output replaced, a read-only one
#     refused;
#   - velmora.exe: its window, its map area against velmora-render.exe's
#     picture and the Linux one, a reload typed and clicked, and its end.
# Every failure is told; the status is 1 when there was one.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(cd "${1:?usage: bash tools/windows/wineCheck.sh BUILD}" && pwd)
source "$root/tools/installPackages.sh"
# Wine and its own fonts (Tahoma, the Windows default, among them); Xvfb,
# xdotool and xwininfo to find and drive the window; ImageMagick to read it.
needPackages wine wine64 fonts-wine xvfb xauth xdotool x11-utils imagemagick
# The Linux programs, to compare with.
bash "$root/tools/setup.sh" >/dev/null
linux="$root/build"

work=$(mktemp -d)
cleanup() {
    wineserver -k 2>/dev/null || true
    [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
# Names in other scripts reach Wine as UTF-8.
export LC_ALL=C.UTF-8
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
wineboot -i >/dev/null 2>&1

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
pass() {
    echo "ok: $*"
}

echo "== The Qt Test suites under Wine"
ctest --test-dir "$build" --output-on-failure || fail "the Qt Test suites"

echo "== velmora-check.exe against velmora-check"
maps="$work/maps"
mkdir "$maps"
cp "$root"/maps/*.map "$maps"
cp "$root/maps/river.map" "$maps/é.map"
cp "$root/maps/broken.map" "$maps/地図.map"
cd "$maps"
for map in *.map; do
    for options in "" --grid; do
        linuxStatus=0 windowsStatus=0
        "$linux/check/velmora-check" $options "$map" >"$work/linux.out" 2>&1 || linuxStatus=$?
        wine "$build/check/velmora-check.exe" $options "$map" >"$work/windows.out" 2>&1 || windowsStatus=$?
        if [ "$linuxStatus" = "$windowsStatus" ] && cmp -s "$work/linux.out" "$work/windows.out"; then
            pass "velmora-check $options $map: status $linuxStatus, $(wc -l <"$work/linux.out") lines"
        else
            fail "velmora-check $options $map: status $windowsStatus, not $linuxStatus"
            diff "$work/linux.out" "$work/windows.out" >&2 || true
        fi
    done
done

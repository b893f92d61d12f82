#!/bin/bash
# SPDX-License-Identifier: MIT
# bash tools/windows/wineCheck.sh BUILD: the Windows build in BUILD (made by
# tools/windows.sh), tried under Wine on a virtual display, in a Wine prefix
# of its own that starts empty, as a Windows user would meet it:
#   - the Qt Test suites built for Windows, through CTest;
#   - the zip, unzipped: velmora.exe a GUI program with its icon and version
#     information, the two others console programs;
#   - its programs started among its sample maps:
#     - velmora-check.exe beside the Linux velmora-check: the same lines, byte
#       for byte, and the same status, for every sample map and for names in
#       other scripts;
#     - velmora-render.exe: the map's picture, the same pixels as the Linux
#       one but for the code texts, which stand whole above the next row; an
#       existing output replaced, a read-only one refused;
#     - velmora.exe: its window, its map area pixel for pixel as
#       velmora-render.exe draws it, a reload typed and clicked, and its end.
# Every failure is told; the status is 1 when there was one.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(cd "${1:?usage: bash tools/windows/wineCheck.sh BUILD}" && pwd)
source "$root/tools/installPackages.sh"
needPackages "${winePackages[@]}"
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
# Windows always has Tahoma, its default font. Debian's Wine 8 finds the
# copy of fonts-wine only in a prefix's own Fonts folder; without it, Qt
# takes DejaVu Math TeX Gyre, whose 46 pixel line no Windows shows.
cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
pass() {
    echo "ok: $*"
}

echo "== The Qt Test suites under Wine"
# Wine hands no variable named QT_... to Windows programs, so the test
# environment CTest sets is given again as WINEQT_..., which reaches them as
# QT_....
WINEQT_QPA_PLATFORM=offscreen WINEQT_FORCE_STDERR_LOGGING=1 \
    ctest --test-dir "$build" --output-on-failure || fail "the Qt Test suites"

# The programs as a user has them: unzipped, with the sample maps beside them.
zip=("$build"/velmora-*-windows-x86_64.zip)
python3 -m zipfile -e "${zip[0]}" "$work"
programs=("$work"/velmora-*-windows-x86_64)
programs=${programs[0]}
cd "$programs"
cp river.map é.map
cp broken.map 地図.map

echo "== The executables"
# A GUI program (subsystem 2) with the icon and version information Explorer
# shows; console programs (3) beside it.
for exe in velmora:2 velmora-check:3 velmora-render:3; do
    subsystem=$(x86_64-w64-mingw32-objdump -p "${exe%:*}.exe" | awk '$1 == "Subsystem" {print $2 + 0}')
    [ "$subsystem" = "${exe#*:}" ] && pass "${exe%:*}.exe: subsystem $subsystem" \
        || fail "${exe%:*}.exe: subsystem $subsystem, not ${exe#*:}"
done
resources=$(x86_64-w64-mingw32-windres -J coff -i velmora.exe -O rc)
for kind in RT_GROUP_ICON VERSIONINFO '"ProductName", "3D Velmora"'; do
    grep -qF "$kind" <<<"$resources" && pass "velmora.exe holds $kind" || fail "velmora.exe holds no $kind"
done

echo "== velmora-check.exe against velmora-check"
for map in *.map; do
    for options in "" --grid; do
        linuxStatus=0 windowsStatus=0
        "$linux/check/velmora-check" $options "$map" >"$work/linux.out" 2>&1 || linuxStatus=$?
        wine "$programs/velmora-check.exe" $options "$map" >"$work/windows.out" 2>&1 || windowsStatus=$?
        if [ "$linuxStatus" = "$windowsStatus" ] && cmp -s "$work/linux.out" "$work/windows.out"; then
            pass "velmora-check $options $map: status $linuxStatus, $(wc -l <"$work/linux.out") lines"
        else
            fail "velmora-check $options $map: status $windowsStatus, not $linuxStatus"
            diff "$work/linux.out" "$work/windows.out" >&2 || true
        fi
    done
done
# A missing map: the same status and one line, in Windows' own words.
status=0
wine "$programs/velmora-check.exe" missing.map >"$work/windows.out" 2>&1 || status=$?
if [ "$status" = 2 ] && [ "$(wc -l <"$work/windows.out")" = 1 ] \
    && grep -q '^velmora-check: missing.map: .' "$work/windows.out"; then
    pass "velmora-check missing.map: status 2, $(cat "$work/windows.out")"
else
    fail "velmora-check missing.map: status $status, $(cat "$work/windows.out")"
fi

echo "== velmora-render.exe against velmora-render"
# The map area as raw RGB, for tools/windows/mapPictures.py.
rgb() {
    convert "$1" -depth 8 "rgb:$2"
}
render() {
    wine "$programs/velmora-render.exe" "$@"
}
"$linux/render/velmora-render" test.map "$work/linux.png"
rgb "$work/linux.png" "$work/linux.rgb"
if render test.map windows.png && rgb windows.png "$work/windows.rgb" \
    && python3 "$root/tools/windows/mapPictures.py" texts "$work/linux.rgb" "$work/windows.rgb"; then
    pass "velmora-render.exe test.map: Linux's picture but for the code texts"
else
    fail "velmora-render.exe test.map: not Linux's picture outside the code texts"
fi
# Row 6 of a map whose rows after it have no ground, and of one where row
# 7 has: nothing of row 6's codes may show where row 7 is drawn.
printf '66666666666666\n%.0s' 1 2 3 4 5 6 7 >open.map
printf '66666666666666\n%.0s' 1 2 3 4 5 6 7 8 >covered.map
if render open.map open.png && render covered.map covered.png && rgb open.png "$work/open.rgb" \
    && rgb covered.png "$work/covered.rgb" \
    && python3 "$root/tools/windows/mapPictures.py" whole 6 "$work/open.rgb" "$work/covered.rgb"; then
    pass "velmora-render.exe: the code texts stand whole above the next row"
else
    fail "velmora-render.exe: the code texts reach under the next row, which hides them"
fi
printf 'old picture' >replaced.png
if render test.map replaced.png && cmp -s windows.png replaced.png && ! ls .velmora-render-* >/dev/null 2>&1; then
    pass "velmora-render.exe: an existing output replaced whole, no temporary file left"
else
    fail "velmora-render.exe: an existing output not replaced by the same picture"
fi
# Standard output takes the picture's bytes as they are.
if render test.map - >stdout.png && cmp -s windows.png stdout.png; then
    pass "velmora-render.exe test.map -: the picture on standard output, byte for byte"
else
    fail "velmora-render.exe test.map -: standard output is not the picture"
fi
if render é.map && [ -s é.png ]; then
    pass "velmora-render.exe é.map: é.png"
else
    fail "velmora-render.exe é.map: no é.png"
fi
# Wine marks a file that its owner cannot write as read-only.
printf 'kept' >readonly.png
chmod 444 readonly.png
status=0
render test.map readonly.png 2>"$work/error" || status=$?
if [ "$status" = 1 ] && [ "$(cat readonly.png)" = kept ] && [ "$(wc -l <"$work/error")" = 1 ] \
    && grep -q '^velmora-render: readonly.png: .' "$work/error"; then
    pass "velmora-render.exe to a read-only output: status 1, $(cat "$work/error")"
else
    fail "velmora-render.exe to a read-only output: status $status, $(cat "$work/error")"
fi

echo "== velmora.exe"
# The map area of the window with the given id, as raw RGB.
mapArea() {
    import -window "$1" "$work/window.png" && convert "$work/window.png" -crop 928x480+0+0 +repage \
        -depth 8 "rgb:$2"
}
# Waits up to ten seconds for the window to show the picture of a map.
shows() {
    render "$2" "$work/expected.png" && rgb "$work/expected.png" "$work/expected.rgb"
    for _ in $(seq 20); do
        mapArea "$1" "$work/shown.rgb" && cmp -s "$work/expected.rgb" "$work/shown.rgb" && return 0
        sleep 0.5
    done
    return 1
}
wine "$programs/velmora.exe" &
viewer=$!
window=$(timeout 30 xdotool search --sync --onlyvisible --name '^3D Velmora$' | head -n 1 || true)
if [ -z "$window" ]; then
    fail "velmora.exe: no window titled \"3D Velmora\" within 30 s"
else
    size=$(xwininfo -id "$window" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }')
    [ "$size" = 928x512 ] && pass "velmora.exe: a window of 928 by 512" || fail "velmora.exe: a window of $size"
    if shows "$window" test.map; then
        pass "velmora.exe: test.map shown as velmora-render.exe draws it, pixel for pixel"
    else
        fail "velmora.exe: the map area is not velmora-render.exe's picture of test.map"
    fi
    # As a person would: a click in the field, the name typed, a click on "-".
    xdotool windowfocus --sync "$window" mousemove --window "$window" 400 495 click 1 \
        type --delay 50 river.map
    xdotool mousemove --window "$window" 911 495 click 1
    if shows "$window" river.map; then
        pass "velmora.exe: river.map typed and \"-\" clicked shows the river"
    else
        fail "velmora.exe: river.map typed and \"-\" clicked does not show the river"
    fi
    xdotool windowfocus --sync "$window" key alt+F4
fi
status=0
timeout 30 tail --pid="$viewer" -f /dev/null || fail "velmora.exe: still running 30 s after Alt+F4"
wait "$viewer" || status=$?
[ "$status" = 0 ] && pass "velmora.exe: ended with status 0" || fail "velmora.exe: ended with status $status"

if [ "$failures" != 0 ]; then
    echo "== The Windows build under Wine: $failures failed" >&2
    exit 1
fi
echo "== The Windows build under Wine: everything as on Windows"

#!/bin/bash
# SPDX-License-Identifier: MIT
# Starts an installed desktop entry of the viewer as a desktop's menu does,
# with gio launch, on the current X display, and checks that the window shows
# the sample map: its map area must be, pixel for pixel, velmora-render's
# picture of MAPS_FOLDER/test.map; and that the window's class is the entry's
# StartupWMClass, by which docks tie the window to its launcher. Run by
# tools/package.sh --check under Xvfb.
#   bash tools/launchCheck.sh DESKTOP_FILE MAPS_FOLDER
set -euo pipefail
entry=$1
maps=$2
work=$(mktemp -d)
# Qt notes the missing runtime folder of a root session otherwise.
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$work}
pid=
cleanUp() {
    if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanUp EXIT
fail() {
    echo "launchCheck.sh: $*" >&2
    exit 1
}

velmora-render "$maps/test.map" "$work/expected.png"
gio launch "$entry"
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^3D Velmora$' | head -n 1) \
    || fail "no window of 3D Velmora within 20 s"
pid=$(xdotool getwindowpid "$window")

# WM_CLASS(STRING) = "instance", "class"
class=$(xprop -id "$window" WM_CLASS | sed -n 's/^WM_CLASS(STRING) = "[^"]*", "\([^"]*\)"$/\1/p')
wanted=$(sed -n 's/^StartupWMClass=//p' "$entry")
[ -n "$class" ] && [ "$class" = "$wanted" ] \
    || fail "the window's class is '$class', the entry's StartupWMClass '$wanted'"

# The window may show before its first complete frame: look again for up to 10 s.
differing=
for _ in $(seq 50); do
    import -window "$window" -crop 928x480+0+0 +repage "$work/shown.png"
    differing=$(compare -metric AE "$work/shown.png" "$work/expected.png" null: 2>&1) || true
    [ "$differing" = 0 ] && exit 0
    sleep 0.2
done
cp "$work/shown.png" "${TMPDIR:-/tmp}/launchCheck-shown.png"
fail "the window started from $entry does not show $maps/test.map: $differing pixels differ" \
    "(its picture: ${TMPDIR:-/tmp}/launchCheck-shown.png)"

#!/bin/bash
# SPDX-License-Identifier: MIT
# Builds the Debian packages, velmora and velmora-dbgsym, the Debian way
# (dpkg-buildpackage with debhelper, debian/) from a copy of the sources in
# build-package/, then runs lintian on them, which must say nothing at all.
# Prints the path of the package, to install with:
#   apt-get install ./build-package/velmora_*.deb
#
#   bash tools/package.sh --check
# also builds everything a second time, from a copy in another folder, and
# compares the packages byte for byte; then installs the package as a user
# would, finds it with appstreamcli, starts its menu entry with a desktop's
# launcher under Xvfb (tools/launchCheck.sh), and purges it, checking that
# nothing of it is left. A velmora installed before the check is replaced by
# this build's package, which the check leaves installed, pass or fail.
set -euo pipefail
# A pattern that matches nothing is an error, never a name.
shopt -s failglob
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out="$root/build-package"
case "${1:-}" in
    "") check=0 ;;
    --check) check=1 ;;
    *) echo "usage: bash tools/package.sh [--check]" >&2; exit 2 ;;
esac
source "$root/tools/installPackages.sh"

needPackages "${packagePackages[@]}"
if [ "$check" = 1 ]; then
    needPackages "${packageCheckPackages[@]}"
fi

# Runs a command, showing what it printed only when it fails.
quietly() {
    local output
    if ! output=$("$@" 2>&1); then
        echo "$output" >&2
        return 1
    fi
}

# Builds the packages from a fresh copy of the sources (the working tree, less
# the build folders) in FOLDER/velmora; they land in FOLDER. The build's log
# goes to FOLDER/build.log and is shown when the build fails.
buildIn() {
    local folder=$1
    rm -rf "$folder"
    mkdir -p "$folder/velmora"
    tar -C "$root" --exclude='./build*' --exclude=./.git -cf - . | tar -C "$folder/velmora" -xf -
    # The build's own needs, from debian/control's Build-Depends.
    if ! (cd "$folder/velmora" && dpkg-checkbuilddeps 2>/dev/null); then
        apt-get update -q
        DEBIAN_FRONTEND=noninteractive apt-get build-dep -y -q "$folder/velmora"
    fi
    local start=$SECONDS
    if ! (cd "$folder/velmora" && dpkg-buildpackage -us -uc -b) >"$folder/build.log" 2>&1; then
        tail -n 60 "$folder/build.log" >&2
        echo "package.sh: the package build failed; the whole log is $folder/build.log" >&2
        exit 1
    fi
    echo "Built in $((SECONDS - start)) s: $(cd "$folder" && echo *.deb)"
}

buildIn "$out"
package=$(echo "$out"/velmora_*_*.deb)

# Every tag counts, down to the pedantic and experimental ones; only lintian's
# note that it runs as root is no tag.
hints=$(lintian -I -E --pedantic "$out"/velmora_*.changes 2>&1 \
    | grep -v -x 'running with root privileges is not recommended!') || true
if [ -n "$hints" ]; then
    echo "$hints" >&2
    echo "package.sh: lintian has something to say about $out/velmora_*.changes" >&2
    exit 1
fi

if [ "$check" = 1 ]; then
    # Another folder, so that no path of the first build can leak in unnoticed.
    buildIn "$out/again"
    for deb in "$out"/*.deb; do
        if ! cmp "$deb" "$out/again/$(basename "$deb")"; then
            echo "package.sh: two builds differ: $deb and $out/again/$(basename "$deb")" >&2
            exit 1
        fi
    done
    echo "Both builds are byte for byte the same"

    rm -rf "$out/again"

    # Installed as a user installs it.
    installedBefore=$(dpkg-query -W -f='${Status}' velmora 2>/dev/null | grep -c 'install ok installed' || true)
    if [ "$installedBefore" = 1 ]; then
        quietly env DEBIAN_FRONTEND=noninteractive apt-get purge -y -q velmora
    fi
    restore() {
        if [ "$installedBefore" = 1 ]; then
            quietly env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$package"
            echo "velmora was installed before the check: installed again from $package"
        fi
    }
    quietly env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$package"
    # A failed check leaves nothing of it installed, or this build's package
    # where one was installed before.
    trap 'apt-get purge -y -q velmora >/dev/null 2>&1 || true; restore' EXIT
    files=$(dpkg-query -L velmora)
    if ! appstreamcli get org.velmora.Velmora >/dev/null; then
        echo "package.sh: appstreamcli does not find org.velmora.Velmora once installed" >&2
        exit 1
    fi
    # A map as the desktop sees it once the package's MIME type is in.
    seen=$(gio info -a standard::content-type,standard::icon /usr/share/velmora/maps/river.map)
    for wanted in "standard::content-type: application/x-velmora-map" \
        "standard::icon: application-x-velmora-map,"; do
        if ! grep -qF "$wanted" <<<"$seen"; then
            echo "package.sh: gio does not see a map as a 3D Velmora map: $seen" >&2
            exit 1
        fi
    done
    xvfb-run -a -s "-screen 0 1280x1024x24" \
        bash "$root/tools/launchCheck.sh" /usr/share/applications/org.velmora.Velmora.desktop \
        /usr/share/velmora/maps
    quietly env DEBIAN_FRONTEND=noninteractive apt-get purge -y -q velmora
    trap - EXIT
    left=$(while read -r path; do
        if [ -d "$path" ]; then
            # Folders such as /usr/share/icons/hicolor/16x16/apps belong to others too.
            if [[ "$path" == *velmora* ]]; then echo "$path"; fi
        elif [ -e "$path" ] || [ -L "$path" ]; then
            echo "$path"
        fi
    done <<<"$files")
    status=$(dpkg-query -W -f='${Status}' velmora 2>/dev/null || true)
    if [ -n "$left" ] || [ -n "${status%%*not-installed}" ]; then
        echo "package.sh: purging velmora left behind: ${left:-its dpkg status '$status'}" >&2
        exit 1
    fi
    if appstreamcli get org.velmora.Velmora >/dev/null 2>&1; then
        echo "package.sh: appstreamcli still finds org.velmora.Velmora once purged" >&2
        exit 1
    fi
    echo "Installed, found by appstreamcli, maps seen as their type by gio, started from its menu entry, purged without a trace"
    restore
fi
echo "$package"

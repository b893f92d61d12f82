#!/bin/bash
# SPDX-License-Identifier: MIT
# Builds 3D Velmora for 64-bit Windows on Debian, as root, with Debian's own
# tools and sources and nothing downloaded from anywhere else:
#   bash tools/windows.sh           build-windows/velmora-VERSION-windows-x86_64.zip
#   bash tools/windows.sh --check   then builds it again in another folder,
#                                   which must give the same zip, and tries
#                                   it under Wine (tools/windows/wineCheck.sh)
# The three programs are linked statically against a Qt 5.15 built here from
# Debian's source package for MinGW-w64, once: it is kept in
# /var/cache/velmora/qt5-windows/KEY (VELMORA_CACHE for another folder), KEY
# standing for the Qt source's version, the compiler and the configure line,
# and only a build that ran to its end is ever taken from there. That first
# build is most of the time (see the README's "On Windows").
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build-windows"
case "${1:-}" in
    "") check=0 ;;
    --check) check=1 ;;
    *) echo "usage: bash tools/windows.sh [--check]" >&2; exit 2 ;;
esac
source "$root/tools/installPackages.sh"
needPackages "${windowsPackages[@]}"

# What Qt is made with: the static libraries of what the programs use (Core,
# Gui, Widgets, Test, the windows and offscreen platforms, the PNG and JPEG
# readers), and nothing else. Debian's source lacks the tablet header
# (wintab.h), removed for its licence, so tablet events are left out.
qtOptions=(-xplatform win32-g++ -device-option CROSS_COMPILE=x86_64-w64-mingw32-
    -static -release -optimize-size -opensource -confirm-license
    -nomake examples -nomake tests
    -no-opengl -no-dbus -no-icu -no-fontconfig -no-direct2d
    -qt-zlib -qt-libpng -qt-libjpeg -qt-freetype -qt-harfbuzz -qt-pcre
    -no-feature-sql -no-feature-network -no-feature-xml -no-feature-concurrent
    -no-feature-printer -no-feature-tabletevent -no-feature-gif -no-feature-ico
    -no-feature-vulkan)

# Debian's source packages are reached through the machine's own Debian
# entries, copied as deb-src ones: no host name is written here.
enableSources() {
    if apt-get source --print-uris -qq qtbase-opensource-src >/dev/null 2>&1; then
        return
    fi
    local codename list=/etc/apt/sources.list.d/velmora-deb-src.sources
    codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
    {
        # deb822 entries whose suites are this release's.
        for file in /etc/apt/sources.list.d/*.sources; do
            [ -e "$file" ] && [ "$file" != "$list" ] || continue
            awk -v codename="$codename" -v RS= -v ORS='\n\n' \
                '/(^|\n)Types:[^\n]*deb/ && $0 ~ "Suites:[^\n]*" codename {
                    sub(/Types:[^\n]*/, "Types: deb-src"); print }' "$file"
        done
        # One-line entries of /etc/apt/sources.list, turned into deb822 ones.
        if [ -f /etc/apt/sources.list ]; then
            awk -v codename="$codename" '$1 == "deb" && $0 ~ codename {
                uri = 2; signedBy = ""
                # Options in brackets: their key goes along.
                if ($2 ~ /^\[/) {
                    do {
                        if (match($uri, /signed-by=[^] ]+/)) signedBy = substr($uri, RSTART + 10, RLENGTH - 10)
                    } while ($(uri++) !~ /\]$/)
                }
                printf "Types: deb-src\nURIs: %s\nSuites: %s\nComponents:", $uri, $(uri + 1)
                for (i = uri + 2; i <= NF; i++) printf " %s", $i
                if (signedBy != "") printf "\nSigned-By: %s", signedBy
                printf "\n\n" }' /etc/apt/sources.list
        fi
    } >"$list"
    apt-get update -q
}

# Builds the cross Qt unless it is in the cache; prints its folder.
crossQt() {
    enableSources
    local dsc version compiler key cache
    dsc=$(apt-get source --print-uris -qq qtbase-opensource-src | awk '$2 ~ /\.dsc$/ { print $2 }')
    version=${dsc#qtbase-opensource-src_}
    version=${version%.dsc}
    compiler=$(x86_64-w64-mingw32-g++ --version | head -n 1)
    key=$(printf '%s\n' "$version" "$compiler" "${qtOptions[@]}" | sha256sum | cut -c 1-16)
    cache="${VELMORA_CACHE:-/var/cache/velmora}/qt5-windows/$version-$key"
    mkdir -p "$(dirname "$cache")"
    # One build at a time; a second run waits and then takes the first's.
    exec 9>"$cache.lock"
    flock 9
    # The mark is written last: a cache without it is the rest of a build
    # that was stopped, and is made again from the start.
    if [ -f "$cache/.complete" ]; then
        echo "$cache"
        return
    fi
    rm -rf "$cache"
    local work start=$SECONDS
    work=$(mktemp -d "${TMPDIR:-/var/tmp}/velmora-qt.XXXXXX")
    trap 'rm -rf "$work"' EXIT
    echo "Building Qt $version for Windows in $work, once; it is kept in $cache" >&2
    (
        cd "$work"
        apt-get source -q qtbase-opensource-src >source.log 2>&1 || { cat source.log; exit 1; }
        mkdir build
        cd build
        "$work"/qtbase-opensource-src-*/configure "${qtOptions[@]}" -prefix "$cache" >../configure.log 2>&1 \
            || { tail -n 40 ../configure.log; exit 1; }
        { make -j"$(nproc)" sub-src && make install; } >../make.log 2>&1 || { tail -n 60 ../make.log; exit 1; }
    ) >&2
    rm -rf "$work"
    trap - EXIT
    touch "$cache/.complete"
    echo "Qt for Windows took $((SECONDS - start)) s" >&2
    echo "$cache"
}

qt=$(crossQt)
version=$(sed -n '1s/^velmora (\([^)]*\)).*/\1/p' "$root/debian/changelog")
# Every file of the zip dates from the release, as in the Debian package.
export SOURCE_DATE_EPOCH
SOURCE_DATE_EPOCH=$(date -d "$(sed -n 's/^ -- .*>  //p' "$root/debian/changelog" | head -n 1)" +%s)
name="velmora-$version-windows-x86_64"

# Builds the programs in FOLDER and zips them as FOLDER/$name.zip: one
# folder, its files in a fixed order with fixed dates and modes. CTest runs
# the Windows tests through Wine (tools/windows/wineCheck.sh).
buildZip() {
    local folder=$1
    cmake -S "$root" -B "$folder" -DCMAKE_TOOLCHAIN_FILE="$root/tools/windows/toolchain.cmake" \
        -DCMAKE_PREFIX_PATH="$qt" -DVELMORA_QT_MAJOR=5 -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_CROSSCOMPILING_EMULATOR=wine >/dev/null
    cmake --build "$folder" --parallel "$(nproc)"
    rm -rf "$folder/stage"
    cmake --install "$folder" --prefix "$folder/stage/$name" >/dev/null
    python3 "$root/tools/windows/zipFolder.py" "$folder/stage" "$name" "$folder/$name.zip"
}

buildZip "$build"
echo "$build/$name.zip"

if [ "$check" = 1 ]; then
    # Built again from nothing in another folder, the zip is the same.
    rm -rf "$build-again"
    buildZip "$build-again" >/dev/null
    if ! cmp "$build/$name.zip" "$build-again/$name.zip"; then
        echo "windows.sh: two builds gave two zips: $build-again/$name.zip differs" >&2
        exit 1
    fi
    rm -rf "$build-again"
    echo "A second build in another folder gave the same zip, byte for byte"
    bash "$root/tools/windows/wineCheck.sh" "$build"
fi

#!/bin/bash
# SPDX-License-Identifier: MIT
# What each stage of tools/ needs from Debian, listed once, and needPackages,
# which installs it. Sourced by the stage scripts.

# Building: a compiler, CMake, and a font, so that tile codes render on the
# offscreen platform.
buildPackages=(cmake g++ make fonts-dejavu-core)
# Qt 6 Widgets (its JPEG reader comes with libqt6gui6) and Qt's translations,
# for the French context menu test; the same for Qt 5.
qt6Packages=(qt6-base-dev qt6-translations-l10n)
qt5Packages=(qtbase5-dev qttranslations5-l10n)
# The install test's validators (desktop-file-validate, appstreamcli,
# update-mime-database, gio, groff and mandoc) and Tiled, for its extension's
# tests.
testPackages=(desktop-file-utils appstream shared-mime-info libglib2.0-bin groff-base mandoc tiled)
# The walk of the window over AT-SPI, with Qt 6: a session bus, a virtual
# display, the AT-SPI registry and pyatspi.
atspiPackages=(dbus-daemon xvfb xauth at-spi2-core python3-pyatspi)
# clang with its sanitizer and libFuzzer runtimes, and llvm-symbolizer for
# readable reports.
sanitizerPackages=(clang libclang-rt-dev llvm)
# The benchmark: a virtual display, Xlib for its start-up probe, and Tiled's
# tmxrasterizer to race.
benchPackages=(xvfb xauth libx11-dev tiled)
# The Windows build: the cross compiler with POSIX threads, which C++ threads
# need; dpkg-dev for apt-get source; Python's zipfile writes a zip that is the
# same on every run.
windowsPackages=(cmake make g++-mingw-w64-x86-64-posix dpkg-dev xz-utils python3)
# The Windows build under Wine: Wine with its own fonts (Tahoma, Windows'
# default, among them), a virtual display, xdotool and xwininfo to find and
# drive the window, ImageMagick to read it.
winePackages=(wine wine64 fonts-wine xvfb xauth xdotool x11-utils imagemagick)
# The Debian package and lintian; for its check, a virtual display, gio (the
# desktop's launcher and its view of file types), xdotool to find the window,
# xprop to read its class and ImageMagick to read it.
packagePackages=(build-essential debhelper dpkg-dev lintian)
packageCheckPackages=(xvfb xauth libglib2.0-bin xdotool x11-utils imagemagick)

# needPackages PACKAGE...: installs the Debian packages that are missing, with
# one apt-get call, and nothing when all are there.
needPackages() {
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' \
            || missing+=("$package")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing ${missing[*]}"
        apt-get update -q
        DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
    fi
}

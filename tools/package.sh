#!/bin/bash
# SPDX-License-Identifier: MIT
# Builds the Debian package of velmora and velmora-render with Qt 6 in
# build-package/, then checks it: desktop-file-validate on the desktop entry
# and lintian on the package, whose errors fail the script. Prints the path of
# the package, to install with: apt-get install ./build-package/velmora_*.deb
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build-package"
source "$root/tools/installPackages.sh"

# dpkg-shlibdeps (dpkg-dev) and file find the package's dependencies for CPack.
needPackages cmake g++ make qt6-base-dev dpkg-dev file lintian desktop-file-utils

# Debian's compiler and linker flags (hardening included), taken by CMake when
# it first configures the folder; CMake reads no CPPFLAGS, so they join CXXFLAGS.
eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
export CXXFLAGS="$CPPFLAGS $CXXFLAGS"
# Installed under /usr, as Debian packages are; the manual pages name that folder.
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build "$build" --parallel "$(nproc)" --target velmora velmora-render velmora_documents
rm -f "$build"/velmora_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
package=$(ls "$build"/velmora_*.deb)

desktop-file-validate "$root/dist/velmora.desktop"
# Errors fail; warnings and notes are shown.
lintian --fail-on error "$package" || {
    echo "lintian found errors in $package" >&2
    exit 1
}
echo "$package"

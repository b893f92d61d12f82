#!/bin/bash
# SPDX-License-Identifier: MIT
# needPackages PACKAGE...: installs the Debian packages that are missing, with
# one apt-get call, and nothing when all are there. Sourced by the stage scripts.
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

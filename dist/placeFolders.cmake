# SPDX-License-Identifier: MIT
# Run by cmake --install before the desktop entry and the manual pages are
# installed: writes into them the folders they name, under the prefix of this
# install, which `cmake --install --prefix` may make another than the one the
# build was configured with.
#   VELMORA_UNPLACED: the files as configured, each NAME.unplaced
#   VELMORA_DATADIR: CMAKE_INSTALL_DATADIR, relative to the prefix or absolute

if(IS_ABSOLUTE "${VELMORA_DATADIR}")
    set(dataDir "${VELMORA_DATADIR}")
else()
    set(dataDir "${CMAKE_INSTALL_PREFIX}/${VELMORA_DATADIR}")
endif()
string(REGEX REPLACE "/+" "/" dataDir "${dataDir}")
string(REGEX REPLACE "(.)/$" "\\1" dataDir "${dataDir}")
set(mapsDir "${dataDir}/velmora/maps")
# The way up from there to the root ("../../../.." under /usr), for the
# manual's example of a map outside that folder.
string(REGEX REPLACE "[^/]+" ".." mapsToRoot "${mapsDir}")
string(REGEX REPLACE "^/" "" mapsToRoot "${mapsToRoot}")

foreach(unplaced IN LISTS VELMORA_UNPLACED)
    file(READ "${unplaced}.unplaced" text)
    string(REPLACE "@VELMORA_MAPS_DIR@" "${mapsDir}" text "${text}")
    string(REPLACE "@VELMORA_TILED_DIR@" "${dataDir}/velmora/tiled" text "${text}")
    string(REPLACE "@VELMORA_MAPS_TO_ROOT@" "${mapsToRoot}" text "${text}")
    file(WRITE "${unplaced}" "${text}")
endforeach()

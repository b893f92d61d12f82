# SPDX-License-Identifier: MIT
# Installs the build into a fresh temporary prefix, as `cmake --install` does
# for users and for the package, and checks the installed tree: every file in
# its folder and nothing else, the icons' sizes, the desktop entry and the
# metainfo as the desktop's own validators see them, the map files' MIME type
# as shared-mime-info compiles it and GLib applies it, the thumbnailer run as a file manager runs
# it, the manual pages as groff and mandoc see them, and that the installed
# renderer works from there.
#
# cmake -DBUILD_DIR=... -DSOURCE_DIR=... -DBINDIR=... -DDATADIR=... -DMANDIR=...
#       -DVERSION=... -P installCheck.cmake

set(prefix "${BUILD_DIR}/installCheck")
file(REMOVE_RECURSE "${prefix}")

execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}"
    RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT (result EQUAL 0))
    message(FATAL_ERROR "cmake --install failed")
endif()

# A check that cannot run fails: each tool is installed by the scripts and
# listed in the package's Build-Depends.
function(requireProgram variable name)
    find_program(${variable} ${name})
    if(NOT ${variable})
        message(FATAL_ERROR "${name} is not installed")
    endif()
endfunction()
requireProgram(DESKTOP_FILE_VALIDATE desktop-file-validate)
requireProgram(APPSTREAMCLI appstreamcli)
requireProgram(GROFF groff)
requireProgram(MANDOC mandoc)
requireProgram(UPDATE_MIME_DATABASE update-mime-database)
requireProgram(GIO gio)

# Runs a validator that must print nothing and succeed.
function(expectSilent what)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output
        ERROR_VARIABLE output)
    if(NOT (result EQUAL 0 AND output STREQUAL ""))
        message(FATAL_ERROR "${what}: ${output}")
    endif()
endfunction()

set(id org.velmora.Velmora)
set(programs velmora velmora-render velmora-check)
set(iconSizes 16 22 24 32 48 64 128 256)
set(mimeIconSizes 16 22 24 32 48 64)
set(mimeType application/x-velmora-map)
set(mimeIcon application-x-velmora-map)
set(entry "${DATADIR}/applications/${id}.desktop")
set(metainfo "${DATADIR}/metainfo/${id}.metainfo.xml")
set(mimePackage "${DATADIR}/mime/packages/${id}.xml")
set(thumbnailer "${DATADIR}/thumbnailers/velmora.thumbnailer")
# Named by the entry and the manual pages under the prefix installed to, not
# the one configured.
set(mapsFolder "${prefix}/${DATADIR}/velmora/maps")

set(expected "${entry}" "${metainfo}" "${mimePackage}" "${thumbnailer}")
foreach(file velmora.js velmora.tsx velmora.png)
    list(APPEND expected "${DATADIR}/velmora/tiled/${file}")
endforeach()
foreach(size IN LISTS mimeIconSizes)
    list(APPEND expected "${DATADIR}/icons/hicolor/${size}x${size}/mimetypes/${mimeIcon}.png")
endforeach()
foreach(program IN LISTS programs)
    list(APPEND expected "${BINDIR}/${program}" "${MANDIR}/man1/${program}.1")
endforeach()
foreach(size IN LISTS iconSizes)
    list(APPEND expected "${DATADIR}/icons/hicolor/${size}x${size}/apps/${id}.png")
endforeach()
foreach(map test.map river.map short.map broken.map)
    list(APPEND expected "${DATADIR}/velmora/maps/${map}")
    execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files
        "${SOURCE_DIR}/maps/${map}" "${prefix}/${DATADIR}/velmora/maps/${map}"
        RESULT_VARIABLE differs)
    if(NOT (differs EQUAL 0))
        message(FATAL_ERROR "installed ${map} differs from maps/${map}")
    endif()
endforeach()
list(SORT expected)
file(GLOB_RECURSE installed RELATIVE "${prefix}" "${prefix}/*")
list(SORT installed)
if(NOT (installed STREQUAL expected))
    message(FATAL_ERROR "installed tree:\n  ${installed}\nexpected:\n  ${expected}")
endif()

# A PNG picture's width and height, big-endian in its header.
function(pngSize picture widthVariable heightVariable)
    file(READ "${picture}" header OFFSET 16 LIMIT 8 HEX)
    string(SUBSTRING "${header}" 0 8 width)
    string(SUBSTRING "${header}" 8 8 height)
    math(EXPR width "0x${width}")
    math(EXPR height "0x${height}")
    set(${widthVariable} ${width} PARENT_SCOPE)
    set(${heightVariable} ${height} PARENT_SCOPE)
endfunction()

# Each icon is as large as its folder says; the largest is the window's own.
foreach(size IN LISTS iconSizes)
    pngSize("${prefix}/${DATADIR}/icons/hicolor/${size}x${size}/apps/${id}.png" width height)
    if(NOT (width EQUAL size AND height EQUAL size))
        message(FATAL_ERROR "the ${size}x${size} icon is ${width} by ${height}")
    endif()
endforeach()
foreach(size IN LISTS mimeIconSizes)
    pngSize("${prefix}/${DATADIR}/icons/hicolor/${size}x${size}/mimetypes/${mimeIcon}.png" width height)
    if(NOT (width EQUAL size AND height EQUAL size))
        message(FATAL_ERROR "the ${size}x${size} map file icon is ${width} by ${height}")
    endif()
endforeach()
execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${SOURCE_DIR}/resources/Icons/base.png"
    "${prefix}/${DATADIR}/icons/hicolor/256x256/apps/${id}.png" RESULT_VARIABLE differs)
if(NOT (differs EQUAL 0))
    message(FATAL_ERROR "the 256 pixel icon is not the window's resources/Icons/base.png")
endif()

# The desktop entry: the keys the menus, the launchers and the task bar rely on.
# Read whole: a value such as "Graphics;Viewer;" would be split as a CMake list.
file(READ "${prefix}/${entry}" text)
if(NOT text MATCHES "^(#[^\n]*\n)*\\[Desktop Entry\\]\n")
    message(FATAL_ERROR "${id}.desktop does not start with [Desktop Entry]")
endif()
foreach(pair Type=Application "Name=3D Velmora" Exec=velmora TryExec=velmora "Path=${mapsFolder}"
        Icon=${id} Terminal=false StartupWMClass=velmora)
    string(REGEX MATCH "^([^=]*)=(.*)$" ignored "${pair}")
    set(key "${CMAKE_MATCH_1}")
    set(value "${CMAKE_MATCH_2}")
    string(REGEX MATCH "\n${key}=([^\n]*)" ignored "\n${text}")
    if(NOT ("${CMAKE_MATCH_1}" STREQUAL "${value}"))
        message(FATAL_ERROR "${key} is '${CMAKE_MATCH_1}', not '${value}'")
    endif()
endforeach()
string(REGEX MATCH "\nCategories=([^\n]*)" ignored "\n${text}")
if(NOT (";${CMAKE_MATCH_1};" MATCHES ";Graphics;" AND ";${CMAKE_MATCH_1};" MATCHES ";Viewer;"))
    message(FATAL_ERROR "Categories is '${CMAKE_MATCH_1}'")
endif()
# The viewer reads only the names typed in its window: opening a map file
# with it would show another map, so it claims no type.
if(text MATCHES "\nMimeType=")
    message(FATAL_ERROR "${id}.desktop claims a MIME type")
endif()
expectSilent("desktop-file-validate" "${DESKTOP_FILE_VALIDATE}" "${prefix}/${entry}")

# The MIME type as shared-mime-info compiles it, beside freedesktop.org's own
# types (which come with update-mime-database) alone and with the installed
# package: no name pattern, text/plain as its parent, its icon, and its
# comment in English and French. Each database is a data home with no other
# folder to search, so that no type installed on this machine plays a part.
get_filename_component(mimeTools "${UPDATE_MIME_DATABASE}" DIRECTORY)
set(home_freedesktop "${BUILD_DIR}/installCheck-freedesktop")
set(home_velmora "${BUILD_DIR}/installCheck-velmora")
file(REMOVE_RECURSE "${home_freedesktop}" "${home_velmora}")
file(COPY "${prefix}/${mimePackage}" DESTINATION "${home_velmora}/mime/packages")
foreach(home "${home_freedesktop}" "${home_velmora}")
    file(COPY "${mimeTools}/../share/mime/packages/freedesktop.org.xml" DESTINATION "${home}/mime/packages")
    # Without a sync of each of its thousand files, which only a database
    # that must outlive a crash needs.
    expectSilent("update-mime-database" "${CMAKE_COMMAND}" -E env "XDG_DATA_HOME=${home}"
        PKGSYSTEM_ENABLE_FSYNC=0 "${UPDATE_MIME_DATABASE}" "${home}/mime")
endforeach()
set(mimeCopy "${home_velmora}/mime")
file(STRINGS "${mimeCopy}/globs2" globs REGEX ":${mimeType}:")
file(STRINGS "${mimeCopy}/subclasses" parents REGEX "^${mimeType} ")
file(STRINGS "${mimeCopy}/icons" icons REGEX "^${mimeType}:")
if(NOT (globs STREQUAL "" AND parents STREQUAL "${mimeType} text/plain"
        AND icons STREQUAL "${mimeType}:${mimeIcon}"))
    message(FATAL_ERROR "the compiled MIME type: globs '${globs}', parents '${parents}', icons '${icons}'")
endif()
file(READ "${mimeCopy}/application/x-velmora-map.xml" compiled)
if(NOT (compiled MATCHES "<comment>3D Velmora map</comment>"
        AND compiled MATCHES "<comment xml:lang=\"fr\">Carte 3D Velmora</comment>"))
    message(FATAL_ERROR "the compiled MIME type has not both comments:\n${compiled}")
endif()

# A file's type as GLib's gio sees it with the database in home.
function(contentType home path variable)
    execute_process(COMMAND "${CMAKE_COMMAND}" -E env "XDG_DATA_HOME=${home}" "XDG_DATA_DIRS=${home}/none"
            "${GIO}" info -a standard::content-type "${path}"
        OUTPUT_VARIABLE shown ERROR_VARIABLE shown)
    string(REGEX MATCH "standard::content-type: ([^\n]*)" ignored "${shown}")
    set(${variable} "${CMAKE_MATCH_1}" PARENT_SCOPE)
endfunction()

# Each sample is a map; other programs' files named .map keep the type they
# have without ours: a JavaScript source map, a linker map, a binary file (a
# PNG picture) and an empty file.
foreach(map test.map river.map short.map broken.map)
    contentType("${home_velmora}" "${prefix}/${DATADIR}/velmora/maps/${map}" type)
    if(NOT type STREQUAL mimeType)
        message(FATAL_ERROR "the sample ${map} is '${type}', not ${mimeType}")
    endif()
endforeach()
set(others "${BUILD_DIR}/installCheck-others")
file(WRITE "${others}/app.js.map" "{\"version\":3,\"sources\":[\"app.ts\"],\"mappings\":\"AAAA\"}\n")
file(WRITE "${others}/linker.map" "Archive member included to satisfy reference by file (symbol)\n\nMemory Configuration\n")
configure_file("${prefix}/${DATADIR}/icons/hicolor/16x16/apps/${id}.png" "${others}/binary.map" COPYONLY)
file(WRITE "${others}/empty.map" "")
foreach(file app.js.map linker.map binary.map empty.map)
    contentType("${home_freedesktop}" "${others}/${file}" own)
    contentType("${home_velmora}" "${others}/${file}" type)
    if(NOT (type STREQUAL own AND own))
        message(FATAL_ERROR "${file} is '${type}' with the map type installed, '${own}' without it")
    endif()
endforeach()
file(REMOVE_RECURSE "${home_freedesktop}" "${home_velmora}" "${others}")

# The thumbnailer, run as freedesktop.org's thumbnail standard has a file
# manager run it: TryExec found, the Exec line's %s, %i, %u and %o replaced
# by the size, the map's path and URI and the thumbnail's path.
file(STRINGS "${prefix}/${thumbnailer}" lines)
set(keys)
foreach(line IN LISTS lines)
    if(line MATCHES "^([A-Za-z]+)=(.*)$")
        set(key_${CMAKE_MATCH_1} "${CMAKE_MATCH_2}")
        list(APPEND keys ${CMAKE_MATCH_1})
    endif()
endforeach()
if(NOT (lines MATCHES "\\[Thumbnailer Entry\\]" AND key_TryExec STREQUAL "velmora-render"
        AND ";${key_MimeType};" MATCHES ";${mimeType};"))
    message(FATAL_ERROR "velmora.thumbnailer: TryExec '${key_TryExec}', MimeType '${key_MimeType}'")
endif()
if(NOT EXISTS "${prefix}/${BINDIR}/${key_TryExec}")
    message(FATAL_ERROR "the thumbnailer's TryExec ${key_TryExec} is not installed")
endif()
set(thumbnailMap "${prefix}/${DATADIR}/velmora/maps/river.map")
set(thumbnail "${BUILD_DIR}/installCheck-thumbnail.png")
file(REMOVE "${thumbnail}")
separate_arguments(command UNIX_COMMAND "${key_Exec}")
set(run)
foreach(word IN LISTS command)
    string(REPLACE "%s" "128" word "${word}")
    string(REPLACE "%i" "${thumbnailMap}" word "${word}")
    string(REPLACE "%u" "file://${thumbnailMap}" word "${word}")
    string(REPLACE "%o" "${thumbnail}" word "${word}")
    list(APPEND run "${word}")
endforeach()
list(GET run 0 program)
list(REMOVE_AT run 0)
execute_process(COMMAND "${prefix}/${BINDIR}/${program}" ${run}
    RESULT_VARIABLE result ERROR_VARIABLE errors)
if(NOT (result EQUAL 0 AND errors STREQUAL "" AND EXISTS "${thumbnail}"))
    message(FATAL_ERROR "the thumbnailer's Exec line '${key_Exec}' failed (${result}): ${errors}")
endif()
pngSize("${thumbnail}" width height)
if(NOT (width EQUAL 128 AND height EQUAL 66))
    message(FATAL_ERROR "the thumbnail for 128 pixels is ${width} by ${height}")
endif()
file(REMOVE "${thumbnail}")

# The metainfo: valid for AppStream, naming every installed program and the
# release that the manual pages are dated from. The validator's one pedantic
# hint is the capital V of the id, which the desktop entry's name shares.
execute_process(COMMAND "${APPSTREAMCLI}" validate --no-net --pedantic "${prefix}/${metainfo}"
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
string(REGEX REPLACE "P: ${id}:[0-9]+: cid-contains-uppercase-letter ${id}\n" "" remarks "${output}")
string(REGEX REPLACE "\n*.*Validation was successful[^\n]*\n*" "" remarks "${remarks}")
if(NOT (result EQUAL 0 AND remarks STREQUAL ""))
    message(FATAL_ERROR "appstreamcli validate: ${output}")
endif()
file(READ "${prefix}/${metainfo}" text)
foreach(program IN LISTS programs)
    if(NOT text MATCHES "<binary>${program}</binary>")
        message(FATAL_ERROR "the metainfo does not list ${program}")
    endif()
endforeach()
if(NOT text MATCHES "<launchable type=\"desktop-id\">${id}.desktop</launchable>")
    message(FATAL_ERROR "the metainfo does not launch ${id}.desktop")
endif()
if(NOT text MATCHES "<release version=\"${VERSION}\" date=\"([0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9])\"")
    message(FATAL_ERROR "the metainfo has no release ${VERSION} with a date")
endif()
set(releaseDate "${CMAKE_MATCH_1}")

# The manual pages: dated from the release, silent under groff's and mandoc's
# warnings, and the ground code table whole in the terminal, where groff once
# split a table with a blank line.
foreach(program IN LISTS programs)
    set(page "${prefix}/${MANDIR}/man1/${program}.1")
    file(STRINGS "${page}" heading REGEX "^\\.TH ")
    if(NOT heading MATCHES "^\\.TH [^ ]+ 1 \"${releaseDate}\" \"velmora ${VERSION}\"")
        message(FATAL_ERROR "${program}(1) is not dated ${releaseDate}: ${heading}")
    endif()
    file(READ "${page}" text)
    string(FIND "${text}" "${mapsFolder}" at)
    if(at LESS 0)
        message(FATAL_ERROR "${program}(1) does not name the installed sample maps ${mapsFolder}")
    endif()
    expectSilent("groff on ${program}(1)" "${GROFF}" -ww -z -t -man "${page}")
    expectSilent("mandoc on ${program}(1)" "${MANDOC}" -T lint "${page}")
    execute_process(COMMAND "${GROFF}" -t -man -Tutf8 -rcR=1 "${page}"
        OUTPUT_VARIABLE shown ERROR_QUIET)
    if(shown MATCHES "\n *Code +Ground +Walkable\n(.*)\n *other +empty ")
        if(CMAKE_MATCH_1 MATCHES "\n[ \t]*\n")
            message(FATAL_ERROR "${program}(1): a blank line inside the ground code table")
        endif()
    else()
        message(FATAL_ERROR "${program}(1) shows no ground code table")
    endif()
endforeach()

# The installed renderer, run on an installed sample from another folder.
execute_process(COMMAND "${prefix}/${BINDIR}/velmora-render"
        "${prefix}/${DATADIR}/velmora/maps/river.map" "${BUILD_DIR}/installCheck.png"
    WORKING_DIRECTORY "${BUILD_DIR}"
    RESULT_VARIABLE result ERROR_VARIABLE errors)
if(NOT (result EQUAL 0 AND errors STREQUAL ""))
    message(FATAL_ERROR "installed velmora-render failed (${result}): ${errors}")
endif()
if(NOT (EXISTS "${BUILD_DIR}/installCheck.png"))
    message(FATAL_ERROR "installed velmora-render wrote nothing")
endif()
file(REMOVE_RECURSE "${prefix}" "${BUILD_DIR}/installCheck.png")

# SPDX-License-Identifier: MIT
# Installs the build into a fresh temporary prefix, as `cmake --install` does
# for users and for the package, and checks the installed tree: every file in
# its folder, nothing else, the desktop entry's keys, and that the installed
# renderer works from there.
#
# cmake -DBUILD_DIR=... -DSOURCE_DIR=... -DBINDIR=... -DDATADIR=... -DMANDIR=...
#       -DDOCDIR=... -P installCheck.cmake

set(prefix "${BUILD_DIR}/installCheck")
file(REMOVE_RECURSE "${prefix}")

execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}"
    RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT (result EQUAL 0))
    message(FATAL_ERROR "cmake --install failed")
endif()

# The icon folder is named after the picture's size.
file(READ "${SOURCE_DIR}/resources/Icons/base.png" header OFFSET 16 LIMIT 4 HEX)
math(EXPR size "0x${header}")
set(icon "${DATADIR}/icons/hicolor/${size}x${size}/apps/velmora.png")

# Manual pages and the changelog are installed compressed when gzip is there.
file(GLOB manuals RELATIVE "${prefix}" "${prefix}/${MANDIR}/man1/*")
file(GLOB changelog RELATIVE "${prefix}" "${prefix}/${DOCDIR}/changelog*")

set(expected
    "${BINDIR}/velmora"
    "${BINDIR}/velmora-render"
    "${DATADIR}/applications/velmora.desktop"
    "${icon}"
    "${DATADIR}/velmora/maps/river.map"
    "${DATADIR}/velmora/maps/short.map"
    "${DATADIR}/velmora/maps/test.map"
    "${DOCDIR}/copyright")
list(SORT manuals)
set(manualPattern "^${MANDIR}/man1/velmora-render\\.1(\\.gz)?;${MANDIR}/man1/velmora\\.1(\\.gz)?$")
if(NOT manuals MATCHES "${manualPattern}")
    message(FATAL_ERROR "manual pages: expected velmora.1 and velmora-render.1, found '${manuals}'")
endif()
if(NOT (changelog MATCHES "^${DOCDIR}/changelog(\\.gz)?$"))
    message(FATAL_ERROR "changelog: found '${changelog}'")
endif()
list(APPEND expected ${manuals} ${changelog})
list(SORT expected)
file(GLOB_RECURSE installed RELATIVE "${prefix}" "${prefix}/*")
list(SORT installed)
if(NOT (installed STREQUAL expected))
    message(FATAL_ERROR "installed tree:\n  ${installed}\nexpected:\n  ${expected}")
endif()

foreach(file test.map river.map short.map)
    execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files
        "${SOURCE_DIR}/maps/${file}" "${prefix}/${DATADIR}/velmora/maps/${file}"
        RESULT_VARIABLE differs)
    if(NOT (differs EQUAL 0))
        message(FATAL_ERROR "installed ${file} differs from maps/${file}")
    endif()
endforeach()
execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files
    "${SOURCE_DIR}/resources/Icons/base.png" "${prefix}/${icon}" RESULT_VARIABLE differs)
if(NOT (differs EQUAL 0))
    message(FATAL_ERROR "the installed icon is not resources/Icons/base.png")
endif()

# The desktop entry: the keys the menus and the task bar rely on.
# Read whole: a value such as "Graphics;Viewer;" would be split as a CMake list.
file(READ "${prefix}/${DATADIR}/applications/velmora.desktop" entry)
if(NOT entry MATCHES "^(#[^\n]*\n)*\\[Desktop Entry\\]\n")
    message(FATAL_ERROR "velmora.desktop does not start with [Desktop Entry]")
endif()
foreach(key Type Name Comment Exec TryExec Icon Categories Terminal)
    string(REGEX MATCH "\n${key}=([^\n]*)" found "\n${entry}")
    set(${key} "${CMAKE_MATCH_1}")
endforeach()
foreach(pair Type=Application "Name=3D Velmora" Exec=velmora TryExec=velmora Icon=velmora
        Terminal=false)
    string(REGEX MATCH "^([^=]*)=(.*)$" ignored "${pair}")
    if(NOT ("${${CMAKE_MATCH_1}}" STREQUAL "${CMAKE_MATCH_2}"))
        message(FATAL_ERROR "${CMAKE_MATCH_1} is '${${CMAKE_MATCH_1}}', not '${CMAKE_MATCH_2}'")
    endif()
endforeach()
if(Comment STREQUAL "")
    message(FATAL_ERROR "Comment is empty")
endif()
if(NOT (";${Categories};" MATCHES ";Graphics;" AND ";${Categories};" MATCHES ";Viewer;"))
    message(FATAL_ERROR "Categories is '${Categories}'")
endif()
find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
if(DESKTOP_FILE_VALIDATE)
    execute_process(
        COMMAND "${DESKTOP_FILE_VALIDATE}" "${prefix}/${DATADIR}/applications/velmora.desktop"
        RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(NOT (result EQUAL 0 AND output STREQUAL ""))
        message(FATAL_ERROR "desktop-file-validate: ${output}")
    endif()
else()
    message(STATUS "desktop-file-validate is not installed; the entry's keys were checked alone")
endif()

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

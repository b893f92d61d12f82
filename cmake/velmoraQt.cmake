# Finds Qt for the build: Qt 6 where it is installed, Qt 5.15 otherwise, or the
# major version asked for with -DVELMORA_QT_MAJOR=5 (or 6).
#
# The build files are written in the Qt 6 idiom. Qt 5.15 already has the
# versionless Qt:: targets; the few Qt 6 commands it lacks are provided below,
# with the meaning they have in Qt 6, and only when building with Qt 5.

set(VELMORA_QT_MAJOR "" CACHE STRING
    "Qt major version to build with (6 or 5); empty picks Qt 6 when found")

if(VELMORA_QT_MAJOR)
    find_package(Qt${VELMORA_QT_MAJOR} 5.15 REQUIRED COMPONENTS Widgets Test)
    set(velmoraQtMajor ${VELMORA_QT_MAJOR})
else()
    find_package(QT NAMES Qt6 Qt5 REQUIRED COMPONENTS Widgets)
    find_package(Qt${QT_VERSION_MAJOR} 5.15 REQUIRED COMPONENTS Widgets Test)
    set(velmoraQtMajor ${QT_VERSION_MAJOR})
endif()
message(STATUS "Building with Qt ${Qt${velmoraQtMajor}_VERSION}")

if(velmoraQtMajor EQUAL 5)
    # Qt 6.3's project defaults: moc and uic run automatically, and the
    # standard install folders are known.
    macro(qt_standard_project_setup)
        set(CMAKE_AUTOMOC ON)
        set(CMAKE_AUTOUIC ON)
        include(GNUInstallDirs)
    endmacro()

    function(qt_add_executable target)
        add_executable(${target} ${ARGN})
    endfunction()

    function(qt_add_library target)
        add_library(${target} ${ARGN})
    endfunction()

    # Qt 5.15's qt_add_resources only knows the old form (output variable,
    # .qrc files); the Qt 6 target form is added here:
    #   qt_add_resources(target name [PREFIX prefix] [BASE folder] FILES files...)
    # As Qt 6 does for libraries, the bundle is compiled in an object library of
    # the calling folder, whose object is handed to every program linking the
    # target, so that it registers at static initialisation.
    function(qt_add_resources)
        if(NOT "FILES" IN_LIST ARGV)
            list(GET ARGV 0 outputs)
            qt5_add_resources(${ARGV})
            set(${outputs} ${${outputs}} PARENT_SCOPE)
            return()
        endif()
        cmake_parse_arguments(PARSE_ARGV 2 arg "" "PREFIX;BASE" "FILES")
        set(target ${ARGV0})
        string(MAKE_C_IDENTIFIER "${ARGV1}" name)
        if(NOT arg_PREFIX)
            set(arg_PREFIX /)
        endif()
        if(NOT arg_BASE)
            set(arg_BASE ${CMAKE_CURRENT_SOURCE_DIR})
        endif()
        get_filename_component(base "${arg_BASE}" ABSOLUTE)

        set(qrc "<RCC>\n  <qresource prefix=\"${arg_PREFIX}\">\n")
        set(inputs)
        foreach(file IN LISTS arg_FILES)
            get_filename_component(path "${file}" ABSOLUTE)
            file(RELATIVE_PATH alias "${base}" "${path}")
            string(APPEND qrc "    <file alias=\"${alias}\">${path}</file>\n")
            list(APPEND inputs "${path}")
        endforeach()
        string(APPEND qrc "  </qresource>\n</RCC>\n")
        set(qrcFile "${CMAKE_CURRENT_BINARY_DIR}/.rcc/${name}.qrc")
        set(cppFile "${CMAKE_CURRENT_BINARY_DIR}/.rcc/qrc_${name}.cpp")
        # Rewritten only when it changes, so that a new configure does not rebuild.
        file(WRITE "${qrcFile}.new" "${qrc}")
        configure_file("${qrcFile}.new" "${qrcFile}" COPYONLY)

        add_custom_command(OUTPUT "${cppFile}"
            COMMAND Qt5::rcc --name ${name} --output "${cppFile}" "${qrcFile}"
            DEPENDS "${qrcFile}" ${inputs} Qt5::rcc
            VERBATIM)
        set(objects ${target}_resources_${name})
        add_library(${objects} OBJECT "${cppFile}")
        set_target_properties(${objects} PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
        target_link_libraries(${objects} PRIVATE Qt5::Core)
        target_link_libraries(${target} INTERFACE "$<TARGET_OBJECTS:${objects}>")
        add_dependencies(${target} ${objects})
    endfunction()
endif()

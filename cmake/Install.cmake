# Installation, the Debian package and the Windows version record.
#
# Included from the top-level CMakeLists.txt once the targets tagwell and
# tagwell-convert exist, and after include(CTest), whose BUILD_TESTING decides
# whether the checks at the end are added. It defines
#   tagwell_windows_resources(<target>)
# which adds the version record and the icon to a Windows executable, and does
# nothing elsewhere, so the caller needs no if(WIN32) of its own.
include_guard(GLOBAL)
include(GNUInstallDirs)

cmake_path(SET TAGWELL_RESOURCES_DIR NORMALIZE "${CMAKE_CURRENT_LIST_DIR}/../resources")
# The name under which the desktop, AppStream and the icon theme know the
# program; the three must agree or the menu entry loses its icon.
set(TAGWELL_APP_ID org.example.Tagwell)
# The package's name and version, which its changelog repeats.
set(TAGWELL_PACKAGE_NAME tagwell)
set(TAGWELL_PACKAGE_VERSION "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}")

# --- Windows version record -------------------------------------------------
# Configured on every system, not only Windows: the windres check below keeps
# the record compiling where no Windows build is ever made.
set(TAGWELL_WINDOWS_RC "${PROJECT_BINARY_DIR}/resources/tagwell.rc")
set(TAGWELL_RC_MANIFEST "${PROJECT_BINARY_DIR}/resources/tagwell.manifest")
block(SCOPE_FOR VARIABLES)
    # FILEVERSION wants four numbers; project(VERSION 1.0) would leave the
    # last ones empty and the record unparsable.
    foreach(part MAJOR MINOR PATCH TWEAK)
        if(NOT PROJECT_VERSION_${part} MATCHES "^[0-9]+$")
            set(PROJECT_VERSION_${part} 0)
        endif()
    endforeach()
    # The text form is the one Windows programs have long shown: "1.00".
    if(PROJECT_VERSION_MINOR LESS 10)
        set(TAGWELL_RC_VERSION_TEXT "${PROJECT_VERSION_MAJOR}.0${PROJECT_VERSION_MINOR}")
    else()
        set(TAGWELL_RC_VERSION_TEXT "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}")
    endif()
    set(TAGWELL_RC_ICON "${TAGWELL_RESOURCES_DIR}/icons/tagwell.ico")
    # The manifest names the processor the executable is built for.
    if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(i.86|x86)$")
        set(TAGWELL_RC_ARCHITECTURE x86)
    else()
        set(TAGWELL_RC_ARCHITECTURE amd64)
    endif()
    configure_file("${TAGWELL_RESOURCES_DIR}/tagwell.manifest.in" "${TAGWELL_RC_MANIFEST}" @ONLY)
    configure_file("${TAGWELL_RESOURCES_DIR}/tagwell.rc.in" "${TAGWELL_WINDOWS_RC}" @ONLY)
endblock()

function(tagwell_windows_resources target)
    if(WIN32)
        target_sources(${target} PRIVATE "${TAGWELL_WINDOWS_RC}")
        # The .rc names the icon by its path in the source tree, which the
        # generator cannot see as a dependency by itself. Source properties
        # belong to a folder: the target's, wherever this is called from.
        set_property(SOURCE "${TAGWELL_WINDOWS_RC}" TARGET_DIRECTORY ${target}
                     APPEND PROPERTY OBJECT_DEPENDS "${TAGWELL_RESOURCES_DIR}/icons/tagwell.ico"
                                                    "${TAGWELL_RC_MANIFEST}")
    endif()
endfunction()

# --- Installation -----------------------------------------------------------
install(TARGETS tagwell tagwell-convert
        RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}"
        BUNDLE DESTINATION .)
# A stripped install (cpack, install/strip) also drops the compiler's
# version notes, as a distribution's strip does: nothing runs from them.
if(CMAKE_EXECUTABLE_FORMAT STREQUAL "ELF" AND CMAKE_STRIP)
    block(SCOPE_FOR VARIABLES)
    set(programs "$<TARGET_FILE_NAME:tagwell>;$<TARGET_FILE_NAME:tagwell-convert>")
    string(CONFIGURE [[
        if(CMAKE_INSTALL_DO_STRIP)
            foreach(program @programs@)
                execute_process(COMMAND "@CMAKE_STRIP@" --remove-section=.comment --remove-section=.note
                                        "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/@CMAKE_INSTALL_BINDIR@/${program}"
                                COMMAND_ERROR_IS_FATAL ANY)
            endforeach()
        endif()
    ]] strip_notes @ONLY)
    install(CODE "${strip_notes}")
    endblock()
endif()

if(UNIX AND NOT APPLE)
    install(FILES "${TAGWELL_RESOURCES_DIR}/desktop/${TAGWELL_APP_ID}.desktop"
            DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
    install(FILES "${TAGWELL_RESOURCES_DIR}/desktop/${TAGWELL_APP_ID}.metainfo.xml"
            DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")
    foreach(size 16 32)
        install(FILES "${TAGWELL_RESOURCES_DIR}/icons/tagwell-${size}.png"
                DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps"
                RENAME "${TAGWELL_APP_ID}.png")
    endforeach()
    install(FILES "${TAGWELL_RESOURCES_DIR}/icons/tagwell.svg"
            DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps"
            RENAME "${TAGWELL_APP_ID}.svg")

    # Manual pages and the changelog are installed gzipped, as Debian asks:
    # -9 for size, -n so that the same text always gives the same bytes.
    find_program(TAGWELL_GZIP gzip REQUIRED)
    set(TAGWELL_DOC_DIR "${CMAKE_INSTALL_DATADIR}/doc/${TAGWELL_PACKAGE_NAME}")
    configure_file("${TAGWELL_RESOURCES_DIR}/debian/changelog.in" "${PROJECT_BINARY_DIR}/resources/changelog" @ONLY)
    set(compressed "")
    function(tagwell_gzip source destination)
        cmake_path(GET source FILENAME name)
        set(copy "${PROJECT_BINARY_DIR}/resources/gz/${name}")
        add_custom_command(OUTPUT "${copy}.gz"
                           COMMAND "${CMAKE_COMMAND}" -E copy "${source}" "${copy}"
                           COMMAND "${TAGWELL_GZIP}" -9nf "${copy}"
                           DEPENDS "${source}"
                           VERBATIM)
        set(compressed ${compressed} "${copy}.gz" PARENT_SCOPE)
        install(FILES "${copy}.gz" DESTINATION "${destination}")
    endfunction()
    foreach(page tagwell tagwell-convert)
        tagwell_gzip("${TAGWELL_RESOURCES_DIR}/man/${page}.1" "${CMAKE_INSTALL_MANDIR}/man1")
    endforeach()
    tagwell_gzip("${PROJECT_BINARY_DIR}/resources/changelog" "${TAGWELL_DOC_DIR}")
    add_custom_target(tagwell_compressed_docs ALL DEPENDS ${compressed})
    install(FILES "${TAGWELL_RESOURCES_DIR}/debian/copyright" DESTINATION "${TAGWELL_DOC_DIR}")
    install(FILES "${TAGWELL_RESOURCES_DIR}/debian/lintian-overrides"
            DESTINATION "${CMAKE_INSTALL_DATADIR}/lintian/overrides" RENAME tagwell)
endif()

# --- Debian package: cpack in the build folder ------------------------------
if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
    set(CPACK_GENERATOR DEB)
endif()
set(CPACK_PACKAGE_NAME "${TAGWELL_PACKAGE_NAME}")
set(CPACK_PACKAGE_VENDOR "Tagwell developers")
set(CPACK_PACKAGE_CONTACT "Tagwell developers <dev@tagwell.example.org>")
set(CPACK_PACKAGE_VERSION "${TAGWELL_PACKAGE_VERSION}")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://tagwell.example.org/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "convert source code into a verbatim HTML fragment")
# Without it CPack falls back on a generic text of its own. CPack mangles
# double quotes and semicolons in it on the way to the control file, so the
# text holds neither.
set(CPACK_PACKAGE_DESCRIPTION
    "Tagwell turns a piece of source code into an HTML fragment that a web page
shows verbatim: every less-than and greater-than sign is written as its HTML
entity, and the whole is wrapped in pre tags, which can first be removed from
the text. It comes as a desktop window (paste, convert, copy) and as a
command-line filter, tagwell-convert.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${CPACK_PACKAGE_HOMEPAGE_URL}")
# Depends comes from the libraries the programs link (libqt6widgets6 and so
# on), read from the binaries by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The Wayland plugin lets the window run natively on a Wayland desktop.
# The captions are Chinese; without a CJK font they are boxes. apt installs
# the first font when none of them is there.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, fonts-noto-cjk | fonts-wqy-microhei | fonts-wqy-zenhei")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# A source package would otherwise sweep up build folders and the history.
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build/")
include(CPack)

# --- Checks -----------------------------------------------------------------
if(BUILD_TESTING)
    if(UNIX AND NOT APPLE)
        add_test(NAME install_layout
                 COMMAND sh "${CMAKE_CURRENT_LIST_DIR}/check_install.sh"
                         --cpack "${CMAKE_CPACK_COMMAND}"
                         --fortified "$<IF:${TAGWELL_FORTIFIED},yes,no>"
                         "${CMAKE_COMMAND}" "${PROJECT_BINARY_DIR}" "$<CONFIG>")
    endif()

    # windres needs a C preprocessor; mingw's own is seldom installed beside
    # it, but any GCC or Clang reads the record the same way.
    find_program(TAGWELL_WINDRES NAMES x86_64-w64-mingw32-windres)
    if(TAGWELL_WINDRES AND CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
        add_test(NAME windres_version_record
                 COMMAND "${CMAKE_COMMAND}"
                         "-DWINDRES=${TAGWELL_WINDRES}"
                         "-DPREPROCESSOR=${CMAKE_CXX_COMPILER}"
                         "-DRC=${TAGWELL_WINDOWS_RC}"
                         "-DOUT=${PROJECT_BINARY_DIR}/resources/windres_version_record"
                         "-DVERSION=${PROJECT_VERSION}"
                         -P "${CMAKE_CURRENT_LIST_DIR}/check_version_record.cmake")
    endif()
endif()

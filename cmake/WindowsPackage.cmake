# The Windows programs as one zip for people to unzip and run:
# tagwell-<version>-windows-x64.zip in the build folder, holding one folder of
# the same name with tagwell.exe, tagwell-convert.exe, the licence and a short
# read-me, the texts with CR LF for Notepad. Its version is the Debian
# package's (cmake/Install.cmake). Built with the programs; `make
# package-windows` builds it alone.
include_guard(GLOBAL)

set(TAGWELL_WINDOWS_PACKAGE "tagwell-${TAGWELL_PACKAGE_VERSION}-windows-x64")
set(TAGWELL_WINDOWS_ZIP "${PROJECT_BINARY_DIR}/${TAGWELL_WINDOWS_PACKAGE}.zip")
block(SCOPE_FOR VARIABLES)
    set(stage "${PROJECT_BINARY_DIR}/package-windows")
    set(folder "${stage}/${TAGWELL_WINDOWS_PACKAGE}")
    configure_file("${PROJECT_SOURCE_DIR}/resources/windows/README.txt.in" "${stage}/README.txt" @ONLY
                   NEWLINE_STYLE CRLF)
    configure_file("${PROJECT_SOURCE_DIR}/LICENSE" "${stage}/LICENSE.txt" @ONLY NEWLINE_STYLE CRLF)
    add_custom_command(OUTPUT "${TAGWELL_WINDOWS_ZIP}"
                       COMMAND "${CMAKE_COMMAND}" -E rm -rf "${folder}"
                       COMMAND "${CMAKE_COMMAND}" -E make_directory "${folder}"
                       COMMAND "${CMAKE_COMMAND}" -E copy "$<TARGET_FILE:tagwell>" "$<TARGET_FILE:tagwell-convert>"
                               "${stage}/README.txt" "${stage}/LICENSE.txt" "${folder}"
                       COMMAND "${CMAKE_COMMAND}" -E rm -f "${TAGWELL_WINDOWS_ZIP}"
                       COMMAND "${CMAKE_COMMAND}" -E tar cf "${TAGWELL_WINDOWS_ZIP}" --format=zip
                               "${TAGWELL_WINDOWS_PACKAGE}"
                       WORKING_DIRECTORY "${stage}"
                       DEPENDS tagwell tagwell-convert "${stage}/README.txt" "${stage}/LICENSE.txt"
                       VERBATIM)
endblock()
add_custom_target(tagwell-windows-zip ALL DEPENDS "${TAGWELL_WINDOWS_ZIP}")

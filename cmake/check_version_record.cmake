# Compiles the configured tagwell.rc with mingw's windres and reads the result
# back, so that a record which Windows would reject or show garbled is caught
# on a system that never builds for Windows. Run by the windres_version_record
# test:
#   cmake -DWINDRES=... -DPREPROCESSOR=... -DRC=... -DOUT=... -DVERSION=1.0.0.0
#         -P check_version_record.cmake
cmake_minimum_required(VERSION 3.25)

foreach(var WINDRES PREPROCESSOR RC OUT VERSION)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "check_version_record.cmake: -D${var}=... is missing")
    endif()
endforeach()

file(MAKE_DIRECTORY "${OUT}")
set(res "${OUT}/tagwell.res")
file(REMOVE "${res}")
set(preprocess --preprocessor=${PREPROCESSOR} --preprocessor-arg=-E --preprocessor-arg=-xc
               --preprocessor-arg=-DRC_INVOKED)

# The object form is what a MinGW link takes; the .res form can be read back.
execute_process(COMMAND "${WINDRES}" ${preprocess} -O coff "${RC}" "${OUT}/tagwell.o" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "windres could not compile ${RC} to an object")
endif()
execute_process(COMMAND "${WINDRES}" ${preprocess} -O res "${RC}" "${res}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "windres could not compile ${RC} to a .res")
endif()
execute_process(COMMAND "${WINDRES}" -J res -O rc "${res}" OUTPUT_VARIABLE dump RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "windres could not read back ${res}")
endif()

set(problems "")
function(expect regex what)
    if(NOT dump MATCHES "${regex}")
        set(problems "${problems}\n  ${what}" PARENT_SCOPE)
    endif()
endfunction()

string(REPLACE "." ";" numbers "${VERSION}")
list(APPEND numbers 0 0 0)
list(SUBLIST numbers 0 4 numbers)
list(JOIN numbers ", " four)
list(GET numbers 0 major)
list(GET numbers 1 minor)
if(minor LESS 10)
    set(minor "0${minor}")
endif()
expect("FILEVERSION ${four}\n" "FILEVERSION is not ${four}")
expect("PRODUCTVERSION ${four}\n" "PRODUCTVERSION is not ${four}")
expect("BLOCK \"080404B0\"" "no StringFileInfo block 080404B0")
expect("VALUE \"FileVersion\", \"${major}\\.${minor}\"" "FileVersion is not ${major}.${minor}")
expect("VALUE \"ProductVersion\", \"${major}\\.${minor}\"" "ProductVersion is not ${major}.${minor}")
expect("VALUE \"InternalName\", \"Tagwell\"" "InternalName is not Tagwell")
expect("VALUE \"OriginalFilename\", \"Tagwell.exe\"" "OriginalFilename is not Tagwell.exe")
expect("VALUE \"Translation\", 0x804, 1200" "Translation is not 0x0804, 0x04B0")
expect("IDI_ICON1" "the icon is not IDI_ICON1")
# Old shells pick the image by size and colour depth: 32x32 with 2 colours at
# 1 bit, 32x32 and 16x16 with 16 colours at 4 bits, in that order. windres
# shows each image's width, height and colour count in octal: \040 is 32,
# \020 is 16.
set(image "\"(\\\\[0-7][0-7][0-7])+\", [0-9]+, [0-9]+,") # "width height colours pad", planes, bits,
string(REGEX MATCHALL "${image}" images "${dump}")
list(JOIN images " " images)
string(REPLACE "\\" "" images "${images}")
string(REPLACE "\"" "" images "${images}")
set(wanted "040040002000, 1, 1, 040040020000, 1, 4, 020020020000, 1, 4,")
if(NOT images STREQUAL wanted)
    string(APPEND problems "\n  the icon images are not 32x32 1-bit, 32x32 4-bit, 16x16 4-bit")
endif()
# Read from a file in the wrong code page, the name would come out as other
# characters; windres shows it escaped, so the UTF-16 is compared as bytes.
file(READ "${res}" bytes HEX)
string(FIND "${bytes}" "e55d0b7a31000000" at) # "工程1" and its terminator
if(at EQUAL -1)
    string(APPEND problems "\n  ProductName is not 工程1 in UTF-16: is tagwell.rc.in still UTF-8 with "
                           "#pragma code_page(65001)?")
endif()

if(problems)
    # The icon images' bytes say nothing that the problems do not.
    string(REGEX REPLACE "\n  0x[^\n]*" "" dump "${dump}")
    message(FATAL_ERROR "${res} read back as:\n${dump}\nProblems:${problems}")
endif()

# Builds every program as Debian builds its own packages: PIE, the strong
# stack protector, full RELRO with immediate binding, and _FORTIFY_SOURCE
# where the build optimises. Included from the top-level CMakeLists.txt before
# any target exists, so that every target below it is built the same way.
include_guard(GLOBAL)

# PE and Mach-O have their own defaults; these flags are for ELF toolchains.
set(TAGWELL_FORTIFIED 0)
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang" OR NOT CMAKE_EXECUTABLE_FORMAT STREQUAL "ELF")
    return()
endif()

# With CMake's PIE policy on, POSITION_INDEPENDENT_CODE also links
# executables with -pie. Qt adds -fPIC to whatever links it, which a PIE
# takes as well.
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
include(CheckPIESupported)
check_pie_supported(OUTPUT_VARIABLE tagwell_pie_output LANGUAGES CXX)
if(NOT CMAKE_CXX_LINK_PIE_SUPPORTED)
    message(WARNING "The linker cannot make position-independent executables:\n${tagwell_pie_output}")
endif()

add_compile_options(-fstack-protector-strong)
add_link_options(LINKER:-z,relro LINKER:-z,now)

# The fortified functions need optimisation (glibc warns without it, which
# -Werror turns into a failure), and they hide from the sanitizers the very
# calls these check. Flags that already choose a level (a distribution's
# packaging) keep theirs; -U first, as some compilers define it by default.
# TAGWELL_FORTIFIED tells the package check which builds to hold to it.
if(NOT CMAKE_CXX_FLAGS MATCHES "-fsanitize=|_FORTIFY_SOURCE")
    add_compile_options("$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
    set(TAGWELL_FORTIFIED "$<CONFIG:Release,RelWithDebInfo,MinSizeRel>")
elseif(CMAKE_CXX_FLAGS MATCHES "-fsanitize=")
    set(TAGWELL_FORTIFIED 0)
else()
    set(TAGWELL_FORTIFIED 1)
endif()

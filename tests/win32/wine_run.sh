#!/bin/sh
# How CTest runs a Windows program of the build (CMAKE_CROSSCOMPILING_EMULATOR
# of the windows presets): under wine, in the prefix that the run's fixture
# made (WINEPREFIX, set by tests/win32/CMakeLists.txt), without debug output
# or a display, and never for longer than CTest allows.
#   tests/win32/wine_run.sh PROGRAM.exe [ARGS...]
set -eu
: "${WINEPREFIX:?wine_run.sh: WINEPREFIX is not set}"
wine=$(command -v wine64 2>/dev/null || echo /usr/lib/wine/wine64)
[ -x "$wine" ] || { echo "wine_run.sh: $wine is missing: scripts/setup.sh windows" >&2; exit 1; }
WINEDEBUG=-all
WINEDLLOVERRIDES="mscoree,mshtml="
LANG=C.UTF-8
LC_ALL=C.UTF-8
export WINEDEBUG WINEDLLOVERRIDES LANG LC_ALL
unset DISPLAY WAYLAND_DISPLAY
exec "$wine" "$@"

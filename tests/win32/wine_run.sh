#!/bin/sh
# How CTest runs a Windows program of the build (CMAKE_CROSSCOMPILING_EMULATOR
# of the windows presets): under wine, in the prefix that the run's fixture
# made (WINEPREFIX, set by tests/win32/CMakeLists.txt), without debug output
# or a display, and never for longer than CTest allows.
#   tests/win32/wine_run.sh PROGRAM.exe [ARGS...]
set -eu
: "${WINEPREFIX:?wine_run.sh: WINEPREFIX is not set}"
# shellcheck source=wine_env.sh
. "$(dirname "$0")/wine_env.sh"
require_wine wine_run.sh
exec "$wine" "$@"

#!/bin/sh
# The command-line suite's portable cases with the Windows build of
# tagwell-convert under wine, each compared byte for byte with the Linux
# build: `make test-windows` runs it after cross-building.
#   tests/windows_wine.sh PATH/TO/tst_cli PATH/TO/tagwell-convert.exe
# Wine gets a prefix of its own in a temporary folder (removed afterwards)
# and a time limit at every step, so that a wine that hangs fails the run
# instead.
set -eu
suite=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
exe=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/tagwell-wine.XXXXXX")
here=$(dirname "$0")
# shellcheck source=win32/wine_env.sh
. "$here/win32/wine_env.sh"
trap '"$here/win32/wine_prefix.sh" cleanup "$WINEPREFIX"' EXIT INT TERM
require_wine windows_wine.sh
# The prefix made once, and one server for all the runs, before the clock of
# the first case starts.
"$here/win32/wine_prefix.sh" setup "$WINEPREFIX"

TAGWELL_CONVERT_WINDOWS=$exe TAGWELL_WINE=$wine QT_QPA_PLATFORM=offscreen \
    timeout 600 "$suite" windowsMatchesLinux

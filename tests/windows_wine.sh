#!/bin/sh
# The command-line suite's portable cases with the Windows build of
# tagwell-convert under wine, each compared byte for byte with the Linux
# build: `make test-windows` runs it after cross-building.
#   tests/windows_wine.sh PATH/TO/tst_cli PATH/TO/tagwell-convert.exe
# Wine gets a prefix of its own in a temporary folder (removed afterwards),
# no debug output, a UTF-8 locale for the names in Chinese, and a time limit
# at every step, so that a wine that hangs fails the run instead.
set -eu
suite=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
exe=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
wine=$(command -v wine64 2>/dev/null || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver 2>/dev/null || echo /usr/lib/wine/wineserver)
for tool in "$wine" "$wineserver"; do
    [ -x "$tool" ] || { echo "windows_wine.sh: $tool is missing: scripts/setup.sh windows" >&2; exit 1; }
done

WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/tagwell-wine.XXXXXX")
WINEDEBUG=-all
WINEDLLOVERRIDES="mscoree,mshtml="
LANG=C.UTF-8
LC_ALL=C.UTF-8
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES LANG LC_ALL
unset DISPLAY WAYLAND_DISPLAY
cleanup() {
    timeout 20 "$wineserver" -k >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
}
trap cleanup EXIT INT TERM

# One server for all the runs, and the prefix made once, before the clock of
# the first case starts.
timeout 60 "$wineserver" -p
timeout 180 "$wine" "$exe" --version >/dev/null 2>&1

TAGWELL_CONVERT_WINDOWS=$exe TAGWELL_WINE=$wine QT_QPA_PLATFORM=offscreen \
    timeout 600 "$suite" windowsMatchesLinux

#!/bin/sh
# The wine prefix that a run of the Windows suites shares, made once: a fresh
# one costs seconds. `setup` makes it and keeps its server running, so that
# each suite starts at once; `cleanup` stops the server and removes it.
#   tests/win32/wine_prefix.sh setup|cleanup DIR
set -eu
wine=$(command -v wine64 2>/dev/null || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver 2>/dev/null || echo /usr/lib/wine/wineserver)
WINEPREFIX=$2
WINEDEBUG=-all
WINEDLLOVERRIDES="mscoree,mshtml="
LANG=C.UTF-8
LC_ALL=C.UTF-8
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES LANG LC_ALL
unset DISPLAY WAYLAND_DISPLAY
case "$1" in
setup)
    for tool in "$wine" "$wineserver"; do
        [ -x "$tool" ] || { echo "wine_prefix.sh: $tool is missing: scripts/setup.sh windows" >&2; exit 1; }
    done
    [ ! -d "$WINEPREFIX" ] || { timeout 20 "$wineserver" -k 2>/dev/null || true; rm -rf "$WINEPREFIX"; }
    mkdir -p "$WINEPREFIX"
    # Whatever stays running must not hold the caller's output open: CTest
    # waits for it to close.
    timeout 60 "$wineserver" -p </dev/null >/dev/null 2>&1
    timeout 180 "$wine" wineboot -i </dev/null >/dev/null 2>&1
    ;;
cleanup)
    timeout 20 "$wineserver" -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
    ;;
*)
    echo "usage: wine_prefix.sh setup|cleanup DIR" >&2
    exit 2
    ;;
esac

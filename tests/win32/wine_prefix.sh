#!/bin/sh
# The wine prefix that a run of the Windows suites shares, made once: a fresh
# one costs seconds. `setup` makes it and keeps its server running, so that
# each suite starts at once; `cleanup` stops the server and removes it.
#   tests/win32/wine_prefix.sh setup|cleanup DIR
set -eu
WINEPREFIX=$2
# shellcheck source=wine_env.sh
. "$(dirname "$0")/wine_env.sh"
case "$1" in
setup)
    require_wine wine_prefix.sh
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

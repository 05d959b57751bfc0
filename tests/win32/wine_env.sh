# What every wine run of the suites shares, sourced by the scripts that start
# one, with WINEPREFIX set: where wine is, no debug output, no prompts to
# install Mono or Gecko, a UTF-8 locale for the names in Chinese, and no
# display unless the script starts one of its own.
wine=$(command -v wine64 2>/dev/null || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver 2>/dev/null || echo /usr/lib/wine/wineserver)
WINEDEBUG=-all
WINEDLLOVERRIDES="mscoree,mshtml="
LANG=C.UTF-8
LC_ALL=C.UTF-8
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES LANG LC_ALL
unset DISPLAY WAYLAND_DISPLAY

# Fails with a hint when wine is not installed.
require_wine() {
    for tool in "$wine" "$wineserver"; do
        [ -x "$tool" ] || { echo "$1: $tool is missing: scripts/setup.sh windows" >&2; exit 1; }
    done
}

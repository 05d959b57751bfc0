#!/bin/bash
# The Windows window's figures under wine, on Xvfb with openbox, in a prefix
# of its own: start-up against the least Win32 window with an edit control,
# alternating runs (time until the window is mapped), then
# tagwell-bench-window (big texts beside WM_SETTEXT into a twin of the text
# area, and the in-place costs; minutes). Prints `name value` lines: medians and the ratios.
#   bench/wine_bench.sh WINDOWS_BUILD [FILE | --startup]
set -euo pipefail
build=$(cd "$1" && pwd)
file=${2:-}
[ -z "$file" ] || [ "$file" = --startup ] || file=$(realpath "$file")
runs=9
work=$(mktemp -d)
pids=()
WINEPREFIX=$work/prefix
# shellcheck source=../tests/win32/wine_env.sh
. "$(dirname "$0")/../tests/win32/wine_env.sh"
# Wine in the C locale; the X tools read the window's UTF-8 title.
wine_c=(env LANG=C LC_ALL=C "$wine")
trap 'timeout 20 "$wineserver" -k 2>/dev/null || true; kill "${pids[@]}" 2>/dev/null || true; rm -rf "$work"' EXIT

# shellcheck source=../scripts/x_session.sh
. "$(dirname "$0")/../scripts/x_session.sh"
start_x_session "$work"
mkdir -p "$WINEPREFIX"
timeout 60 "$wineserver" -p </dev/null >/dev/null 2>&1
timeout 180 "${wine_c[@]}" wineboot -i </dev/null >/dev/null 2>&1


# start PROGRAM TITLE: seconds until its window is viewable
start() {
    local begin pid elapsed
    begin=$EPOCHREALTIME
    "${wine_c[@]}" "$1" >/dev/null 2>&1 &
    pid=$!
    until xdotool search --onlyvisible --name "$2" >/dev/null 2>&1; do
        kill -0 "$pid" 2>/dev/null || { echo "wine_bench.sh: $1 ended before its window showed" >&2; exit 1; }
        sleep 0.005
    done
    elapsed=$(echo "$EPOCHREALTIME - $begin" | bc -l)
    echo "$elapsed"
    sleep 0.3
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    while xdotool search --onlyvisible --name "$2" >/dev/null 2>&1; do sleep 0.05; done
}
median() { sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
# The first start of each loads its DLLs from disk; it is not counted.
start "$build/bench/tagwell-bench-minimal-window.exe" '^minimal$' >/dev/null
start "$build/win32/tagwell.exe" '^Tagwell 1.0' >/dev/null
for _ in $(seq "$runs"); do
    start "$build/bench/tagwell-bench-minimal-window.exe" '^minimal$' >>"$work/minimal"
    start "$build/win32/tagwell.exe" '^Tagwell 1.0' >>"$work/tagwell"
done
t_min=$(median <"$work/minimal")
t_tag=$(median <"$work/tagwell")
printf 'minimal_startup_s %.3f\ntagwell_startup_s %.3f\nstartup_ratio %.2f\n' "$t_min" "$t_tag" \
    "$(echo "$t_tag / $t_min" | bc -l)"

[ "$file" != --startup ] || exit 0
timeout 1800 "${wine_c[@]}" "$build/bench/tagwell-bench-window.exe" ${file:+"Z:$file"} | tr -d '\r'

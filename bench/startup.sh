#!/bin/bash
# Start-up of the window against the least Qt window with a text box, on Xvfb
# with openbox, alternating runs: time until the window is mapped, and the
# resident memory once it is. Prints medians and the ratios.
#   bench/startup.sh PATH/TO/tagwell PATH/TO/tagwell-bench-minimal-window [RUNS]
set -euo pipefail
tagwell=$1
minimal=$2
runs=${3:-9}
unset QT_QPA_PLATFORM
work=$(mktemp -d)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null || true; rm -rf "$work"' EXIT

# shellcheck source=../scripts/x_session.sh
. "$(dirname "$0")/../scripts/x_session.sh"
start_x_session "$work"

# start PROGRAM TITLE: seconds until its window is viewable, then its RSS in KiB
start() {
    local begin pid elapsed
    begin=$EPOCHREALTIME
    "$1" >/dev/null 2>&1 &
    pid=$!
    # xdotool's own --sync waits in half seconds: poll finer than that.
    until xdotool search --onlyvisible --name "$2" >/dev/null 2>&1; do sleep 0.005; done
    elapsed=$(echo "$EPOCHREALTIME - $begin" | bc -l)
    sleep 0.3
    echo "$elapsed $(awk '/VmRSS/ { print $2 }' "/proc/$pid/status")"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    while xdotool search --onlyvisible --name "$2" >/dev/null 2>&1; do sleep 0.05; done
}
median() { sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }

for _ in $(seq "$runs"); do
    start "$minimal" '^minimal$' >>"$work/minimal"
    start "$tagwell" "${TITLE:-^Tagwell 1.0}" >>"$work/tagwell"
done
t_min=$(cut -d' ' -f1 "$work/minimal" | median)
t_tag=$(cut -d' ' -f1 "$work/tagwell" | median)
m_min=$(cut -d' ' -f2 "$work/minimal" | median)
m_tag=$(cut -d' ' -f2 "$work/tagwell" | median)
printf 'minimal_startup_s %.3f\ntagwell_startup_s %.3f\nstartup_ratio %.2f\n' "$t_min" "$t_tag" \
    "$(echo "$t_tag / $t_min" | bc -l)"
printf 'minimal_rss_kib %s\ntagwell_rss_kib %s\nrss_ratio %.2f\n' "$m_min" "$m_tag" "$(echo "$m_tag / $m_min" | bc -l)"

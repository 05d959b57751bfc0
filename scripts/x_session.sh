# Sourced by the bash scripts that need a real X server (the end-to-end test,
# the start-up benchmark). start_x_session WORKDIR starts Xvfb on a free
# display and openbox on it, exports DISPLAY, and adds both processes to the
# caller's `pids` array, for its exit trap to stop.
start_x_session() {
    local work=$1
    exec 3>"$work/display"
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 </dev/null &
    pids+=($!)
    for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
    export DISPLAY=":$(cat "$work/display")"
    openbox >/dev/null 2>&1 </dev/null &
    pids+=($!)
    sleep 0.5
}

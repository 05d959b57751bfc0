#!/bin/bash
# The window as a screen reader meets it: on Xvfb, in a D-Bus session of its
# own, with the accessibility bus switched on the way a screen reader does it
# (org.a11y.Status IsEnabled, before the program starts), read and driven
# through AT-SPI by tests/a11y_xvfb.py.
#   tests/a11y_xvfb.sh PATH/TO/tagwell
set -euo pipefail
here=$(dirname "$0")
if [ "${1:-}" = --in-session ]; then
    tagwell=$2
    for _ in $(seq 50); do
        dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
            org.freedesktop.DBus.Properties.Set string:org.a11y.Status string:IsEnabled variant:boolean:true \
            >/dev/null 2>&1 && break
        sleep 0.1
    done
    "$tagwell" &
    app=$!
    status=0
    # Debian's pyatspi serves the system's python, whatever python3 is first
    # on the PATH.
    timeout 40 /usr/bin/python3 "$here/a11y_xvfb.py" "$XDG_OPEN_LOG" || status=$?
    kill "$app" 2>/dev/null || true
    wait "$app" 2>/dev/null || true
    exit "$status"
fi

tagwell=$1
# The suites run on the offscreen platform; this one needs the X server, and
# the accessibility bus must come on as it does for a user, not by force.
unset QT_QPA_PLATFORM QT_ACCESSIBILITY
# shellcheck source=window_session.sh
. "$here/window_session.sh"
# shellcheck source=../scripts/x_session.sh
. "$here/../scripts/x_session.sh"
start_x_session "$work"
stand_in_browser

# The bus's helpers (the accessibility bus, its registry) write their
# chatter to the session's output: keep it in a file, shown on failure.
status=0
PATH="$work/bin:$PATH" timeout 60 dbus-run-session -- "$0" --in-session "$tagwell" \
    >"$work/session.log" 2>&1 </dev/null || status=$?
if [ "$status" -ne 0 ]; then
    cat "$work/session.log" >&2
    fail "the screen-reader checks ended with status $status"
fi
grep -E '^ok: ' "$work/session.log"

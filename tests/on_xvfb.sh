#!/bin/bash
# Runs a suite on a fresh X server with a window manager, for the suites that
# need real X11 clients around them.
#   tests/on_xvfb.sh PROGRAM [ARGS...]
set -euo pipefail
work=$(mktemp -d)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null || true; rm -rf "$work"' EXIT

# shellcheck source=../scripts/x_session.sh
. "$(dirname "$0")/../scripts/x_session.sh"
start_x_session "$work"
export QT_QPA_PLATFORM=xcb
status=0
"$@" || status=$?
exit "$status"

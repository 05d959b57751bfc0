# shellcheck shell=bash
# Sourced by the window's end-to-end suites: a scratch folder `work` and a
# list `pids` of processes to stop, both cleaned up at exit; fail and check
# for the results; message_box, the id of a message over the main window;
# stand_in_browser, an xdg-open in $work/bin that records the address it is
# handed in $XDG_OPEN_LOG and fails while $XDG_OPEN_FAIL exists.
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }
check() { # check WHAT EXPECTED ACTUAL
    [ "$2" = "$3" ] || fail "$1: expected $(printf %q "$2"), got $(printf %q "$3")"
    echo "ok: $1"
}

# The first visible X window other than $window whose name matches PATTERN,
# within TIMEOUT seconds; the run fails, saying WHEN, if none comes.
# shellcheck disable=SC2154 # window: set by the script that sources this
message_box() { # message_box PATTERN TIMEOUT WHEN: its id on standard output
    local box=""
    for _ in $(seq $(($2 * 10))); do
        box=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | grep -vx "$window" | head -n 1 || true)
        [ -z "$box" ] || { echo "$box"; return; }
        sleep 0.1
    done
    fail "no message $3"
}

stand_in_browser() {
    mkdir -p "$work/bin"
    cat >"$work/bin/xdg-open" <<'SCRIPT'
#!/bin/sh
echo "$@" >>"$XDG_OPEN_LOG"
[ ! -e "$XDG_OPEN_FAIL" ]
SCRIPT
    chmod +x "$work/bin/xdg-open"
    export XDG_OPEN_LOG=$work/xdg-open.log XDG_OPEN_FAIL=$work/fail-browser
    touch "$XDG_OPEN_LOG"
}

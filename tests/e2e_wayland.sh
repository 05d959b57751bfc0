#!/bin/bash
# The window natively on Wayland, on sway's headless backend, driven by the
# keyboard alone: wtype types, wl-copy and wl-paste are the other program on
# the clipboard, and wayland_clipboard_owner, when given, an owner that never
# writes the text it offers. sway refuses to run as root, so a root run puts the
# compositor and every client on it under nobody, run from copies in a folder
# that user can read (a checkout may sit in root's home).
#   tests/e2e_wayland.sh PATH/TO/tagwell PATH/TO/tagwell-convert [PATH/TO/wayland_clipboard_owner]
set -euo pipefail
tagwell=$1
converter=$2
owner=${3:-}
unset QT_QPA_PLATFORM
# The compositor and its clients share pixels through shm_open, that is
# /dev/shm. Where the unprivileged user cannot write there (a chroot whose
# /dev is bound without its submounts), the suite mounts a tmpfs of its own
# there, in a mount namespace of its own, with /dev made private first so
# that the mount cannot reach the system's /dev.
if [ "$(id -u)" -eq 0 ] && [ "$(stat -c %a /dev/shm)" != 1777 ]; then
    # shellcheck disable=SC2016
    exec unshare --mount --propagation unchanged bash -c \
        'mount --make-rprivate /dev && mount -t tmpfs -o mode=1777 tmpfs /dev/shm && exec "$0" "$@"' "$0" "$@"
fi
# shellcheck source=window_session.sh
. "$(dirname "$0")/window_session.sh"
stand_in_browser
chmod 755 "$work"
cp "$tagwell" "$work/bin/tagwell"
[ -z "$owner" ] || cp "$owner" "$work/bin/wayland_clipboard_owner"
mkdir -m 700 "$work/runtime" "$work/home"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    chown nobody:nogroup "$work/runtime" "$work/home" "$XDG_OPEN_LOG"
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups --)
fi
# wtype cannot read its own argument without a UTF-8 locale.
user_env=(env -i PATH="$work/bin:/usr/bin:/bin" HOME="$work/home" LANG=C.UTF-8 XDG_RUNTIME_DIR="$work/runtime"
    XDG_OPEN_LOG="$XDG_OPEN_LOG" XDG_OPEN_FAIL="$XDG_OPEN_FAIL")

printf 'xwayland disable\n' >"$work/sway.conf"
"${as_user[@]}" "${user_env[@]}" WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    sway -c "$work/sway.conf" >"$work/sway.log" 2>&1 </dev/null &
compositor=$!
pids+=("$compositor")
socket="" ipc=""
for _ in $(seq 100); do
    kill -0 "$compositor" 2>/dev/null || { tail -n 20 "$work/sway.log" >&2; fail "sway ended at start-up"; }
    socket=$(find "$work/runtime" -name 'wayland-*' -type s -printf '%f\n' | head -n 1)
    ipc=$(find "$work/runtime" -name 'sway-ipc.*' -type s | head -n 1)
    [ -n "$socket" ] && [ -n "$ipc" ] && break
    sleep 0.1
done
[ -n "$socket" ] || { cat "$work/sway.log" >&2; fail "sway did not start"; }
user() { "${as_user[@]}" "${user_env[@]}" WAYLAND_DISPLAY="$socket" SWAYSOCK="$ipc" "$@"; }
# user_in_background IN OUT COMMAND...: started here, not in a subshell, so
# that its pid is the command's own, for the exit trap to stop.
user_in_background() {
    local in=$1 out=$2
    shift 2
    "${as_user[@]}" "${user_env[@]}" WAYLAND_DISPLAY="$socket" SWAYSOCK="$ipc" "$@" <"$in" >"$out" 2>&1 &
    pids+=($!)
}

# A desktop has a keyboard on the seat before any window opens; without one
# the compositor announces none and the first key is lost.
user_in_background /dev/null /dev/null wtype -s 600000
keyboard=no
for _ in $(seq 50); do
    if user swaymsg -t get_inputs 2>/dev/null | grep -q '"type": "keyboard"'; then
        keyboard=yes
        break
    fi
    sleep 0.1
done
[ "$keyboard" = yes ] || { tail -n 20 "$work/sway.log" >&2; fail "no keyboard on the seat"; }

user_in_background /dev/null "$work/app.log" QT_QPA_PLATFORM=wayland tagwell
app=$!
caption="Tagwell 1.0  - 作者:Zorvik"
shown=no
for _ in $(seq 100); do
    kill -0 "$app" 2>/dev/null || { cat "$work/app.log" >&2; fail "the program ended at start-up"; }
    # xdg_shell: a native window, not one through XWayland.
    if user swaymsg -q "[shell=\"xdg_shell\" title=\"^Tagwell 1\\.0  - 作者:Zorvik\$\"] focus" 2>/dev/null; then
        shown=yes
        break
    fi
    sleep 0.1
done
[ "$shown" = yes ] || fail "no native Wayland window titled $caption"
echo "ok: a native Wayland window titled $caption"

type_text() { user wtype "$1"; }
tab() { user wtype -k Tab; }
# Layouts send Shift+Tab as Shift with Tab or as ISO_Left_Tab (Qt's Backtab).
shift_tab() { user wtype -M shift -k Tab -m shift; }
backtab() { user wtype -M shift -k ISO_Left_Tab -m shift; }
ctrl_tab() { user wtype -M ctrl -k Tab -m ctrl; }
space() { user wtype -k space; }
enter() { user wtype -k Return; }
keypad_enter() { user wtype -k KP_Enter; }
clipboard() { user timeout 5 wl-paste --no-newline; }
serve_clipboard() { # FILE [TYPE]
    user_in_background "$1" /dev/null wl-copy --foreground --type "${2:-text/plain;charset=utf-8}"
}

# shellcheck source=keyboard_walk.sh
. "$(dirname "$0")/keyboard_walk.sh"
keyboard_walk

# Another program's offer, once the compositor has it. Unlike the walk's
# texts it needs no time to reach the window: the compositor tells a client
# of a new owner before any key pressed after it, and Paste asks the
# compositor itself.
offer() { # FILE TYPE
    serve_clipboard "$1" "$2"
    await_clipboard_file "the clipboard holding $1" "$1" >/dev/null
}
# The windows with the program's caption: its own, and a message box over it.
windows() { user swaymsg -t get_tree | grep -oF "\"name\": \"$caption\"" | wc -l; }

# Text as UTF-8 with its byte order mark kept and a byte that is none
# replaced.
offer "$(text_file marked $'\xef\xbb\xbfmarked <a>\xffb 文')" 'text/plain;charset=utf-8'
paste_then_copy
marked=$'\xef\xbb\xbfmarked <a>\xef\xbf\xbdb 文'
await_clipboard "Paste of UTF-8 with a byte order mark and an invalid byte" "$marked"

# An owner that offers text and never writes it: Paste says so within
# seconds, the text stays, and the program goes on.
if [ -n "$owner" ]; then
    user_in_background /dev/null "$work/owner.out" wayland_clipboard_owner 'text/plain;charset=utf-8' text/plain
    for _ in $(seq 50); do grep -q ready "$work/owner.out" && break; sleep 0.1; done
    grep -q ready "$work/owner.out" || fail "the hung owner did not start: $(cat "$work/owner.out")"
    started=$EPOCHREALTIME
    backtab
    backtab
    space
    for _ in $(seq 100); do [ "$(windows)" -ge 2 ] && break; sleep 0.1; done
    [ "$(windows)" -ge 2 ] || fail "no message when the clipboard owner does not answer"
    echo "ok: message when the clipboard owner does not answer"
    awk -v from="$started" -v to="$EPOCHREALTIME" 'BEGIN { printf "   (%.1f s after the key)\n", to - from }'
    # The box has the focus: Enter closes it, and the focus goes back to Paste.
    enter
    for _ in $(seq 50); do [ "$(windows)" -eq 1 ] && break; sleep 0.1; done
    [ "$(windows)" -eq 1 ] || fail "the message box did not close"
    kill -0 "$app" 2>/dev/null || fail "the program ended after the message"
    tab
    tab
    space
    await_clipboard "text kept after a Paste from the hung owner" "$marked"
fi

# A picture alone pastes as an empty text.
base64 -d >"$work/image.png" <<<'iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mP8z8BQDwAEhQGAhKmMIQAAAABJRU5ErkJggg=='
chmod 644 "$work/image.png"
offer "$work/image.png" image/png
paste_then_copy
await_clipboard "Paste of a picture alone" ""

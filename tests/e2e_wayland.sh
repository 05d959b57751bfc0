#!/bin/bash
# The window natively on Wayland, on sway's headless backend, driven by the
# keyboard alone: wtype types, wl-copy and wl-paste are the other program on
# the clipboard. sway refuses to run as root, so a root run puts the
# compositor and every client on it under nobody, run from copies in a folder
# that user can read (a checkout may sit in root's home).
#   tests/e2e_wayland.sh PATH/TO/tagwell PATH/TO/tagwell-convert
set -euo pipefail
tagwell=$1
converter=$2
unset QT_QPA_PLATFORM
# shellcheck source=window_session.sh
. "$(dirname "$0")/window_session.sh"
stand_in_browser
chmod 755 "$work"
cp "$tagwell" "$work/bin/tagwell"
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
pids+=($!)
socket="" ipc=""
for _ in $(seq 100); do
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
for _ in $(seq 50); do
    user swaymsg -t get_inputs 2>/dev/null | grep -q '"type": "keyboard"' && break
    sleep 0.1
done

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

keys() { user wtype "$@"; }
tab() { keys -k Tab; }
# Layouts send Shift+Tab as Shift with Tab or as ISO_Left_Tab (Qt's Backtab).
shift_tab() { keys -M shift -k Tab -m shift; }
backtab() { keys -M shift -k ISO_Left_Tab -m shift; }
space() { keys -k space; }
enter() { keys -k Return; }
keypad_enter() { keys -k KP_Enter; }
clipboard() { user timeout 5 wl-paste --no-newline 2>/dev/null || true; }
to_clipboard() { # FILE
    user_in_background "$1" /dev/null wl-copy --foreground --type 'text/plain;charset=utf-8'
    await_clipboard_file "the clipboard holding $1" "$1" >/dev/null
}
await_clipboard_file() { # WHAT FILE: polls the clipboard until it holds the file
    for _ in $(seq 50); do
        clipboard >"$work/clipboard"
        if cmp -s "$2" "$work/clipboard"; then
            echo "ok: $1"
            return
        fi
        sleep 0.1
    done
    fail "$1: expected $(wc -c <"$2") bytes, $(head -c 100 "$2" | od -An -c | head -n 2);" \
        "got $(wc -c <"$work/clipboard") bytes, $(head -c 100 "$work/clipboard" | od -An -c | head -n 2)"
}
text_file() { # NAME TEXT: a file that the user can read
    printf '%s' "$2" >"$work/$1"
    echo "$work/$1"
}
await_clipboard() { await_clipboard_file "$1" "$(text_file expected "$2")"; }

# Typed at once, the text lands in the text area; three Tabs from there
# reach Copy.
keys 'typed<b> 文本'
tab
tab
tab
space
await_clipboard "typing at start-up, then Tab to Copy and Space" 'typed<b> 文本'

nbsp=$'\xc2\xa0'
to_clipboard "$(text_file sample $'int main() {\r\n\tif (a < b && c > d) return 0; // 文本 😀 x'"$nbsp"$'y\r\n}\r\n<pre>old</pre>')"
shift_tab
shift_tab
enter
tab
keypad_enter
tab
enter
await_clipboard "Shift+Tab to Paste, Tab to Convert and Copy, pressed by Enter" \
    $'<pre>int main() {\r\n\tif (a &lt; b && c &gt; d) return 0; // 文本 😀 x'"$nbsp"$'y\r\n}\r\nold</pre>'

# On along the row to the text area: Clear, the help page, the box.
tab
space
tab
enter
for _ in $(seq 50); do [ -s "$XDG_OPEN_LOG" ] && break; sleep 0.1; done
check "Tab to the help page, pressed by Enter" "https://tagwell.example.org/apps/soft/?tagwell" "$(cat "$XDG_OPEN_LOG")"
tab
space
tab
# Enter in the text area starts a line, Ctrl+Tab types a tab.
keys '<pre>x'
enter
keys -M ctrl -k Tab -m ctrl
keys 'y</pre>'
tab
tab
space
tab
keypad_enter
await_clipboard "Clear, Space on the box, typing after Tab from the box, Convert and Copy" \
    $'<pre>&lt;pre&gt;x\n\ty&lt;/pre&gt;</pre>'

# Back round the whole row from Copy, the other way of sending Shift+Tab.
backtab # Convert
backtab # Paste
backtab # the text area
backtab # the box, checked again
space
backtab # the help page
keypad_enter
backtab # Clear
enter
backtab # Copy
space
await_clipboard "Shift+Tab back round to Clear and Copy" ""
for _ in $(seq 50); do [ "$(wc -l <"$XDG_OPEN_LOG")" -eq 2 ] && break; sleep 0.1; done
check "Shift+Tab to the help page, pressed by the keypad's Enter" 2 "$(wc -l <"$XDG_OPEN_LOG")"
to_clipboard "$(text_file pre '<pre>y</pre>')"
backtab # Convert
backtab # Paste
space
tab
space
tab
space
await_clipboard "Paste, Convert with the box checked again, Copy" '<pre>y</pre>'

# 2 MB through Paste and Copy, then through Convert.
for i in $(seq 45000); do printf 'line %d:\tif (a < b) { <pre>文本</pre> }\r\n' "$i"; done >"$work/big.txt"
"$converter" "$work/big.txt" >"$work/big.expected"
chmod 644 "$work/big.txt" "$work/big.expected"
to_clipboard "$work/big.txt"
backtab
backtab
space
tab
tab
space
await_clipboard_file "2 MB through Paste and Copy" "$work/big.txt"
backtab
space
tab
space
await_clipboard_file "2 MB through Convert" "$work/big.expected"

#!/bin/bash
# The window on a real X server with a window manager, driven as a person
# would: xdotool clicks and types, xclip (and clipboard_owner, when given, for
# an owner that never answers) is the other program on the clipboard, and a
# stand-in xdg-open records the address it is handed. Then a second run by the
# keyboard alone.
#   tests/e2e_xvfb.sh PATH/TO/tagwell PATH/TO/tagwell-convert [PATH/TO/clipboard_owner]
set -euo pipefail
tagwell=$1
converter=$2
owner=${3:-}
# The suites run on the offscreen platform; this one needs the X server.
unset QT_QPA_PLATFORM
# shellcheck source=window_session.sh
. "$(dirname "$0")/window_session.sh"
# shellcheck source=../scripts/x_session.sh
. "$(dirname "$0")/../scripts/x_session.sh"
start_x_session "$work"
stand_in_browser

PATH="$work/bin:$PATH" "$tagwell" &
app=$!
pids+=("$app")
caption="Tagwell 1.0  - 作者:Zorvik"
window=$(xdotool search --sync --onlyvisible --name "^${caption}\$" | head -n 1)
size=$(xwininfo -id "$window" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }')
check "client size" "504x368" "$size"
check "caption" "$caption" "$(xdotool getwindowname "$window")"

click() { # click a control at its centre, in client pixels
    xdotool mousemove --window "$window" "$1" "$2" click 1
    sleep 0.3
}
paste() { click 40 20; }
convert() { click 112 20; }
copy() { click 184 20; }
clear_text() { click 256 20; }
help() { click 348 20; }
toggle_pre() { click 424 20; }
clipboard() { xclip -selection clipboard -o; }
# A message box over the main window within TIMEOUT seconds, dismissed with
# Enter; the program goes on after it.
expect_message() { # expect_message TIMEOUT WHEN
    local box
    box=$(message_box "^${caption}\$" "$1" "$2")
    echo "ok: message $2"
    xdotool windowactivate --sync "$box" key Return
    sleep 0.3
    kill -0 "$app" || fail "the program ended after the message $2"
}
# xclip stays behind to serve the clipboard: keep it off the test's output.
to_clipboard() { printf '%s' "$1" | xclip -selection clipboard -i >/dev/null 2>&1; sleep 0.2; }

# Typing right after start-up lands in the text area.
xdotool type --delay 20 "typed<b>"
copy
check "typing at start-up" "typed<b>" "$(clipboard)"

to_clipboard $'int main() {\r\n  return a < b && c > d; // 文本 😀 "q"\r\n}\r\n<pre>old</pre>'
paste
convert
copy
check "paste, convert, copy" \
    $'<pre>int main() {\r\n  return a &lt; b && c &gt; d; // 文本 😀 "q"\r\n}\r\nold</pre>' "$(clipboard)"
convert
copy
check "convert twice, pre box checked" \
    $'<pre>int main() {\r\n  return a &lt; b && c &gt; d; // 文本 😀 "q"\r\n}\r\nold</pre>' "$(clipboard)"

to_clipboard "<pre>x</pre>"
paste
toggle_pre
convert
copy
check "pre box unchecked" "<pre>&lt;pre&gt;x&lt;/pre&gt;</pre>" "$(clipboard)"
toggle_pre

clear_text
copy
check "clear" "" "$(clipboard)"

# A clipboard with a picture, or files as a file manager copies them, and no
# text pastes as an empty text.
base64 -d >"$work/image.png" <<<'iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mP8z8BQDwAEhQGAhKmMIQAAAABJRU5ErkJggg=='
printf 'file:///tmp/a.txt\r\nfile:///tmp/b%%20c.txt\r\n' >"$work/files.txt"
for offer in "image/png image.png" "text/uri-list files.txt"; do
    read -r type file <<<"$offer"
    to_clipboard "not empty"
    paste
    xclip -selection clipboard -t "$type" -i "$work/$file" >/dev/null 2>&1
    sleep 0.2
    paste
    copy
    check "paste of $type alone" "" "$(clipboard)"
done

# A big text, through the clipboard both ways.
for i in $(seq 60000); do printf 'line %d: if (a < b && c > d) { <pre>x</pre> }\n' "$i"; done |
    head -c 5000000 >"$work/big.txt"
"$converter" "$work/big.txt" >"$work/big.expected"
xclip -selection clipboard -i "$work/big.txt" >/dev/null 2>&1
sleep 0.5
paste
convert
copy
# The commands on a big text may still run when the clicks return.
for _ in $(seq 40); do
    clipboard >"$work/big.actual"
    cmp -s "$work/big.expected" "$work/big.actual" && break
    sleep 0.5
done
cmp -s "$work/big.expected" "$work/big.actual" || fail "5 MB through paste, convert and copy"
echo "ok: 5 MB through paste, convert and copy"

help
sleep 0.5
check "help address" "https://tagwell.example.org/apps/soft/?tagwell" "$(cat "$XDG_OPEN_LOG")"

to_clipboard "keep <me>"
paste
touch "$XDG_OPEN_FAIL"
help
expect_message 5 "when the browser cannot be started"
copy
check "text kept after a failed launch" "keep <me>" "$(clipboard)"

# An owner that never answers: Paste says so within seconds, keeps the text,
# and the program goes on.
if [ -n "$owner" ]; then
    "$owner" --silent UTF8_STRING "$work/files.txt" >"$work/owner.out" &
    pids+=($!)
    for _ in $(seq 50); do grep -q ready "$work/owner.out" && break; sleep 0.1; done
    started=$EPOCHREALTIME
    paste
    expect_message 10 "when the clipboard owner does not answer"
    awk -v from="$started" -v to="$EPOCHREALTIME" 'BEGIN { printf "   (%.1f s after the click)\n", to - from }'
    copy
    check "text kept after a failed Paste" "keep <me>" "$(clipboard)"
fi

# Shift+Enter starts a line, as Enter does, that the converted text keeps.
text_area() { click 250 200; }
clear_text
text_area
xdotool type --delay 20 'a<b'
xdotool key shift+Return
xdotool type --delay 20 'c'
convert
copy
check "Shift+Enter through Convert" $'<pre>a&lt;b\nc</pre>' "$(clipboard)"

# Undo and Redo after each command give back each text exactly.
undo() { text_area; xdotool key ctrl+z; sleep 0.3; }
redo() { text_area; xdotool key ctrl+shift+z; sleep 0.3; }
before=$'<pre>a&lt;b\nc</pre>'
sample=$'one\r\n\ttwo\u00a0<three>\r\n'
converted=$(printf '%s' "$sample" | "$converter"; printf x)
converted=${converted%x}
to_clipboard "$sample"
# $(…) drops trailing line breaks: an x after the text keeps them.
copied() { clipboard; printf x; }
commands=(paste convert clear_text)
undone=("$before" "$sample" "$converted")
redone=("$sample" "$converted" "")
for i in 0 1 2; do
    "${commands[i]}"
    undo
    copy
    check "Undo after ${commands[i]}" "${undone[i]}x" "$(copied)"
    redo
    copy
    check "Redo after ${commands[i]}" "${redone[i]}x" "$(copied)"
done

# Closing ends the program at once, without a question.
xdotool windowactivate --sync "$window" key alt+F4
for _ in $(seq 50); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app" 2>/dev/null && fail "the program is still running after its window was closed"
echo "ok: closing ends the program"

# A second run, by the keyboard alone.
rm -f "$XDG_OPEN_FAIL"
PATH="$work/bin:$PATH" "$tagwell" &
app=$!
pids+=("$app")
xdotool search --sync --onlyvisible --name "^${caption}\$" >/dev/null
type_text() { xdotool type --delay 20 "$1"; }
tab() { xdotool key Tab; }
# X11 sends Shift+Tab as ISO_Left_Tab, whichever way it is typed.
shift_tab() { xdotool key shift+Tab; }
backtab() { xdotool key ISO_Left_Tab; }
ctrl_tab() { xdotool key ctrl+Tab; }
space() { xdotool key space; }
enter() { xdotool key Return; }
keypad_enter() { xdotool key KP_Enter; }
serve_clipboard() { xclip -selection clipboard -i "$1" >/dev/null 2>&1; }
# shellcheck source=keyboard_walk.sh
. "$(dirname "$0")/keyboard_walk.sh"
keyboard_walk
xdotool key alt+F4
for _ in $(seq 50); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app" 2>/dev/null && fail "the program is still running after Alt+F4"
echo "ok: Alt+F4 ends the program"

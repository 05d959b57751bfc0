#!/bin/bash
# tagwell.exe under wine on a real X server with a window manager, driven as
# a person would: xdotool clicks, types and resizes, xclip is another X
# program on the clipboard, and Windows helpers are the others: a probe of the
# controls (place, focus, box), a program that puts, gets or holds the
# clipboard in exact UTF-16, and the window without its font choice. A
# stand-in xdg-open records what wine's browser hand-off gives it. Wine gets a
# prefix of its own, made on this display, and the C locale, where the
# message font has no Chinese. What Convert should give comes from the
# build's tagwell-convert.exe, which the command-line suite holds to the Linux
# build byte for byte. Screenshots are left in SHOTS.
#   tests/win32/e2e_wine_xvfb.sh WINDOWS_BUILD SHOTS
set -euo pipefail
build=$(cd "$1" && pwd)
shots=$2
mkdir -p "$shots"
tagwell=$build/win32/tagwell.exe
helpers=$build/tests/win32
# shellcheck source=../window_session.sh
. "$(dirname "$0")/../window_session.sh"
# shellcheck source=../../scripts/x_session.sh
. "$(dirname "$0")/../../scripts/x_session.sh"
WINEPREFIX=$work/prefix
# shellcheck source=wine_env.sh
. "$(dirname "$0")/wine_env.sh"
# Wine in the C locale; the X tools read the window's UTF-8 title.
wine_c=(env LANG=C LC_ALL=C "$wine")
stop_wine() {
    timeout 20 "$wineserver" -k >/dev/null 2>&1 || true
    cleanup
}
trap stop_wine EXIT
start_x_session "$work"
stand_in_browser
export PATH="$work/bin:$PATH"
mkdir -p "$WINEPREFIX"
timeout 60 "$wineserver" -p </dev/null >/dev/null 2>&1
timeout 180 "${wine_c[@]}" wineboot -i </dev/null >/dev/null 2>&1

run_wine() { timeout 60 "${wine_c[@]}" "$@"; }
probe() { run_wine "$helpers/tagwell-probe.exe" "$@" | tr -d "\r"; }
clip() { run_wine "$helpers/tagwell-test-clipboard.exe" "$@"; }
# Texts go to and from the Windows clipboard as UTF-16LE files.
u16() { printf '%s' "$1" | iconv -f UTF-8 -t UTF-16LE; }
put_u16() { clip put "Z:$1"; }
put_text() { u16 "$1" >"$work/put.u16"; put_u16 "$work/put.u16"; }
converted_u16() { # FILE: its conversion, both in UTF-16LE without a mark
    (printf '\xff\xfe'; cat "$1") >"$work/marked.u16"
    run_wine "$build/cli/tagwell-convert.exe" "Z:$work/marked.u16" | tail -c +3
}

caption="Tagwell 1.0  - 作者:Zorvik"
# Wine in the C locale writes the legacy WM_NAME, which xdotool searches, with
# a ? for each Chinese character; _NET_WM_NAME has them all.
title='^Tagwell 1\.0  - .+:Zorvik$'
start_window() { # start_window PROGRAM: sets app and window
    "${wine_c[@]}" "$1" >/dev/null 2>&1 &
    app=$!
    pids+=("$app")
    window=$(timeout 60 xdotool search --sync --onlyvisible --name "$title" | head -n 1)
    # Up once the probe finds the text area focused: the first activation.
    for _ in $(seq 50); do probe 2>/dev/null | grep -q '^control 106 .* focus=1' && return; sleep 0.1; done
    fail "the text area has no focus at start-up"
}
click() { xdotool mousemove --window "$window" "$1" "$2" click 1; }
paste() { click 40 20; }
convert() { click 112 20; }
copy() { click 184 20; }
clear_text() { click 256 20; }
help() { click 348 20; }
toggle_pre() { click 424 20; }
text_area() { click 250 200; }

# Copy into a clipboard that holds a marker first, so that the old text is
# never taken for the new one; then waits for the text, in UTF-16LE.
await_copy_u16() { # WHAT EXPECTED_FILE [COPY_ACTION]
    put_text "(before ${1})"
    ${3:-copy}
    local deadline=$((SECONDS + 90))
    while [ "$SECONDS" -lt "$deadline" ]; do
        if clip get "Z:$work/got.u16" 2>/dev/null && cmp -s "$2" "$work/got.u16"; then
            echo "ok: $1"
            return
        fi
        sleep 0.1
    done
    fail "$1: expected $(wc -c <"$2") bytes $(head -c 80 "$2" | od -An -tx1 | head -n 2);" \
        "got $(wc -c <"$work/got.u16") bytes $(head -c 80 "$work/got.u16" | od -An -tx1 | head -n 2)"
}
await_copy() { u16 "$2" >"$work/expected.u16"; await_copy_u16 "$1" "$work/expected.u16" "${3:-copy}"; }

# A message box over the main window within TIMEOUT seconds, dismissed with
# Enter; the program goes on after it.
expect_message() { # TIMEOUT WHEN [NAME]: with NAME, its first line's ink kept as $work/NAME.line
    local box
    box=$(message_box "$title" "$1" "$2")
    echo "ok: message $2"
    [ -z "${3:-}" ] || first_line "$box" "$3"
    xdotool windowactivate --sync "$box" key Return
    for _ in $(seq 50); do xdotool search --onlyvisible --name "$title" | grep -qx "$box" || break; sleep 0.1; done
    kill -0 "$app" || fail "the program ended after the message $2"
}

# The captions in real glyphs: the four two-character buttons (at their
# twips, 120 to 3360 from the left, at DPI), their ink trimmed, must give four
# different pictures. A font without the glyphs draws each caption as the
# same two empty boxes (or nothing).
captions_have_glyphs() { # SHOT DPI: a picture of the client area
    # (`command`: convert is the button here.)
    local signatures="" left crop
    for left in 120 1200 2280 3360; do
        crop=$(awk -v l="$left" -v d="$2" 'BEGIN { s = d / 1440; printf "%dx%d+%d+%d", 855 * s, 255 * s, (l + 60) * s, 180 * s }')
        signatures+="$(command convert "$1" -crop "$crop" +repage -colorspace Gray -threshold 60% -trim +repage \
            -format '%w %h %#' info: 2>/dev/null)"$'\n'
    done
    printf '%s' "$signatures" >"$1.glyphs"
    # Four pictures, none of them a speck.
    [ "$(sort -u <<<"$signatures" | grep -c .)" -eq 4 ] && ! grep -q '^[0-5] ' <<<"$signatures"
}
# The ink of the first of the two lines of a message box's text (its text
# control, found by the probe, is 65535), as a signature.
first_line() { # BOX NAME
    local geometry text
    geometry=$(xwininfo -id "$1" | awk '/Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 }
        /Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h "+" x "+" y }')
    text=$(probe '#32770' | awk '$2 == 65535 { printf "%dx%d+%d+%d", $6, $7 / 2, $4, $5 }')
    # Once the box has drawn its text.
    for _ in $(seq 30); do
        import -window root -crop "$geometry" +repage "$shots/$2.png"
        command convert "$shots/$2.png" -crop "$text" +repage -colorspace Gray -threshold 60% -trim +repage \
            -format '%w %h %#' info: >"$work/$2.line" 2>/dev/null
        grep -q '^[0-9] ' "$work/$2.line" || return 0
        sleep 0.1
    done
}
# Two messages whose first lines are as many different Chinese characters
# must show two different pictures there: empty boxes would be the same.
messages_have_glyphs() { # NAME NAME
    ! cmp -s "$work/$1.line" "$work/$2.line" && ! grep -q '^[0-9] ' "$work/$1.line" "$work/$2.line"
}
screenshot() { # NAME: the client area of the window
    local geometry
    geometry=$(xwininfo -id "$window" | awk '/Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 }
        /Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h "+" x "+" y }')
    import -window root -crop "$geometry" +repage "$shots/$1.png"
    echo "$shots/$1.png"
}

# --- The window as the form describes it ------------------------------------
start_window "$tagwell"
check "client size" "504x368" "$(xwininfo -id "$window" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }')"
check "caption" "_NET_WM_NAME(UTF8_STRING) = \"$caption\"" "$(xprop -id "$window" _NET_WM_NAME)"
check "controls in tab order, placed at 96 DPI, WenBen focused, the box checked" \
    "client 504 368
control 100 Button 8 8 65 25 focus=0 check=0 vscroll=0 hscroll=0 wrap=0 tabstop=1 text=粘贴
control 101 Button 80 8 65 25 focus=0 check=0 vscroll=0 hscroll=0 wrap=0 tabstop=1 text=转换
control 102 Button 152 8 65 25 focus=0 check=0 vscroll=0 hscroll=0 wrap=0 tabstop=1 text=复制
control 103 Button 224 8 65 25 focus=0 check=0 vscroll=0 hscroll=0 wrap=0 tabstop=1 text=清空
control 104 Button 296 8 105 25 focus=0 check=0 vscroll=0 hscroll=0 wrap=0 tabstop=1 text=查看帮助/更新
control 105 Button 416 8 89 25 focus=0 check=1 vscroll=0 hscroll=0 wrap=0 tabstop=1 text=清除pre标签
control 106 Edit 0 40 505 329 focus=1 check=-1 vscroll=1 hscroll=0 wrap=1 tabstop=1 text=" "$(probe | tr -d '\r')"
shot=$(screenshot window)
captions_have_glyphs "$shot" 96 || fail "the captions show no glyphs of their own: $(cat "$shot.glyphs")"
echo "ok: the captions are drawn in real glyphs ($shot)"

# Typing right after start-up lands in the text area; X gets it on Copy.
xdotool type --delay 20 "typed<b>"
put_text "(before typing)"
copy
for _ in $(seq 50); do [ "$(xclip -selection clipboard -o 2>/dev/null)" = "typed<b>" ] && break; sleep 0.1; done
check "typing at start-up, copied to X" "typed<b>" "$(xclip -selection clipboard -o)"

# --- Every command by mouse -------------------------------------------------
# From X, a line feed arrives as CR LF and goes back as a line feed.
printf 'int main() {\n  return a < b && c > d; // 文本 😀 "q"\n}\n<pre>old</pre>' | xclip -selection clipboard -i >/dev/null 2>&1
u16 $'int main() {\r\n  return a < b && c > d; // 文本 😀 "q"\r\n}\r\n<pre>old</pre>' >"$work/from-x.u16"
for _ in $(seq 50); do clip get "Z:$work/x.u16" 2>/dev/null && cmp -s "$work/x.u16" "$work/from-x.u16" && break; sleep 0.1; done
check "a text from X on the Windows clipboard, its line feeds as CR LF" "" "$(cmp "$work/x.u16" "$work/from-x.u16")"
paste
convert
put_text "(before)"
copy
expected=$'<pre>int main() {\n  return a &lt; b && c &gt; d; // 文本 😀 "q"\n}\nold</pre>'
for _ in $(seq 50); do [ "$(xclip -selection clipboard -o 2>/dev/null)" = "$expected" ] && break; sleep 0.1; done
check "paste from X, convert, copy to X" "$expected" "$(xclip -selection clipboard -o)"

put_text "<pre>x</pre>"
paste
toggle_pre
convert
await_copy "the box unchecked keeps the pre tags" "<pre>&lt;pre&gt;x&lt;/pre&gt;</pre>"
toggle_pre
convert
await_copy "the box checked again removes them" "<pre>&lt;pre&gt;x&lt;/pre&gt;</pre>"
clear_text
await_copy "clear" ""

# A clipboard with a picture and no text pastes as an empty text.
put_text "not empty"
paste
base64 -d >"$work/image.png" <<<'iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mP8z8BQDwAEhQGAhKmMIQAAAABJRU5ErkJggg=='
xclip -selection clipboard -t image/png -i "$work/image.png" >/dev/null 2>&1
for _ in $(seq 50); do clip get "Z:$work/x.u16" 2>/dev/null || break; sleep 0.1; done
paste
await_copy "paste of a picture alone" ""

# The exact text: lone CR and LF, a lone surrogate, a separator and tabs come
# back from Copy as Paste took them, and through Convert.
{ u16 $'a\rb\nc\r\n\t'; printf '\x00\xd8'; u16 $'d\u2028<e>'; } >"$work/odd.u16"
put_u16 "$work/odd.u16"
paste
await_copy_u16 "lone CR, LF and surrogate, kept exactly through Paste and Copy" "$work/odd.u16"
convert
converted_u16 "$work/odd.u16" >"$work/odd.expected"
await_copy_u16 "... and through Convert" "$work/odd.expected"

# --- Undo and Redo ------------------------------------------------------------
undo() { text_area; xdotool key ctrl+z; }
redo() { text_area; xdotool key "$1"; }
clear_text
text_area
xdotool type --delay 20 'a<b'
xdotool key Return
xdotool type --delay 20 'c'
put_u16 "$work/odd.u16"
paste
undo
await_copy "Undo after Paste gives the typed text" $'a<b\r\nc'
redo ctrl+y
await_copy_u16 "Ctrl+Y redoes the Paste, exactly" "$work/odd.u16"
convert
undo
await_copy_u16 "Undo after Convert gives the pasted text exactly" "$work/odd.u16"
redo ctrl+shift+z
await_copy_u16 "Ctrl+Shift+Z redoes the Convert" "$work/odd.expected"
clear_text
undo
await_copy_u16 "Undo after Clear" "$work/odd.expected"
# The context menu's Undo, and typing and commands undone in turn.
xdotool mousemove --window "$window" 250 200 click 3
sleep 0.5
screenshot context-menu >/dev/null
xdotool key u
await_copy_u16 "the context menu's Undo undoes the Convert" "$work/odd.u16"
undo
await_copy "... then the Paste, back to the typing" $'a<b\r\nc'
undo
await_copy "... then the typing after the line break" $'a<b\r\n'
undo
await_copy "... the line break" 'a<b'
undo
await_copy "... the typing before it" ''
redo ctrl+y
await_copy "Redo brings the typing back" 'a<b'

# --- The clipboard held by another program, the browser ---------------------
put_text "keep <me>"
paste
clip hold 8000 >"$work/hold.out" &
pids+=($!)
for _ in $(seq 100); do grep -q ready "$work/hold.out" && break; sleep 0.1; done
started=$EPOCHREALTIME
paste
expect_message 5 "when another program holds the clipboard open" unreadable
awk -v from="$started" -v to="$EPOCHREALTIME" 'BEGIN { printf "   (%.1f s after the click)\n", to - from }'
copy
expect_message 5 "when Copy finds the clipboard held open" unwritable
# 无法读取剪贴板。 and 无法写入剪贴板。
messages_have_glyphs unreadable unwritable || fail "the messages show no glyphs of their own ($shots/unreadable.png)"
echo "ok: the messages are drawn in real glyphs ($shots/unreadable.png, $shots/unwritable.png)"
wait $!
await_copy "the text kept after a held clipboard" "keep <me>"
# Held for a moment only, it is waited for.
put_text "after a moment"
clip hold 150 >"$work/hold.out" &
pids+=($!)
for _ in $(seq 100); do grep -q ready "$work/hold.out" && break; sleep 0.05; done
paste
wait $!
await_copy "Paste waits for a clipboard held for a moment" "after a moment"

# --- 10 MiB through Paste, Convert and Copy -----------------------------------
for i in $(seq 160000); do printf 'line %d: if (a < b && c > d) { <pre>x</pre> }\n' "$i"; done | head -c 10485760 |
    sed 's/$/\r/' | iconv -f UTF-8 -t UTF-16LE >"$work/big.u16"
converted_u16 "$work/big.u16" >"$work/big.expected"
put_u16 "$work/big.u16"
paste
await_copy_u16 "10 MiB through Paste and Copy" "$work/big.u16"
convert
await_copy_u16 "10 MiB through Convert and Copy" "$work/big.expected"
clear_text

# --- Resizing -------------------------------------------------------------------
wenben() { probe | awk '/^control 106 / { print $6 "x" $7 }'; }
xdotool windowsize --sync "$window" 700 500
for _ in $(seq 50); do [ "$(wenben)" = "701x461" ] && break; sleep 0.1; done
check "the text area follows a resize" "701x461" "$(wenben)"
shot=$(screenshot resized)
xdotool windowminimize --sync "$window"
for _ in $(seq 50); do probe | grep -q '^client 0 0' && break; sleep 0.1; done
check "minimized: client 0 x 0, the text area as it was" "client 0 0 701x461" "$(probe | head -n 1) $(wenben)"
# Back from the task bar, as openbox gives it back.
xdotool windowactivate "$window" 2>/dev/null || true
for _ in $(seq 50); do
    xwininfo -id "$window" | grep -q 'IsViewable' && ! probe | grep -q '^client 0 0' && break
    sleep 0.1
done
xdotool windowsize --sync "$window" 504 368
for _ in $(seq 50); do [ "$(wenben)" = "505x329" ] && break; sleep 0.1; done
check "restored and sized back" "505x329" "$(wenben)"

# --- The browser, and closing ------------------------------------------------
help
for _ in $(seq 100); do [ -s "$XDG_OPEN_LOG" ] && break; sleep 0.1; done
check "help address" "https://tagwell.example.org/apps/soft/?tagwell" "$(cat "$XDG_OPEN_LOG")"

# Closing ends the program at once, without a question.
xdotool windowactivate --sync "$window" key alt+F4
for _ in $(seq 50); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app" 2>/dev/null && fail "the program is still running after its window was closed"
echo "ok: closing ends the program"

# --- A second run, by the keyboard alone -----------------------------------------
start_window "$tagwell"
focused() { probe | awk '/focus=1/ { print $2 }'; }
key() { # KEY EXPECTED_FOCUS: waits for the focus to land there
    xdotool key "$1"
    for _ in $(seq 50); do [ "$(focused)" = "$2" ] && return; sleep 0.1; done
    fail "after $1 the focus is on $(focused), not $2"
}
box() { probe | awk '/^control 105 / { print $9 }'; }

# Typed at once, the text lands in the text area; three Tabs from there
# reach Copy, and Tab then goes round all seven controls.
xdotool type --delay 20 'typed <b> & "q"'
key Tab 100
key Tab 101
key Tab 102
await_copy "typing at start-up, then Tab to Copy and Space" 'typed <b> & "q"' "xdotool key space"
for expected in 103 104 105 106 100 101 102; do key Tab $expected; done
for expected in 101 100 106 105 104 103 102; do key shift+Tab $expected; done
key ISO_Left_Tab 101
key Tab 102
echo "ok: Tab and Shift+Tab go round the seven controls in their order"

put_u16 "$work/odd.u16"
key shift+Tab 101
key shift+Tab 100
xdotool key Return
key Tab 101
xdotool key KP_Enter
key Tab 102
await_copy_u16 "Shift+Tab to Paste, Tab to Convert and Copy, pressed by Enter" "$work/odd.expected" "xdotool key Return"

# On along the row into the text area: Clear, the help page, the box.
key Tab 103
xdotool key space
key Tab 104
xdotool key Return
for _ in $(seq 100); do [ "$(wc -l <"$XDG_OPEN_LOG")" -ge 2 ] && break; sleep 0.1; done
check "Tab to the help page, pressed by Enter" 2 "$(wc -l <"$XDG_OPEN_LOG")"
key Tab 105
xdotool key Return
xdotool key space
for _ in $(seq 50); do [ "$(box)" = "check=0" ] && break; sleep 0.1; done
check "Enter leaves the box, Space unchecks it" "check=0" "$(box)"
key Tab 106
# Enter in the text area starts a line, Ctrl+Tab types a tab, Escape does
# nothing.
xdotool type --delay 20 '<pre>x'
xdotool key Return ctrl+Tab Escape
xdotool type --delay 20 'y</pre>'
key Tab 100
key Tab 101
xdotool key space
key Tab 102
await_copy "Clear, typing after Tab from the box, Enter, Ctrl+Tab and Convert" \
    $'<pre>&lt;pre&gt;x\r\n\ty&lt;/pre&gt;</pre>' "xdotool key KP_Enter"
kill -0 "$app" || fail "Escape ended the program"

# A failing hand-off to the browser is a message, and nothing else changes.
run_wine reg delete 'HKCR\https' /f >/dev/null 2>&1
key shift+Tab 101
key shift+Tab 100
key shift+Tab 106
key shift+Tab 105
key shift+Tab 104
xdotool key Return
expect_message 10 "when no program opens web addresses"
check "the focus stays after the message" 104 "$(focused)"
key shift+Tab 103
key shift+Tab 102
await_copy "the text kept after the failed hand-off" $'<pre>&lt;pre&gt;x\r\n\ty&lt;/pre&gt;</pre>' "xdotool key space"

xdotool key alt+F4
for _ in $(seq 50); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app" 2>/dev/null && fail "the program is still running after Alt+F4"
echo "ok: Alt+F4 ends the program"

# --- The font check, proved on a window that lacks the font choice -------------
start_window "$helpers/tagwell-plain-font-window.exe"
shot=$(screenshot without-font-choice)
if captions_have_glyphs "$shot" 96; then
    fail "the font check finds glyphs where the message font has none: it cannot tell boxes ($shot)"
fi
echo "ok: the font check sees the empty boxes of the message font ($shot)"
# And its messages, in the message font as it is.
clip hold 8000 >"$work/hold.out" &
pids+=($!)
for _ in $(seq 100); do grep -q ready "$work/hold.out" && break; sleep 0.1; done
paste
expect_message 5 "without the font choice, when the clipboard is held" plain-unreadable
copy
expect_message 5 "without the font choice, when Copy finds it held" plain-unwritable
if messages_have_glyphs plain-unreadable plain-unwritable; then
    fail "the message check finds glyphs where the message font has none ($shots/plain-unreadable.png)"
fi
echo "ok: the message check sees the empty boxes of the message font ($shots/plain-unreadable.png)"
wait $!
xdotool key alt+F4

# --- At 144 DPI: every control from its twips, the text area's rule too ------
run_wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
start_window "$tagwell"
check "the controls at 144 DPI" \
    "client 756 552
control 100 Button 12 12 98 38 focus=0 check=0 vscroll=0 hscroll=0 wrap=0 tabstop=1 text=粘贴
control 101 Button 120 12 98 38 focus=0 check=0 vscroll=0 hscroll=0 wrap=0 tabstop=1 text=转换
control 102 Button 228 12 98 38 focus=0 check=0 vscroll=0 hscroll=0 wrap=0 tabstop=1 text=复制
control 103 Button 336 12 98 38 focus=0 check=0 vscroll=0 hscroll=0 wrap=0 tabstop=1 text=清空
control 104 Button 444 12 158 38 focus=0 check=0 vscroll=0 hscroll=0 wrap=0 tabstop=1 text=查看帮助/更新
control 105 Button 624 12 134 38 focus=0 check=1 vscroll=0 hscroll=0 wrap=0 tabstop=1 text=清除pre标签
control 106 Edit 0 60 758 494 focus=1 check=-1 vscroll=1 hscroll=0 wrap=1 tabstop=1 text=" "$(probe)"
shot=$(screenshot dpi-144)
captions_have_glyphs "$shot" 144 || fail "the captions show no glyphs at 144 DPI ($shot)"
echo "ok: the captions at 144 DPI in real glyphs ($shot)"
xdotool windowsize --sync "$window" 900 700
for _ in $(seq 50); do [ "$(wenben)" = "902x642" ] && break; sleep 0.1; done
check "the text area follows a resize at 144 DPI" "902x642" "$(wenben)"
xdotool key alt+F4

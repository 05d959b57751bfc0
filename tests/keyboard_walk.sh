# shellcheck shell=bash disable=SC2154
# The walk through the window by keyboard alone that the X11 and the Wayland
# suites share, from a window just opened. The caller supplies the keys
# (type_text TEXT, tab, shift_tab, backtab, ctrl_tab, space, enter,
# keypad_enter), the other program on the clipboard (clipboard prints it,
# serve_clipboard FILE offers a file), `work`, `converter`, the checks and
# the browser stand-in of window_session.sh.

text_file() { # NAME TEXT: a file that a client of another user can read
    printf '%s' "$2" >"$work/$1"
    chmod 644 "$work/$1"
    echo "$work/$1"
}
await_clipboard_file() { # WHAT FILE: polls the clipboard until it holds the file
    for _ in $(seq 50); do
        clipboard >"$work/clipboard" 2>/dev/null || true
        if cmp -s "$2" "$work/clipboard"; then
            echo "ok: $1"
            return
        fi
        sleep 0.1
    done
    fail "$1: expected $(wc -c <"$2") bytes, $(head -c 100 "$2" | od -An -c | head -n 2);" \
        "got $(wc -c <"$work/clipboard") bytes, $(head -c 100 "$work/clipboard" | od -An -c | head -n 2)"
}
await_clipboard() { await_clipboard_file "$1" "$(text_file expected "$2")"; }
put_on_clipboard() { # FILE
    serve_clipboard "$1"
    await_clipboard_file "the clipboard holding $1" "$1" >/dev/null
    # The window hears of the new owner from the display in its own time,
    # later than the reader above under a slow (sanitized) build.
    sleep 1
}
await_help() { # WHAT COUNT: the help page opened COUNT times in all
    for _ in $(seq 50); do [ "$(wc -l <"$XDG_OPEN_LOG")" -ge "$2" ] && break; sleep 0.1; done
    check "$1" "$2 https://tagwell.example.org/apps/soft/?tagwell" \
        "$(wc -l <"$XDG_OPEN_LOG") $(tail -n 1 "$XDG_OPEN_LOG")"
}

# From Copy: two Shift+Tabs to Paste, pressed, and two Tabs on to Copy.
paste_then_copy() {
    backtab
    backtab
    space
    tab
    tab
    space
}

keyboard_walk() {
    local opened nbsp=$'\xc2\xa0'
    opened=$(wc -l <"$XDG_OPEN_LOG")

    # Typed at once, the text lands in the text area; three Tabs from there
    # reach Copy. (Chinese comes in through the clipboard: xdotool types a
    # character outside the keymap by remapping a key, which races the
    # window's reading of the keymap.)
    type_text 'typed <b> & "q"'
    tab
    tab
    tab
    space
    await_clipboard "typing at start-up, then Tab to Copy and Space" 'typed <b> & "q"'

    put_on_clipboard "$(text_file sample $'int main() {\r\n\tif (a < b && c > d) return 0; // 文本 😀 x'"$nbsp"$'y\r\n}\r\n<pre>old</pre>')"
    shift_tab
    shift_tab
    enter
    tab
    keypad_enter
    tab
    enter
    await_clipboard "Shift+Tab to Paste, Tab to Convert and Copy, pressed by Enter" \
        $'<pre>int main() {\r\n\tif (a &lt; b && c &gt; d) return 0; // 文本 😀 x'"$nbsp"$'y\r\n}\r\nold</pre>'

    # On along the row into the text area: Clear, the help page, the box.
    tab
    space
    tab
    enter
    await_help "Tab to the help page, pressed by Enter" $((opened + 1))
    tab
    space
    tab
    # Enter in the text area starts a line, Ctrl+Tab types a tab.
    type_text '<pre>x'
    enter
    ctrl_tab
    type_text 'y</pre>'
    tab
    tab
    space
    tab
    keypad_enter
    await_clipboard "Clear, Space on the box, typing after Tab from the box, Convert and Copy" \
        $'<pre>&lt;pre&gt;x\n\ty&lt;/pre&gt;</pre>'

    # Back round the whole row from Copy, Shift+Tab sent the other way.
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
    await_help "Shift+Tab to the help page, pressed by the keypad's Enter" $((opened + 2))
    put_on_clipboard "$(text_file pre '<pre>y</pre>')"
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
    chmod 644 "$work/big.txt"
    put_on_clipboard "$work/big.txt"
    paste_then_copy
    await_clipboard_file "2 MB through Paste and Copy" "$work/big.txt"
    backtab
    space
    tab
    space
    await_clipboard_file "2 MB through Convert" "$work/big.expected"
}

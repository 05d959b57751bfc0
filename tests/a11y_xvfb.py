"""The running window read and driven through AT-SPI, as a screen reader does:
roles and names, the buttons pressed through the Action interface, the text
read through the Text interface. xclip stands for the other program on the
clipboard.
  /usr/bin/python3 tests/a11y_xvfb.py XDG_OPEN_LOG
"""
import subprocess
import sys
import time

import pyatspi

CAPTION = "Tagwell 1.0  - 作者:Zorvik"
HELP = "https://tagwell.example.org/apps/soft/?tagwell"
CONTROLS = [
    ("粘贴", "push button"),
    ("转换", "push button"),
    ("复制", "push button"),
    ("清空", "push button"),
    ("查看帮助/更新", "push button"),
    ("清除pre标签", "check box"),
    ("文本", "text"),
]


def fail(message):
    print("FAIL: " + message, file=sys.stderr)
    sys.exit(1)


def wait_for(what, probe, timeout=10.0):
    """Polls probe() until it gives something true; the tree and the commands
    answer asynchronously."""
    deadline = time.monotonic() + timeout
    last = None
    while time.monotonic() < deadline:
        try:
            last = probe()
            if last:
                return last
        except Exception as error:  # a node that is not there yet
            last = error
        time.sleep(0.05)
    fail(f"{what}: last seen {last!r}")


def check(what, expected, actual):
    if expected != actual:
        fail(f"{what}: expected {expected!r}, got {actual!r}")
    print("ok: " + what)


def find_frame():
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        for j in range(app.childCount if app else 0):
            window = app.getChildAtIndex(j)
            if window.name == CAPTION and window.childCount >= len(CONTROLS):
                return window
    return None


def children(frame):
    return {frame.getChildAtIndex(i).name: frame.getChildAtIndex(i) for i in range(frame.childCount)}


def press(control, action):
    actions = control.queryAction()
    names = [actions.getName(i) for i in range(actions.nActions)]
    if action not in names:
        fail(f"{control.name} offers {names}, not {action}")
    actions.doAction(names.index(action))


def text_of(area):
    return area.queryText().getText(0, -1)


def to_clipboard(text):
    # xclip stays behind to serve the clipboard; it owns it a moment later.
    subprocess.Popen(["xclip", "-selection", "clipboard", "-i"], stdin=subprocess.PIPE,
                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).communicate(text.encode())
    wait_for("xclip holding the clipboard", lambda: clipboard() == text)


def clipboard():
    return subprocess.run(["xclip", "-selection", "clipboard", "-o"], capture_output=True,
                          timeout=5).stdout.decode()


def main():
    log = sys.argv[1]
    frame = wait_for("a frame named by the caption", find_frame)
    check("the window is a frame", "frame", frame.getRoleName())
    check("the window's name", CAPTION, frame.name)
    found = children(frame)
    for name, role in CONTROLS:
        if name not in found:
            fail(f"no control named {name!r} among {sorted(found)}")
        check(f"{name} is a {role}", role, found[name].getRoleName())
    wait_for("the frame is active", lambda: frame.getState().contains(pyatspi.STATE_ACTIVE))
    wait_for("the text area has the focus",
             lambda: found["文本"].getState().contains(pyatspi.STATE_FOCUSED))
    print("ok: the frame is active, the text area has the focus")
    box = found["清除pre标签"]
    check("the box starts checked", True, box.getState().contains(pyatspi.STATE_CHECKED))

    area = found["文本"]
    source = "int a < b;\n\t文本 😀 x\u00a0y <pre>c</pre>"
    converted = "<pre>int a &lt; b;\n\t文本 😀 x\u00a0y c</pre>"
    to_clipboard(source)
    press(found["粘贴"], "Press")
    wait_for("Paste through Press", lambda: text_of(area) == source)
    print("ok: Paste through Press, text read through Text")
    press(found["转换"], "Press")
    wait_for("Convert through Press", lambda: text_of(area) == converted)
    print("ok: Convert through Press")
    press(found["复制"], "Press")
    wait_for("Copy through Press", lambda: clipboard() == converted)
    print("ok: Copy through Press")

    press(box, "Toggle")
    wait_for("the box unchecked through Toggle", lambda: not box.getState().contains(pyatspi.STATE_CHECKED))
    press(found["转换"], "Press")
    nested = "<pre>&lt;pre&gt;int a &lt; b;\n\t文本 😀 x\u00a0y c&lt;/pre&gt;</pre>"
    wait_for("Convert with the box unchecked", lambda: text_of(area) == nested)
    print("ok: Toggle, then Convert keeps the pre tags")

    press(found["清空"], "Press")
    wait_for("Clear through Press", lambda: text_of(area) == "")
    print("ok: Clear through Press")

    press(found["查看帮助/更新"], "Press")

    def opened():
        with open(log, encoding="utf-8") as f:
            return f.read().strip()

    wait_for("the help page through Press", lambda: opened() == HELP)
    print("ok: the help page through Press")


if __name__ == "__main__":
    main()

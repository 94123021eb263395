#!/usr/bin/env python3
"""Reads the window's accessibility tree the way a screen reader does, over
AT-SPI, and checks that every control says what it is (its name) and what it
does (its hint, as description), and that the main window and the preview are
windows. It starts an X server of its own on a display the server picks
(-displayfd, so no other test's server is ever taken for it), then runs again
inside dbus-run-session, whose session bus starts the AT-SPI bus.

usage: accessibility_tree.py PLINKAVORTE MAKE_TEST_JPEG"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

pyatspi = None  # imported inside the session bus only

CONTROLS = {"push button", "check box", "spin button", "text", "list", "toggle button", "combo box"}
# What each named control must be, and the hint a screen reader reads for it.
EXPECTED = {
    "Thumbnail size": ("spin button", "Set thumbnail max size in pixels"),
    "Frame width": ("spin button", "Set frame size in pixels"),
    "Archive file": ("text", "Select ZIP file"),
    "Frame colours": ("push button", "Frame colours - left button background - right button border"),
    "Photos to process": ("list", "Dragged files list - double-click to open view  window"),
    "GO": ("push button", "Process file list"),
    "STOP": ("push button", "STOP file processing"),
}

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)


def wait_for(find, what, seconds=20):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        found = find()
        if found is not None:
            return found
        time.sleep(0.1)
    raise TimeoutError(f"{what} did not appear over AT-SPI")


def program():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == "Plinkavorte" and app.childCount > 0:
            return app
    return None


def descendants(node):
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield child
            yield from descendants(child)


def top_level(app, name):
    for i in range(app.childCount):
        window = app.getChildAtIndex(i)
        if window is not None and window.name == name:
            return window
    return None


def check_main_window(window):
    check(window.getRoleName() == "frame", f"the main window's role is {window.getRoleName()!r}")
    named = {}
    for node in descendants(window):
        role, name = node.getRoleName(), node.name.strip()
        if role in CONTROLS:
            check(name != "" and node.description.strip() != "", f"{role} {name!r} lacks a name or a description")
        elif node.childCount == 0 and role not in {"list item", "label"}:
            check(name != "", f"a {role} without a name")
        named.setdefault(name, []).append(node)
    for name, (role, hint) in EXPECTED.items():
        nodes = [n for n in named.get(name, []) if n.getRoleName() == role]
        check(len(nodes) == 1, f"{len(nodes)} {role} named {name!r}")
        if nodes:
            check(nodes[0].description.startswith(hint), f"{name!r} describes itself as {nodes[0].description!r}")


def open_preview(window):
    photos = pyatspi.findDescendant(window, lambda n: n.getRoleName() == "list")
    entry = wait_for(lambda: photos.getChildAtIndex(0) if photos.childCount > 0 else None, "the list's entry")
    place = entry.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    pyatspi.Registry.generateMouseEvent(place.x + 10, place.y + place.height // 2, "b1d")


def in_own_x_server_and_bus():
    read_end, write_end = os.pipe()
    # Without -noreset the server resets when the AT-SPI launcher's short
    # connection ends, and a window connecting just then is refused.
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-noreset",
                               "-nolisten", "tcp"], pass_fds=[write_end], stderr=subprocess.DEVNULL)
    os.close(write_end)
    try:
        with os.fdopen(read_end) as answer:
            display = answer.readline().strip()
        if not display:
            sys.exit("accessibility_tree.py: Xvfb did not start")
        env = dict(os.environ, DISPLAY=":" + display, PLK_A11Y_INSIDE="1")
        env.pop("XAUTHORITY", None)
        return subprocess.run(["dbus-run-session", "--", sys.executable] + sys.argv, env=env).returncode
    finally:
        server.terminate()
        server.wait()


def main():
    if os.environ.get("PLK_A11Y_INSIDE") != "1":
        return in_own_x_server_and_bus()
    global pyatspi
    import pyatspi
    plinkavorte, make_test_jpeg = sys.argv[1:3]
    scratch = tempfile.mkdtemp(prefix="plk-a11y-")
    child = None
    try:
        photo = os.path.join(scratch, "red.jpg")
        subprocess.run([make_test_jpeg, photo, "320", "200"], check=True)
        env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", XDG_CONFIG_HOME=scratch)
        child = subprocess.Popen([plinkavorte, photo], env=env)
        app = wait_for(program, "the program")
        window = app.getChildAtIndex(0)
        check_main_window(window)
        open_preview(window)
        preview = wait_for(lambda: top_level(app, "red.jpg"), "the preview named after its picture")
        check(preview.getRoleName() == "frame", f"the preview's role is {preview.getRoleName()!r}")
    except TimeoutError as e:
        failures.append(str(e))
    finally:
        if child is not None:
            child.terminate()
            child.wait()
        shutil.rmtree(scratch, ignore_errors=True)
    for failure in failures:
        print("accessibility_tree.py:", failure, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

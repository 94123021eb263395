#!/usr/bin/env python3
"""Takes the README's picture under the X server of xvfb-run: the window with
a folder of photos on its list, beside the preview of the first one.

usage: screenshot.py PLINKAVORTE MAKE_TEST_JPEG OUTPUT.png"""

import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "app"))
import screenshots as x  # noqa: E402  the X helpers of the window's screenshot test

GAP = 16
BACKGROUND = bytes((0xE8, 0xEC, 0xF0))

PHOTOS = [("IMG_0001.JPG", 800, 600), ("IMG_0002.JPG", 600, 800), ("IMG_0003.JPG", 1024, 683),
          ("beach.jpg", 900, 600), ("harbour.jpg", 640, 480)]


def side_by_side(left, right):
    """One picture of two grabs (rows of RGB bytes), top-aligned, with a gap."""
    left_width = len(left[0]) // 3
    right_width = len(right[0]) // 3
    height = max(len(left), len(right))
    rows = []
    for y in range(height):
        row = left[y] if y < len(left) else BACKGROUND * left_width
        row += BACKGROUND * GAP
        row += right[y] if y < len(right) else BACKGROUND * right_width
        rows.append(row)
    return left_width + GAP + right_width, height, rows


def main():
    program, make_jpeg, output = sys.argv[1:4]
    display = x.x11.XOpenDisplay(None)
    if not display:
        raise SystemExit("no X display")
    # A short, steady folder name: the list shows whole paths.
    work = "/tmp/plinkavorte-screenshot"
    shutil.rmtree(work, ignore_errors=True)
    folder = os.path.join(work, "Pictures", "holiday")
    os.makedirs(folder)
    try:
        for name, width, height in PHOTOS:
            subprocess.run([make_jpeg, os.path.join(folder, name), str(width), str(height)], check=True)
        env = dict(os.environ, QT_QPA_PLATFORM="xcb")
        child = subprocess.Popen([program, folder], env=env)
        try:
            caption = f"{len(PHOTOS)} Files"
            window, _, left, top, width, height = x.wait_for(
                lambda: [w for w in x.top_windows(display) if w[1] == caption], "the main window")[0]
            time.sleep(1.0)
            x.click(display, left + 5 + 100, top + 5 + 46 + 12)
            time.sleep(0.3)
            x.type_text(display, os.path.join(work, "thumbs.zip"))
            escape = x.x11.XKeysymToKeycode(display, x.x11.XStringToKeysym(b"Escape"))
            x.xtst.XTestFakeKeyEvent(display, escape, 1, 0)
            x.xtst.XTestFakeKeyEvent(display, escape, 0, 0)
            time.sleep(0.3)
            # The first entry selected, the mouse over the list: its hint in the status panel.
            x.click(display, left + 60, top + 150 + 10)
            time.sleep(0.5)
            main_rows = x.grab(display, window, width, height)
            x.double_click(display, left + 60, top + 150 + 10)
            preview = x.wait_for(lambda: [w for w in x.top_windows(display)
                                          if w[1] == "Plinkavorte" and w[0] != window], "the preview window")[0]
            time.sleep(1.0)
            preview_rows = x.grab(display, preview[0], preview[4], preview[5])
            if child.poll() is not None:
                raise SystemExit("the program ended early")
        finally:
            child.terminate()
            child.wait(timeout=10)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    total_width, total_height, rows = side_by_side(main_rows, preview_rows)
    if x.colours(rows) < 50:
        raise SystemExit("the picture looks blank")
    x.write_png(output, total_width, total_height, rows)
    print(f"{output}: {total_width}x{total_height}")


if __name__ == "__main__":
    main()

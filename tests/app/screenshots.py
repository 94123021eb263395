#!/usr/bin/env python3
"""Starts the real program on the X server of xvfb-run, takes screenshots of
the main window and of the preview window (opened by a double-click on the
first list entry), writes them as PNG files and checks they are not blank.
Between the two it types an archive name and presses GO over a list where
two pictures share a name, checks the archive with Python's zipfile and
unzip -t, and shoots the window with the end of the run in its panel.

usage: screenshots.py PLINKAVORTE MAKE_TEST_JPEG OUTPUT_FOLDER"""

import ctypes
import ctypes.util
import os
import struct
import subprocess
import sys
import tempfile
import time
import zlib

x11 = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11") or "libX11.so.6")
xtst = ctypes.cdll.LoadLibrary(ctypes.util.find_library("Xtst") or "libXtst.so.6")

Window = ctypes.c_ulong
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XDefaultRootWindow.restype = Window
x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x11.XQueryTree.argtypes = [ctypes.c_void_p, Window, ctypes.POINTER(Window), ctypes.POINTER(Window),
                           ctypes.POINTER(ctypes.POINTER(Window)), ctypes.POINTER(ctypes.c_uint)]
x11.XFetchName.argtypes = [ctypes.c_void_p, Window, ctypes.POINTER(ctypes.c_char_p)]
x11.XFree.argtypes = [ctypes.c_void_p]
x11.XGetImage.restype = ctypes.c_void_p
x11.XGetImage.argtypes = [ctypes.c_void_p, Window, ctypes.c_int, ctypes.c_int, ctypes.c_uint, ctypes.c_uint,
                          ctypes.c_ulong, ctypes.c_int]
x11.XGetPixel.restype = ctypes.c_ulong
x11.XGetPixel.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int]
x11.XDestroyImage = None
x11.XTranslateCoordinates.argtypes = [ctypes.c_void_p, Window, Window, ctypes.c_int, ctypes.c_int,
                                      ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_int),
                                      ctypes.POINTER(Window)]
x11.XGetGeometry.argtypes = [ctypes.c_void_p, Window, ctypes.POINTER(Window)] + \
    [ctypes.POINTER(ctypes.c_int)] * 2 + [ctypes.POINTER(ctypes.c_uint)] * 4
x11.XFlush.argtypes = [ctypes.c_void_p]
x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
xtst.XTestFakeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int, ctypes.c_int, ctypes.c_ulong]
xtst.XTestFakeButtonEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
x11.XStringToKeysym.restype = ctypes.c_ulong
x11.XStringToKeysym.argtypes = [ctypes.c_char_p]
x11.XKeysymToKeycode.restype = ctypes.c_ubyte
x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
x11.XKeycodeToKeysym.restype = ctypes.c_ulong
x11.XKeycodeToKeysym.argtypes = [ctypes.c_void_p, ctypes.c_ubyte, ctypes.c_int]

ZPixmap = 2
AllPlanes = 0xFFFFFFFF


def top_windows(display):
    """(window, title, x, y, width, height) of the named, mapped top-level windows."""
    root = x11.XDefaultRootWindow(display)
    root_ret, parent = Window(), Window()
    children = ctypes.POINTER(Window)()
    count = ctypes.c_uint()
    x11.XQueryTree(display, root, ctypes.byref(root_ret), ctypes.byref(parent), ctypes.byref(children),
                   ctypes.byref(count))
    found = []
    for i in range(count.value):
        window = children[i]
        name = ctypes.c_char_p()
        if x11.XFetchName(display, window, ctypes.byref(name)) and name.value:
            # The caption, without the program's name that window lists add.
            title = name.value.decode("utf-8", "replace").removesuffix(" \u2014 Plinkavorte")
            geometry = window_geometry(display, window)
            if geometry[2] > 50 and geometry[3] > 50:
                found.append((window, title) + geometry)
    if children:
        x11.XFree(children)
    return found


def window_geometry(display, window):
    root = Window()
    x, y = ctypes.c_int(), ctypes.c_int()
    w, h, border, depth = ctypes.c_uint(), ctypes.c_uint(), ctypes.c_uint(), ctypes.c_uint()
    x11.XGetGeometry(display, window, ctypes.byref(root), ctypes.byref(x), ctypes.byref(y), ctypes.byref(w),
                     ctypes.byref(h), ctypes.byref(border), ctypes.byref(depth))
    gx, gy, child = ctypes.c_int(), ctypes.c_int(), Window()
    x11.XTranslateCoordinates(display, window, x11.XDefaultRootWindow(display), 0, 0, ctypes.byref(gx),
                              ctypes.byref(gy), ctypes.byref(child))
    return gx.value, gy.value, w.value, h.value


def grab(display, window, width, height):
    image = x11.XGetImage(display, window, 0, 0, width, height, AllPlanes, ZPixmap)
    if not image:
        raise RuntimeError("XGetImage failed")
    rows = []
    for y in range(height):
        row = bytearray()
        for x in range(width):
            pixel = x11.XGetPixel(image, x, y)
            row += bytes(((pixel >> 16) & 255, (pixel >> 8) & 255, pixel & 255))
        rows.append(bytes(row))
    return rows


def write_png(path, width, height, rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    raw = b"".join(b"\0" + row for row in rows)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        out.write(chunk(b"IDAT", zlib.compress(raw, 6)))
        out.write(chunk(b"IEND", b""))


def colours(rows):
    seen = set()
    for row in rows:
        for i in range(0, len(row), 3):
            seen.add(row[i:i + 3])
    return len(seen)


def wait_for(predicate, what, seconds=20):
    end = time.time() + seconds
    while time.time() < end:
        result = predicate()
        if result:
            return result
        time.sleep(0.2)
    raise SystemExit("timed out waiting for " + what)


def double_click(display, x, y):
    xtst.XTestFakeMotionEvent(display, -1, x, y, 0)
    x11.XFlush(display)
    time.sleep(0.3)
    for _ in range(2):
        xtst.XTestFakeButtonEvent(display, 1, 1, 0)
        xtst.XTestFakeButtonEvent(display, 1, 0, 0)
        x11.XFlush(display)
        time.sleep(0.05)


KEYSYM_NAMES = {"/": "slash", ".": "period", "-": "minus", "_": "underscore", " ": "space"}


def type_text(display, text):
    shift = x11.XKeysymToKeycode(display, x11.XStringToKeysym(b"Shift_L"))
    for c in text:
        sym = x11.XStringToKeysym(KEYSYM_NAMES.get(c, c).encode())
        code = x11.XKeysymToKeycode(display, sym)
        if not code:
            raise SystemExit(f"no key for {c!r}")
        shifted = x11.XKeycodeToKeysym(display, code, 0) != sym
        if shifted:
            xtst.XTestFakeKeyEvent(display, shift, 1, 0)
        xtst.XTestFakeKeyEvent(display, code, 1, 0)
        xtst.XTestFakeKeyEvent(display, code, 0, 0)
        if shifted:
            xtst.XTestFakeKeyEvent(display, shift, 0, 0)
        x11.XFlush(display)
        time.sleep(0.02)


def click(display, x, y):
    xtst.XTestFakeMotionEvent(display, -1, x, y, 0)
    x11.XFlush(display)
    time.sleep(0.2)
    xtst.XTestFakeButtonEvent(display, 1, 1, 0)
    xtst.XTestFakeButtonEvent(display, 1, 0, 0)
    x11.XFlush(display)


def check_archive(path):
    """The run's archive as independent readers see it."""
    import zipfile
    wait_for(lambda: os.path.exists(path) and zipfile.is_zipfile(path) and
             zipfile.ZipFile(path).comment == b"Made with Plinkavorte", "the archive with its comment")
    with zipfile.ZipFile(path) as archive:
        if archive.namelist() != ["photo.jpg", "other.jpg"] or archive.testzip() is not None:
            raise SystemExit(f"unexpected archive contents {archive.namelist()}")
    subprocess.run(["unzip", "-tq", path], check=True)
    print(f"{path}: photo.jpg and other.jpg stored, comment set, unzip -t passes")


def shoot(display, window, path, minimum_colours):
    geometry = window_geometry(display, window)
    rows = grab(display, window, geometry[2], geometry[3])
    write_png(path, geometry[2], geometry[3], rows)
    count = colours(rows)
    print(f"{path}: {geometry[2]}x{geometry[3]}, {count} colours")
    if count < minimum_colours:
        raise SystemExit(f"{path} looks blank ({count} colours)")
    return rows


def main():
    program, make_jpeg, out_dir = sys.argv[1:4]
    display = x11.XOpenDisplay(None)
    if not display:
        raise SystemExit("no X display")
    with tempfile.TemporaryDirectory() as work:
        # The second photo.jpg is skipped: the archive holds the name by then.
        photos = [os.path.join(work, name) for name in ("photo.jpg", "card/photo.jpg", "other.jpg")]
        os.mkdir(os.path.join(work, "card"))
        for photo in photos:
            subprocess.run([make_jpeg, photo, "800", "600"], check=True)
        env = dict(os.environ, QT_QPA_PLATFORM="xcb")
        child = subprocess.Popen([program] + photos, env=env)
        try:
            main_window = wait_for(lambda: [w for w in top_windows(display) if w[1] == "3 Files"],
                                   "the main window with three entries")[0]
            time.sleep(1.0)
            window, _, left, top, width, height = main_window
            # The mouse over the list puts its hint into the status panel.
            xtst.XTestFakeMotionEvent(display, -1, left + 60, top + 250, 0)
            x11.XFlush(display)
            time.sleep(1.0)
            shoot(display, window, os.path.join(out_dir, "main-window.png"), 20)
            # GO into a new archive named in the ZIP field: the whole job once.
            archive = os.path.join(work, "thumbs.zip")
            click(display, left + 5 + 100, top + 5 + 46 + 12)
            time.sleep(0.3)
            type_text(display, archive)
            xtst.XTestFakeKeyEvent(display, x11.XKeysymToKeycode(display, x11.XStringToKeysym(b"Escape")), 1, 0)
            xtst.XTestFakeKeyEvent(display, x11.XKeysymToKeycode(display, x11.XStringToKeysym(b"Escape")), 0, 0)
            time.sleep(0.3)
            click(display, left + 5 + 403 + 32, top + 5 + 79 + 12)
            check_archive(archive)
            wait_for(lambda: [w for w in top_windows(display) if w[1] == "Files 3/3"], "the caption Files 3/3")
            # Away from every control, so the panel shows how the run ended.
            xtst.XTestFakeMotionEvent(display, -1, left + width + 40, top + height + 40, 0)
            x11.XFlush(display)
            time.sleep(1.0)
            shoot(display, window, os.path.join(out_dir, "main-window-after-run.png"), 20)

            # Over the first entry of the list (below the 150-pixel settings area).
            double_click(display, left + 60, top + 150 + 10)
            preview = wait_for(lambda: [w for w in top_windows(display)
                                        if w[1].startswith("photo.jpg") and w[0] != window],
                              "the preview window, titled with the picture's name")[0]
            time.sleep(1.0)
            shoot(display, preview[0], os.path.join(out_dir, "preview-window.png"), 50)
            if child.poll() is not None:
                raise SystemExit("the program ended early")
        finally:
            child.terminate()
            child.wait(timeout=10)


if __name__ == "__main__":
    main()

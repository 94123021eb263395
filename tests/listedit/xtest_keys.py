"""Types into whatever X window has the focus, through the XTest extension.

Arguments: a sequence of  click X Y  |  key MOD+...+KEY  (e.g. ctrl+shift+delete).
Exits 77 when the X libraries are missing, so the calling test counts as skipped.
"""
import ctypes
import sys
import time

try:
    x11 = ctypes.CDLL("libX11.so.6")
    xtst = ctypes.CDLL("libXtst.so.6")
except OSError:
    sys.exit(77)

x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XStringToKeysym.restype = ctypes.c_ulong
x11.XStringToKeysym.argtypes = [ctypes.c_char_p]
x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
x11.XFlush.argtypes = [ctypes.c_void_p]
xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
xtst.XTestFakeButtonEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
xtst.XTestFakeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int, ctypes.c_int, ctypes.c_ulong]

KEYSYMS = {"ctrl": "Control_L", "shift": "Shift_L", "alt": "Alt_L", "delete": "Delete"}

display = x11.XOpenDisplay(None)
if not display:
    sys.exit("no X display")


def keycode(name):
    code = x11.XKeysymToKeycode(display, x11.XStringToKeysym(KEYSYMS.get(name, name).encode()))
    if not code:
        sys.exit("no key code for " + name)
    return code


def settle():
    x11.XFlush(display)
    time.sleep(0.3)


args = sys.argv[1:]
while args:
    op = args.pop(0)
    if op == "click":
        x, y = int(args.pop(0)), int(args.pop(0))
        xtst.XTestFakeMotionEvent(display, -1, x, y, 0)
        settle()
        xtst.XTestFakeButtonEvent(display, 1, 1, 0)
        xtst.XTestFakeButtonEvent(display, 1, 0, 0)
    elif op == "key":
        codes = [keycode(part) for part in args.pop(0).split("+")]
        for code in codes:
            xtst.XTestFakeKeyEvent(display, code, 1, 0)
        for code in reversed(codes):
            xtst.XTestFakeKeyEvent(display, code, 0, 0)
    else:
        sys.exit("unknown step " + op)
    settle()

"""Real X11 input and window lookup for the benchmarks, through libX11 and XTest with ctypes.

Sending the events from this process, not by starting xdotool for each one, keeps the cost of
starting a program out of the measured time and lets clicks come at a steady 20 per second.
"""
import ctypes
import ctypes.util
import os
import time

_x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
_xtst = ctypes.CDLL(ctypes.util.find_library("Xtst") or "libXtst.so.6")

_Window = ctypes.c_ulong
_Atom = ctypes.c_ulong

_x11.XOpenDisplay.restype = ctypes.c_void_p
_x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
_x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
_x11.XFlush.argtypes = [ctypes.c_void_p]
_x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
_x11.XDefaultRootWindow.restype = _Window
_x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
_x11.XInternAtom.restype = _Atom
_x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
_x11.XQueryTree.argtypes = [ctypes.c_void_p, _Window, ctypes.POINTER(_Window),
                            ctypes.POINTER(_Window), ctypes.POINTER(ctypes.POINTER(_Window)),
                            ctypes.POINTER(ctypes.c_uint)]
_x11.XGetWindowProperty.argtypes = [
    ctypes.c_void_p, _Window, _Atom, ctypes.c_long, ctypes.c_long, ctypes.c_int, _Atom,
    ctypes.POINTER(_Atom), ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_ulong),
    ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_void_p)]
_x11.XFree.argtypes = [ctypes.c_void_p]
_x11.XTranslateCoordinates.argtypes = [
    ctypes.c_void_p, _Window, _Window, ctypes.c_int, ctypes.c_int,
    ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_int), ctypes.POINTER(_Window)]
_x11.XSetInputFocus.argtypes = [ctypes.c_void_p, _Window, ctypes.c_int, ctypes.c_ulong]
_x11.XKeysymToKeycode.restype = ctypes.c_ubyte
_x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
_xtst.XTestFakeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int,
                                       ctypes.c_int, ctypes.c_ulong]
_xtst.XTestFakeButtonEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int,
                                       ctypes.c_ulong]
_xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int,
                                    ctypes.c_ulong]


class WindowAttributes(ctypes.Structure):
    _fields_ = [("x", ctypes.c_int), ("y", ctypes.c_int), ("width", ctypes.c_int),
                ("height", ctypes.c_int), ("border_width", ctypes.c_int),
                ("depth", ctypes.c_int), ("visual", ctypes.c_void_p), ("root", _Window),
                ("class_", ctypes.c_int), ("bit_gravity", ctypes.c_int),
                ("win_gravity", ctypes.c_int), ("backing_store", ctypes.c_int),
                ("backing_planes", ctypes.c_ulong), ("backing_pixel", ctypes.c_ulong),
                ("save_under", ctypes.c_int), ("colormap", ctypes.c_ulong),
                ("map_installed", ctypes.c_int), ("map_state", ctypes.c_int),
                ("all_event_masks", ctypes.c_long), ("your_event_mask", ctypes.c_long),
                ("do_not_propagate_mask", ctypes.c_long), ("override_redirect", ctypes.c_int),
                ("screen", ctypes.c_void_p)]


_x11.XGetWindowAttributes.argtypes = [ctypes.c_void_p, _Window,
                                      ctypes.POINTER(WindowAttributes)]



class _XImage(ctypes.Structure):
    # The leading fields of Xlib's XImage, as far as they are read here.
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p), ("byte_order", ctypes.c_int),
                ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int),
                ("bitmap_pad", ctypes.c_int), ("depth", ctypes.c_int),
                ("bytes_per_line", ctypes.c_int), ("bits_per_pixel", ctypes.c_int)]


_x11.XGetImage.restype = ctypes.POINTER(_XImage)
_x11.XGetImage.argtypes = [ctypes.c_void_p, _Window, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                           ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
_x11.XDestroyImage.argtypes = [ctypes.POINTER(_XImage)]

IS_VIEWABLE = 2
Z_PIXMAP = 2
XK_SPACE = 0x20


_ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)


@_ERROR_HANDLER
def _ignore_error(display, event):
    # Windows of other programs come and go while the tree is walked; Xlib's default handler
    # would end this process on the first one that is gone. The failed call returns 0 instead.
    return 0


_x11.XSetErrorHandler.argtypes = [_ERROR_HANDLER]
_x11.XSetErrorHandler.restype = ctypes.c_void_p
_x11.XSetErrorHandler(_ignore_error)


class Display:
    def __init__(self):
        self.dpy = _x11.XOpenDisplay(os.environ.get("DISPLAY", "").encode() or None)
        if not self.dpy:
            raise RuntimeError("cannot open the X display")
        self.root = _x11.XDefaultRootWindow(self.dpy)
        self.pid_atom = _x11.XInternAtom(self.dpy, b"_NET_WM_PID", 0)

    def close(self):
        if self.dpy:
            _x11.XCloseDisplay(self.dpy)
            self.dpy = None

    def _children(self, window):
        root, parent = _Window(), _Window()
        children = ctypes.POINTER(_Window)()
        count = ctypes.c_uint()
        if not _x11.XQueryTree(self.dpy, window, ctypes.byref(root), ctypes.byref(parent),
                               ctypes.byref(children), ctypes.byref(count)):
            return []
        found = [children[i] for i in range(count.value)]
        if children:
            _x11.XFree(children)
        return found

    def _pid_of(self, window):
        actual_type, actual_format = _Atom(), ctypes.c_int()
        items, after = ctypes.c_ulong(), ctypes.c_ulong()
        data = ctypes.c_void_p()
        status = _x11.XGetWindowProperty(self.dpy, window, self.pid_atom, 0, 1, 0, 6,  # CARDINAL
                                         ctypes.byref(actual_type), ctypes.byref(actual_format),
                                         ctypes.byref(items), ctypes.byref(after),
                                         ctypes.byref(data))
        if status != 0 or not data.value:
            return None
        pid = ctypes.cast(data, ctypes.POINTER(ctypes.c_ulong))[0] if items.value else None
        _x11.XFree(data)
        return pid

    def attributes(self, window):
        attrs = WindowAttributes()
        if not _x11.XGetWindowAttributes(self.dpy, window, ctypes.byref(attrs)):
            return None
        return attrs

    def window_of(self, pid, timeout=10):
        """The viewable top-level window of process `pid`, waiting for it to be mapped."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            for window in self._children(self.root):
                if self._pid_of(window) == pid:
                    attrs = self.attributes(window)
                    if attrs and attrs.map_state == IS_VIEWABLE:
                        return window
            time.sleep(0.02)
        raise RuntimeError(f"no window of process {pid} appeared")

    def geometry(self, window):
        """(x, y, width, height) of `window` on the screen."""
        x, y, child = ctypes.c_int(), ctypes.c_int(), _Window()
        _x11.XTranslateCoordinates(self.dpy, window, self.root, 0, 0, ctypes.byref(x),
                                   ctypes.byref(y), ctypes.byref(child))
        attrs = self.attributes(window)
        return x.value, y.value, attrs.width, attrs.height

    def move_pointer(self, x, y):
        _xtst.XTestFakeMotionEvent(self.dpy, -1, x, y, 0)
        _x11.XSync(self.dpy, 0)

    def click(self):
        """Clicks button 1 where the pointer is; returns the time just before the press went."""
        sent = time.monotonic()
        _xtst.XTestFakeButtonEvent(self.dpy, 1, 1, 0)
        _xtst.XTestFakeButtonEvent(self.dpy, 1, 0, 0)
        _x11.XFlush(self.dpy)
        return sent

    def focus(self, window):
        _x11.XSetInputFocus(self.dpy, window, 1, 0)  # RevertToPointerRoot, CurrentTime
        _x11.XSync(self.dpy, 0)

    def key(self, keysym):
        code = _x11.XKeysymToKeycode(self.dpy, keysym)
        sent = time.monotonic()
        _xtst.XTestFakeKeyEvent(self.dpy, code, 1, 0)
        _xtst.XTestFakeKeyEvent(self.dpy, code, 0, 0)
        _x11.XFlush(self.dpy)
        return sent

    def grab(self, x, y, width, height):
        """The screen's pixels in a rectangle, 32 bits each, as the server holds them."""
        image = _x11.XGetImage(self.dpy, self.root, x, y, width, height, 0xFFFFFFFF, Z_PIXMAP)
        if not image:
            raise RuntimeError("XGetImage failed")
        try:
            head = image.contents
            if head.bits_per_pixel != 32:
                raise RuntimeError(f"{head.bits_per_pixel} bits per pixel; expected 32")
            return ctypes.string_at(head.data, head.bytes_per_line * head.height)
        finally:
            _x11.XDestroyImage(image)

"""Running the real program under a virtual X server: start and stop Xvfb on
a free display, drive the mouse and keyboard with xdotool, read the screen
back with xwd, send a window-close request, and read a process's CPU time.
Standard library only."""

import ctypes
import ctypes.util
import os
import signal
import struct
import subprocess
import tempfile
import time


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def log(message):
    print(message, flush=True)


def wait_for(what, test, timeout=10, every=0.05):
    """Polls test() until it gives something true, which it returns; a
    Failure naming what was awaited after timeout seconds."""
    deadline = time.time() + timeout
    while True:
        got = test()
        if got:
            return got
        if time.time() >= deadline:
            raise Failure("waited %.0f s for %s" % (timeout, what))
        time.sleep(every)


# Windows come and go while the tree is walked (a message box answered, a
# window closed): a request about one that is gone fails, and Xlib's own
# handler would end the whole test for it. Such a window is passed over.
_XErrorHandler = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)
_ignore_x_errors = _XErrorHandler(lambda display, event: 0)


def _xlib():
    x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    x11.XSetErrorHandler.argtypes = [_XErrorHandler]
    x11.XSetErrorHandler.restype = ctypes.c_void_p
    x11.XSetErrorHandler(_ignore_x_errors)
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int,
                               ctypes.c_long, ctypes.c_void_p]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    x11.XDefaultRootWindow.restype = ctypes.c_ulong
    x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x11.XQueryTree.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
                               ctypes.POINTER(ctypes.c_ulong),
                               ctypes.POINTER(ctypes.POINTER(ctypes.c_ulong)),
                               ctypes.POINTER(ctypes.c_uint)]
    x11.XGetWindowProperty.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_long,
                                       ctypes.c_long, ctypes.c_int, ctypes.c_ulong,
                                       ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_int),
                                       ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_ulong),
                                       ctypes.POINTER(ctypes.c_void_p)]
    x11.XGetWindowAttributes.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_void_p]
    x11.XTranslateCoordinates.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong, ctypes.c_int,
                                          ctypes.c_int, ctypes.POINTER(ctypes.c_int),
                                          ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_ulong)]
    x11.XFree.argtypes = [ctypes.c_void_p]
    return x11


class _WindowAttributes(ctypes.Structure):
    _fields_ = [("x", ctypes.c_int), ("y", ctypes.c_int), ("width", ctypes.c_int),
                ("height", ctypes.c_int), ("border_width", ctypes.c_int), ("depth", ctypes.c_int),
                ("visual", ctypes.c_void_p), ("root", ctypes.c_ulong), ("class_", ctypes.c_int),
                ("bit_gravity", ctypes.c_int), ("win_gravity", ctypes.c_int),
                ("backing_store", ctypes.c_int), ("backing_planes", ctypes.c_ulong),
                ("backing_pixel", ctypes.c_ulong), ("save_under", ctypes.c_int),
                ("colormap", ctypes.c_ulong), ("map_installed", ctypes.c_int),
                ("map_state", ctypes.c_int), ("all_event_masks", ctypes.c_long),
                ("your_event_mask", ctypes.c_long), ("do_not_propagate_mask", ctypes.c_long),
                ("override_redirect", ctypes.c_int), ("screen", ctypes.c_void_p)]


class Window:
    """A window of the tree: its id, name, types and place on the screen."""

    def __init__(self, wid, name, types, x, y, width, height):
        self.id, self.name, self.types = wid, name, types
        self.x, self.y, self.width, self.height = x, y, width, height

    def __repr__(self):
        return "0x%x %r %r %dx%d+%d+%d" % (self.id, self.name, self.types, self.width,
                                           self.height, self.x, self.y)


class Display:
    """An Xvfb server on a display number it picked itself (-displayfd);
    extra: more arguments for the server (such as a font path).

    The server's auto-repeat is off: on a loaded machine the release of a
    key press may come late enough for the server to repeat the key. A test
    that wants repeats sends them (a second key down before the up)."""

    def __init__(self, width=640, height=480, extra=()):
        read_fd, write_fd = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0",
             "%dx%dx24" % (width, height), "-nolisten", "tcp", "-noreset", "-r"] + list(extra),
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL, start_new_session=True)
        os.close(write_fd)
        number = b""
        deadline = time.time() + 15
        while not number.endswith(b"\n") and time.time() < deadline:
            chunk = os.read(read_fd, 16)
            if not chunk:
                break
            number += chunk
        os.close(read_fd)
        if not number.strip():
            self.close()
            raise Failure("Xvfb did not start")
        self.name = ":" + number.decode().strip()
        self.env = dict(os.environ, DISPLAY=self.name)

    def run(self, *args, timeout=10):
        return subprocess.run(list(args), env=self.env, timeout=timeout,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE)

    def xdotool(self, *args):
        result = self.run("xdotool", *[str(a) for a in args])
        return result.stdout.decode(errors="replace")

    def move(self, x, y):
        self.xdotool("mousemove", x, y)

    def key(self, name):
        self.xdotool("key", name)

    # The server delivers input in the order it was made, and the program
    # handles it in that order: no pause is needed between the steps.
    def click(self, x, y):
        self.move(x, y)
        self.xdotool("click", 1)

    def drag(self, x0, y0, x1, y1, steps=5):
        """Press at (x0, y0), move in steps to (x1, y1), release."""
        self.move(x0, y0)
        self.xdotool("mousedown", 1)
        for i in range(1, steps + 1):
            self.move(x0 + (x1 - x0) * i // steps, y0 + (y1 - y0) * i // steps)
        self.xdotool("mouseup", 1)

    def windows(self, name):
        out = self.xdotool("search", "--name", name)
        return [w for w in out.split() if w.isdigit()]

    def screenshot(self):
        result = self.run("xwd", "-root", "-silent", timeout=20)
        check(result.returncode == 0, "xwd failed: %s" % result.stderr.decode(errors="replace"))
        return Screen(result.stdout)

    def mapped_windows(self):
        """Every viewable window of the tree, as Window records. The name is
        _NET_WM_NAME (UTF-8), which xdotool's search does not read, and the
        types the short names of _NET_WM_WINDOW_TYPE ("DIALOG", ...)."""
        x11 = _xlib()
        dpy = x11.XOpenDisplay(self.name.encode())
        check(dpy, "cannot open display %s" % self.name)
        found = []
        try:
            net_name = x11.XInternAtom(dpy, b"_NET_WM_NAME", 0)
            net_type = x11.XInternAtom(dpy, b"_NET_WM_WINDOW_TYPE", 0)
            root = x11.XDefaultRootWindow(dpy)

            def prop(w, atom):
                kind, fmt = ctypes.c_ulong(), ctypes.c_int()
                count, after, data = ctypes.c_ulong(), ctypes.c_ulong(), ctypes.c_void_p()
                if x11.XGetWindowProperty(dpy, w, atom, 0, 4096, 0, 0, ctypes.byref(kind),
                                          ctypes.byref(fmt), ctypes.byref(count),
                                          ctypes.byref(after), ctypes.byref(data)) != 0 or not data:
                    return fmt.value, []
                size = {8: ctypes.c_ubyte, 16: ctypes.c_ushort, 32: ctypes.c_ulong}.get(fmt.value)
                items = list((size * count.value).from_address(data.value)) if size else []
                x11.XFree(data)
                return fmt.value, items

            def atom_name(atom):
                x11.XGetAtomName.restype = ctypes.c_void_p
                x11.XGetAtomName.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
                text = x11.XGetAtomName(dpy, atom)
                if not text:
                    return ""
                value = ctypes.string_at(text).decode(errors="replace")
                x11.XFree(text)
                return value.replace("_NET_WM_WINDOW_TYPE_", "")

            def walk(w):
                root_ret, parent = ctypes.c_ulong(), ctypes.c_ulong()
                children, n = ctypes.POINTER(ctypes.c_ulong)(), ctypes.c_uint()
                if not x11.XQueryTree(dpy, w, ctypes.byref(root_ret), ctypes.byref(parent),
                                      ctypes.byref(children), ctypes.byref(n)):
                    return
                ids = [children[i] for i in range(n.value)]
                if children:
                    x11.XFree(children)
                for child in ids:
                    attributes = _WindowAttributes()
                    if x11.XGetWindowAttributes(dpy, child, ctypes.byref(attributes)) and \
                            attributes.map_state == 2:  # IsViewable
                        x, y, unused = ctypes.c_int(), ctypes.c_int(), ctypes.c_ulong()
                        x11.XTranslateCoordinates(dpy, child, root, 0, 0, ctypes.byref(x),
                                                  ctypes.byref(y), ctypes.byref(unused))
                        fmt, name = prop(child, net_name)
                        _, types = prop(child, net_type)
                        found.append(Window(child, bytes(name).decode(errors="replace") if fmt == 8 else "",
                                            [atom_name(t) for t in types], x.value, y.value,
                                            attributes.width, attributes.height))
                    walk(child)

            walk(root)
        finally:
            x11.XCloseDisplay(dpy)
        return found

    def dialogs(self, name):
        """The viewable dialog windows called name."""
        return [w for w in self.mapped_windows() if w.name == name and "DIALOG" in w.types]

    def close_request(self, window):
        """What a window manager sends for Alt+F4: WM_DELETE_WINDOW."""
        x11 = _xlib()
        dpy = x11.XOpenDisplay(self.name.encode())
        check(dpy, "cannot open display %s" % self.name)
        protocols = x11.XInternAtom(dpy, b"WM_PROTOCOLS", 0)
        delete = x11.XInternAtom(dpy, b"WM_DELETE_WINDOW", 0)

        class ClientMessage(ctypes.Structure):
            _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                        ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                        ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                        ("format", ctypes.c_int), ("data", ctypes.c_long * 5),
                        ("pad", ctypes.c_long * 12)]
        event = ClientMessage()
        event.type = 33  # ClientMessage
        event.window = int(window)
        event.message_type = protocols
        event.format = 32
        event.data[0] = delete
        event.data[1] = 0  # CurrentTime
        x11.XSendEvent(dpy, int(window), 0, 0, ctypes.byref(event))
        x11.XFlush(dpy)
        x11.XCloseDisplay(dpy)

    def close(self):
        stop(self.proc)


def stop(proc, wait=5):
    """Ends a process we started and everything in its session."""
    if proc is None or proc.poll() is not None:
        return
    try:
        os.killpg(proc.pid, signal.SIGTERM)
    except (ProcessLookupError, PermissionError):
        proc.terminate()
    try:
        proc.wait(wait)
    except subprocess.TimeoutExpired:
        try:
            os.killpg(proc.pid, signal.SIGKILL)
        except (ProcessLookupError, PermissionError):
            proc.kill()
        proc.wait(wait)


class Screen:
    """An xwd dump (format 7, ZPixmap, 24 or 32 bits a pixel) as RGB."""

    def __init__(self, data):
        header = struct.unpack(">25I", data[:100])
        header_size, version = header[0], header[1]
        check(version == 7, "unexpected xwd version %d" % version)
        self.width, self.height = header[4], header[5]
        byte_order, bits_per_pixel, self.bytes_per_line = header[7], header[11], header[12]
        red_mask, green_mask, blue_mask = header[14], header[15], header[16]
        ncolors = header[19]
        check(bits_per_pixel in (24, 32), "unexpected %d bits a pixel" % bits_per_pixel)
        self.bpp = bits_per_pixel // 8
        self.pixels = data[header_size + 12 * ncolors:]
        check(len(self.pixels) >= self.bytes_per_line * self.height, "short xwd image")
        self.little = byte_order == 0
        self.shifts = [self._shift(m) for m in (red_mask, green_mask, blue_mask)]

    @staticmethod
    def _shift(mask):
        shift = 0
        while mask and not mask & 1:
            mask >>= 1
            shift += 1
        return shift

    def rgb(self, x, y):
        at = y * self.bytes_per_line + x * self.bpp
        raw = self.pixels[at:at + self.bpp]
        value = int.from_bytes(raw, "little" if self.little else "big")
        return tuple((value >> s) & 255 for s in self.shifts)


class Program:
    """The program under test, started in a folder with an environment."""

    def __init__(self, display, binary, folder, extra_env=None):
        env = dict(display.env if display else os.environ)
        env.update(extra_env or {})
        self.err = tempfile.TemporaryFile()
        self.proc = subprocess.Popen([binary], cwd=folder, env=env,
                                     stdout=subprocess.DEVNULL, stderr=self.err,
                                     start_new_session=True)
        self.started = time.time()

    def alive(self):
        return self.proc.poll() is None

    def wait(self, timeout):
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

    def stderr(self):
        self.err.seek(0)
        return self.err.read().decode(errors="replace")

    def cpu_seconds(self):
        """utime + stime of the process so far, from /proc/<pid>/stat."""
        with open("/proc/%d/stat" % self.proc.pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
        ticks = int(fields[11]) + int(fields[12])
        return ticks / os.sysconf("SC_CLK_TCK")

    def close(self):
        stop(self.proc)


class Args:
    """A case's arguments, as the script's main fills them in."""


def run_script(doc, cases, fill):
    """The main of a test script: CASE and the script's arguments (at least
    two, which fill(args, argv) takes into an Args); the case's outcome as
    the exit status."""
    import sys
    argv = sys.argv[1:]
    if len(argv) < 3 or argv[0] not in cases:
        print(doc.split("\n\n")[1] + "\ncases: " + " ".join(cases))
        return 2
    args = Args()
    fill(args, argv[1:])
    started = time.time()
    try:
        cases[argv[0]](args)
    except Failure as failure:
        print("FAILED %s: %s" % (argv[0], failure), flush=True)
        return 1
    print("passed %s in %.1f s" % (argv[0], time.time() - started), flush=True)
    return 0

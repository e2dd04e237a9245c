"""End-to-end tests of what makes zemvr a Linux program: the command line,
the exit status, full screen and window, the scalers, screenshots, the
keyboard layout's characters and the hotspot outlines.

    linux_test.py CASE ZEMVR WORLDGEN [--demo ZEMVR_DEMO] [--zemworld ZEMWORLD]
                  [--sanitized]

Each case starts its own Xvfb (where it needs one) and its programs in
scratch folders, and ends every process it started."""

import ctypes
import os
import subprocess
import sys
import tempfile
import time
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import Display, Failure, Program, check, log, run_script, wait_for  # noqa: E402
from e2e_test import expect_exit, lsan_env, make_world  # noqa: E402
import world  # noqa: E402


class Run(Program):
    """The program with arguments."""

    def __init__(self, display, binary, folder, args=(), extra_env=None):
        env = dict(display.env if display else os.environ)
        env.update(lsan_env())
        env.update(extra_env or {})
        self.err = tempfile.TemporaryFile()
        self.out = tempfile.TemporaryFile()
        self.proc = subprocess.Popen([binary] + list(args), cwd=folder, env=env,
                                     stdout=self.out, stderr=self.err, start_new_session=True)
        self.started = time.time()

    def stdout(self):
        self.out.seek(0)
        return self.out.read().decode(errors="replace")


class Area:
    """The 640 x 480 picture as shown in an area of a bigger screen: picture
    pixel (x, y) is read in the middle of the screen pixels that show it."""

    def __init__(self, screen, x, y, w, h):
        self.screen, self.x, self.y, self.w, self.h = screen, x, y, w, h

    def at(self, px, py):
        return (self.x + (2 * px + 1) * self.w // 1280, self.y + (2 * py + 1) * self.h // 960)

    def rgb(self, px, py):
        return self.screen.rgb(*self.at(px, py))


def fitted(width, height):
    """The largest 4:3 area of a width x height output, centred."""
    if width * 3 <= height * 4:
        w, h = width, width * 3 // 4
    else:
        w, h = height * 4 // 3, height
    return ((width - w) // 2, (height - h) // 2, w, h)


def wait_view(display, program, area, want=None, skip=(), timeout=10):
    deadline = time.time() + timeout
    seen = None
    while time.time() < deadline:
        check(program.alive(), "the program ended early: %s" % program.stderr()[-2000:])
        seen = world.read_view(Area(display.screenshot(), *area), skip)
        if seen and (want is None or seen == want):
            return seen
        time.sleep(0.1)
    raise Failure("expected view %r in the area %r, the screen shows %r" % (want, area, seen))


def cursor_in(display, program, area, screen_x, screen_y, want):
    """Moves the mouse to a screen position; the cursor picture must land at
    picture position want (its top-left corner). Any of its frames counts:
    at an edge the view turns, and what lies under the cursor changes."""
    display.move(screen_x, screen_y)
    a, b = world.CURSOR_BLOCK
    x, y = want
    box = None
    deadline = time.time() + 5
    while time.time() < deadline:
        check(program.alive(), "the program ended: %s" % program.stderr()[-2000:])
        shot = Area(display.screenshot(), *area)
        for colour in world.CURSOR:
            box = world.find_colour(shot, colour, x - 40, y - 40, x + 80, y + 80)
            if box == (x + a, y + a, x + b - 1, y + b - 1):
                return
        time.sleep(0.1)
    raise Failure("mouse at (%d, %d) on the screen: expected the cursor at %r in the picture, "
                  "its square is at %r" % (screen_x, screen_y, want, box))


def window_geometry(display):
    """(window id, (x, y, width, height)) of the program's window, or None
    while it has none (it may come and go as it maps)."""
    windows = display.windows("zemVR")
    if not windows:
        return None
    try:
        out = display.xdotool("getwindowgeometry", "--shell", windows[0])
        values = dict(line.split("=", 1) for line in out.split() if "=" in line)
        return windows[0], (int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"]))
    except (Failure, KeyError, ValueError, subprocess.CalledProcessError):
        return None


def wait_geometry(display, want, timeout=10):
    """Waits for the window to stand at want; its id."""
    deadline = time.time() + timeout
    seen = None
    while time.time() < deadline:
        found = window_geometry(display)
        if found:
            wid, seen = found
            if seen == want:
                return wid
        time.sleep(0.1)
    raise Failure("window at %r, expected %r" % (seen, want))


class Scratch:
    """A scratch folder holding the test world as data.zem, and Xvfb."""

    def __init__(self, args, width=640, height=480, display=True):
        self.tmp = tempfile.TemporaryDirectory(prefix="zem-linux-")
        self.path = self.tmp.name
        make_world(args.worldgen, self.path)
        self.display = Display(width, height) if display else None
        self.programs = []

    def start(self, binary, args=(), env=None, folder=None):
        p = Run(self.display, binary, folder or self.path, args, env)
        self.programs.append(p)
        return p

    def close(self):
        for p in self.programs:
            p.close()
        if self.display:
            self.display.close()
        self.tmp.cleanup()


# ---------------------------------------------------------------------------
# Command line and exit status.

def finish(program, timeout=20):
    code = program.wait(timeout)
    check(code is not None, "the program did not end")
    return code, program.stdout(), program.stderr()


def case_options(args):
    """--help and --version print and end with 0 without a window (there is
    no display to open one on); a wrong argument prints the usage on
    standard error and ends with 2; the demo program takes the same
    options."""
    s = Scratch(args, display=False)
    try:
        no_display = {"DISPLAY": "", "SDL_VIDEODRIVER": "x11"}
        programs = [("zemvr", args.zemvr)] + ([("zemvr-demo", args.demo)] if args.demo else [])
        for name, binary in programs:
            code, out, err = finish(s.start(binary, ["--help"], no_display))
            check(code == 0, "%s --help: exit %d, stderr %r" % (name, code, err[-500:]))
            for text in ("Usage: %s [OPTION]..." % name, "--window", "--scale", "Alt+Enter", "F11"):
                check(text in out, "%s --help does not say %r: %r" % (name, text, out))
            check(err == "", "%s --help wrote to standard error: %r" % (name, err))
            code, out, err = finish(s.start(binary, ["--version", "--window"], no_display))
            check(code == 0 and out.startswith(name + " (zemVR) "),
                  "%s --version: exit %d, %r" % (name, code, out))
            wrong = [["--fullscreen"], ["--scale", "blurry"], ["--scale"], ["-x"],
                     ["--scale=smooth", "--help"]]
            wrong.append(["a.zem", "b.zem"] if name == "zemvr" else ["a.zem"])
            for argv in wrong:
                code, out, err = finish(s.start(binary, argv, no_display))
                check(code == 2, "%s %s: exit %d, expected 2" % (name, " ".join(argv), code))
                check(out == "" and "Usage: %s" % name in err,
                      "%s %s: usage not on standard error (out %r, err %r)" % (name, " ".join(argv), out, err))
            log("%s: --help and --version exit 0 without a display, %d wrong command lines exit 2"
                % (name, len(wrong)))
    finally:
        s.close()


def case_world(args):
    """zemvr WORLD.zem started in another folder plays that world, even with
    a damaged data.zem beside it; a world that cannot be opened or is no
    archive ends the program with status 1 and says why."""
    s = Scratch(args)
    try:
        worlds = os.path.join(s.path, "my worlds")
        elsewhere = os.path.join(s.path, "elsewhere")
        os.mkdir(worlds)
        os.mkdir(elsewhere)
        os.rename(os.path.join(s.path, "data.zem"), os.path.join(worlds, "test world.zem"))
        with open(os.path.join(elsewhere, "data.zem"), "wb") as f:
            f.write(b"not an archive")
        p = s.start(args.zemvr, ["../my worlds/test world.zem"], folder=elsewhere)
        s.display.move(300, 240)
        view = wait_view(s.display, p, (0, 0, 640, 480), ("stripes", 0), skip=[(290, 350)])
        log("zemvr '../my worlds/test world.zem' from another folder shows %r" % (view,))
        s.display.key("Escape")
        expect_exit(p, "Esc")

        dummy = {"SDL_VIDEODRIVER": "dummy"}
        failures = [
            ("missing.zem", "there is no such file"),
            (".", "it is a folder, not an archive file"),
            ("data.zem", "the directory runs past the end of the file"),  # the damaged one
            (os.devnull, "it is a device, not an archive file"),
        ]
        for name, reason in failures:
            code, out, err = finish(s.start(args.zemvr, [name], dummy, folder=elsewhere))
            check(code == 1, "zemvr %s: exit %d, expected 1" % (name, code))
            # The message names the file, the next line says why.
            text = "zemVR: Failed FastFileInit %s 0\nzemVR: cannot play %s: %s\n" % (name, name, reason)
            check(text in err, "zemvr %s: standard error does not hold %r: %r" % (name, text, err[-1000:]))
            log("zemvr %s: exit 1, %r" % (name, reason))
    finally:
        s.close()


# ---------------------------------------------------------------------------
# Full screen, window and scaling.

def case_fullscreen(args):
    """On a 1920 x 1080 screen: full screen shows the picture 1440 x 1080
    between black bars; Alt+Enter gives a 1280 x 960 window and back, the
    location and pan unchanged (no Enter reached the program); the mouse
    lands where it points in both, and on the bars at the picture's edge."""
    s = Scratch(args, 1920, 1080)
    try:
        d = s.display
        p = s.start(args.zemvr)
        full = fitted(1920, 1080)
        d.move(1000, 540)  # picture column 337
        before = wait_view(d, p, full, ("stripes", 0), skip=[(320, 390)])
        wait_geometry(d, (0, 0, 1920, 1080))
        screen = d.screenshot()
        for x, y in ((10, 540), (239, 10), (1680, 1000), (1910, 540)):
            check(screen.rgb(x, y) == (0, 0, 0), "the bar at (%d, %d) is %r" % (x, y, screen.rgb(x, y)))
        cursor_in(d, p, full, *Area(None, *full).at(100, 150), (100, 150))

        d.move(1000, 540)
        d.key("alt+Return")
        window = (320, 60, 1280, 960)
        wait_geometry(d, window)
        view = wait_view(d, p, window, skip=[(320, 390)])
        check(view == before, "after Alt+Enter the window shows %r, before %r" % (view, before))
        cursor_in(d, p, window, 320 + 2 * 200, 60 + 2 * 150, (200, 150))
        log("Alt+Enter: a 1280 x 960 window at (320, 60) showing %r" % (view,))

        d.move(1000, 540)
        d.key("alt+Return")
        wait_geometry(d, (0, 0, 1920, 1080))
        view = wait_view(d, p, full, skip=[(320, 390)])
        check(view == before, "back in full screen the view is %r, before %r" % (view, before))
        log("Alt+Enter again: full screen showing %r" % (view,))

        # On the bars: the nearest edge of the picture (the view then turns).
        cursor_in(d, p, full, 100, 540, (0, 240))
        cursor_in(d, p, full, 1800, 1070, (640 - world.CURSOR_SIZE, 480 - world.CURSOR_SIZE))
        d.key("Escape")
        expect_exit(p, "Esc")
    finally:
        s.close()


def exact_or_between(colour, left, right):
    """0: colour is left or right; 1: strictly between them; None: neither."""
    if world.near(colour, left, 3) or world.near(colour, right, 3):
        return 0
    lo = [min(a, b) - 3 for a, b in zip(left, right)]
    hi = [max(a, b) + 3 for a, b in zip(left, right)]
    return 1 if all(l <= c <= h for c, l, h in zip(colour, lo, hi)) else None


def case_scaling(args):
    """integer: 1280 x 960 centred on 1920 x 1080, each picture pixel a 2 x 2
    block; sharp: every picture pixel shown in its own colour and at most
    one blended screen pixel between two neighbours; a window resized to
    1000 x 600 keeps 4:3 with bars, and the mouse follows on it."""
    s = Scratch(args, 1920, 1080)
    try:
        d = s.display
        p = s.start(args.zemvr, ["--scale", "integer"])
        area = (320, 60, 1280, 960)
        d.move(1000, 540)
        wait_view(d, p, area, ("stripes", 0), skip=[(320, 390)])
        screen = d.screenshot()
        for x, y in ((319, 540), (1600, 540), (960, 59), (960, 1020)):
            check(screen.rgb(x, y) == (0, 0, 0), "integer: the bar at (%d, %d) is %r" % (x, y, screen.rgb(x, y)))
        for px in range(0, 200, 7):
            x, y = 320 + 2 * px, 60 + 2 * world.LOWER_ROW
            block = {screen.rgb(x + i, y + j) for i in (0, 1) for j in (0, 1)}
            check(len(block) == 1, "integer: picture pixel %d is not an even 2 x 2 block: %r" % (px, block))
        cursor_in(d, p, area, 320 + 2 * 100 + 1, 60 + 2 * 100 + 1, (100, 100))
        d.key("Escape")
        expect_exit(p, "Esc (integer)")
        log("integer: 2 x 2 blocks between bars, mouse mapped")

        p = s.start(args.zemvr, ["--scale=sharp"])
        area = fitted(1920, 1080)
        d.move(1000, 540)
        wait_view(d, p, area, ("stripes", 0), skip=[(320, 390)])
        screen = d.screenshot()
        # The lower half changes colour at every picture column.
        _, lo = world.LOCATIONS["stripes"]
        y = Area(screen, *area).at(0, world.LOWER_ROW)[1]
        blended = 0
        for px in range(0, 120):
            left, right = lo[px % 64], lo[(px + 1) % 64]
            first = area[0] + px * area[2] // 640 + 1
            last = area[0] + (px + 1) * area[2] // 640 + 1
            check(any(world.near(screen.rgb(x, y), left, 3) for x in range(first - 1, last)),
                  "sharp: picture column %d is not shown in its own colour" % px)
            kinds = [exact_or_between(screen.rgb(x, y), left, right) for x in range(first, last + 1)]
            check(None not in kinds, "sharp: a colour other than its neighbours' at column %d" % px)
            check(sum(kinds) <= 1, "sharp: more than one blended pixel after column %d" % px)
            blended += sum(kinds)
        check(blended > 0, "sharp: no edge is smoothed, the picture is scaled as nearest")
        d.key("Escape")
        expect_exit(p, "Esc (sharp)")
        log("sharp: every column in its colour, %d of 120 edges one pixel soft" % blended)

        p = s.start(args.zemvr, ["--window"])
        wid = wait_geometry(d, (320, 60, 1280, 960))
        for attempt in range(3):  # a request made while the window maps may be lost
            d.xdotool("windowsize", wid, 1000, 600)
            try:
                wait_geometry(d, (320, 60, 1000, 600), timeout=4)
                break
            except Failure:
                if attempt == 2:
                    raise
        area = (320 + 100, 60, 800, 600)
        d.move(320 + 100 + 400, 300)
        wait_view(d, p, area, ("stripes", 0), skip=[(290, 360)])
        screen = d.screenshot()
        check(screen.rgb(320 + 50, 300) == (0, 0, 0) and screen.rgb(320 + 950, 300) == (0, 0, 0),
              "the resized window has no bars")
        cursor_in(d, p, area, *Area(None, *area).at(100, 100), (100, 100))
        cursor_in(d, p, area, 320 + 20, 60 + 300, (0, 240))
        d.key("Escape")
        expect_exit(p, "Esc (window)")
        log("window resized to 1000 x 600: 800 x 600 picture between bars, mouse mapped")
    finally:
        s.close()


# ---------------------------------------------------------------------------
# Screenshots.

def read_png(path):
    """(width, height, rows of RGB tuples) of an 8-bit RGB PNG."""
    data = open(path, "rb").read()
    check(data[:8] == b"\x89PNG\r\n\x1a\n", "%s is not a PNG" % path)
    at, idat, header = 8, b"", None
    while at < len(data):
        length = int.from_bytes(data[at:at + 4], "big")
        kind, body = data[at + 4:at + 8], data[at + 8:at + 8 + length]
        at += 12 + length
        if kind == b"IHDR":
            header = body
        elif kind == b"IDAT":
            idat += body
    width, height = int.from_bytes(header[0:4], "big"), int.from_bytes(header[4:8], "big")
    check(header[8:10] == b"\x08\x02", "expected an 8-bit RGB PNG, header %r" % header)
    raw = zlib.decompress(idat)
    stride = width * 3
    rows, prev = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - 3] if i >= 3 else 0
            b = prev[i]
            c = prev[i - 3] if i >= 3 else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                pa, pb, pc = abs(b - c), abs(a - c), abs(a + b - 2 * c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append([tuple(line[x * 3:x * 3 + 3]) for x in range(width)])
        prev = line
    return width, height, rows


def same_as_screen(path, screen):
    width, height, rows = read_png(path)
    check((width, height) == (640, 480), "the screenshot is %d x %d" % (width, height))
    wrong = sum(rows[y][x] != screen.rgb(x, y) for y in range(480) for x in range(640))
    check(wrong == 0, "%d pixels of the screenshot differ from the screen" % wrong)


def png_complete(path):
    with open(path, "rb") as f:
        return f.read().endswith(b"IEND\xaeB`\x82")


def wait_files(folder, count, timeout=5):
    deadline = time.time() + timeout
    while time.time() < deadline:
        names = sorted(n for n in os.listdir(folder) if n.endswith(".png")) if os.path.isdir(folder) else []
        # Each one whole: its last chunk written.
        if len(names) >= count and all(png_complete(os.path.join(folder, n)) for n in names):
            return names
        time.sleep(0.1)
    raise Failure("expected %d screenshots in %s, found %r" % (count, folder, os.listdir(folder)))


def steady_screen(display, program):
    previous = display.screenshot()
    for _ in range(20):
        time.sleep(0.2)
        check(program.alive(), "the program ended: %s" % program.stderr()[-2000:])
        now = display.screenshot()
        if now.pixels == previous.pixels:
            return now
        previous = now
    raise Failure("the screen does not settle")


def case_screenshot(args):
    """Print and F10 each write a new PNG into the XDG pictures folder whose
    pixels are the screen's, and leave the screen as it was; without a
    pictures folder the shot goes to the home folder."""
    s = Scratch(args)
    try:
        d = s.display
        home = os.path.join(s.path, "home")
        config = os.path.join(s.path, "config")
        pictures = os.path.join(home, "My Pictures")
        os.makedirs(pictures)
        os.makedirs(config)
        with open(os.path.join(config, "user-dirs.dirs"), "w") as f:
            f.write('# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR="$HOME/Desktop"\n'
                    'XDG_PICTURES_DIR="$HOME/My Pictures"\n')
        env = {"HOME": home, "XDG_CONFIG_HOME": config}
        p = s.start(args.zemvr, env=env)
        d.move(300, 240)
        wait_view(d, p, (0, 0, 640, 480), ("stripes", 0), skip=[(290, 350)])
        d.key("space")  # the status line's frame rate would change under the shot
        screen = steady_screen(d, p)
        d.key("Print")
        names = wait_files(pictures, 1)
        same_as_screen(os.path.join(pictures, names[0]), screen)
        check(d.screenshot().pixels == screen.pixels, "the screen changed when the shot was taken")
        d.key("F10")
        names = wait_files(pictures, 2)
        same_as_screen(os.path.join(pictures, names[1]), screen)
        # Two in one second: the second gets a name of its own.
        d.key("F10")
        d.key("F10")
        names = wait_files(pictures, 4)
        check(len(names) == 4 and all(n.startswith("zemvr-") for n in names), "screenshot names %r" % names)
        log("Print and F10: %r in the pictures folder, equal to the screen" % names)
        check(p.alive(), "the program ended")
        d.key("Escape")
        expect_exit(p, "Esc")

        os.remove(os.path.join(config, "user-dirs.dirs"))
        p = s.start(args.zemvr, env=env)
        d.move(300, 240)
        wait_view(d, p, (0, 0, 640, 480), ("stripes", 0), skip=[(290, 350)])
        d.key("Print")
        names = wait_files(home, 1)
        log("without user-dirs.dirs: %r in the home folder" % names)
        d.key("Escape")
        expect_exit(p, "Esc")
    finally:
        s.close()


# ---------------------------------------------------------------------------
# The keyboard layout.

class Keys:
    """Key presses by key code (XTest), as a keyboard sends them."""

    def __init__(self, display):
        self.x11 = ctypes.CDLL("libX11.so.6")
        self.xtst = ctypes.CDLL("libXtst.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x11.XFlush.argtypes = [ctypes.c_void_p]
        self.x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
        self.dpy = self.x11.XOpenDisplay(display.name.encode())
        check(self.dpy, "cannot open display %s" % display.name)

    def press(self, *codes):
        for down in (1, 0):
            for code in (codes if down else reversed(codes)):
                self.xtst.XTestFakeKeyEvent(self.dpy, code, down, 0)
                self.x11.XFlush(self.dpy)

    def close(self):
        self.x11.XCloseDisplay(self.dpy)


SHIFT, LESS_GREATER, COMMA, PERIOD = 50, 94, 59, 60  # key codes of a pc105 keyboard


def border_of(screen):
    """Width of the black border left of the view."""
    n = 0
    while n < 320 and screen.rgb(n, 240) == (0, 0, 0):
        n += 1
    return n


def status_shown(screen):
    """Over a bordered view the status line is a light band at the top; the
    hidden one leaves the top rows black."""
    return any(screen.rgb(x, 8) != (0, 0, 0) for x in range(0, 400, 4))


def border_after(display, program, press, shown):
    """Presses keys (press()), then Space; the border once the status line
    has turned to not shown. A view-size key keeps stepping until the next
    message arrives, so Space also ends its steps: what is read then is
    what the key did."""
    press()
    display.key("space")

    def toggled():
        check(program.alive(), "the program ended: %s" % program.stderr()[-2000:])
        screen = display.screenshot()
        return status_shown(screen) != shown and (border_of(screen),)
    return wait_for("Space to toggle the status line", toggled)[0], not shown


def case_layout(args):
    """With a German layout, Shift and the "<>" key types ">" and grows the
    view, the key alone types "<" and shrinks it; Shift with the comma and
    period keys types ";" and ":", which do nothing; "." still grows."""
    s = Scratch(args)
    keys = None
    try:
        d = s.display
        out = d.run("setxkbmap", "-display", d.name, "-model", "pc105", "-layout", "de")
        check(out.returncode == 0, "setxkbmap failed: %s" % out.stderr.decode(errors="replace"))
        check("de" in d.run("setxkbmap", "-display", d.name, "-query").stdout.decode(), "layout not set")
        p = s.start(args.zemvr)
        d.move(300, 240)
        wait_view(d, p, (0, 0, 640, 480), ("stripes", 0), skip=[(290, 350)])
        keys = Keys(d)
        shown = True
        width, shown = border_after(d, p, lambda: [d.key("Left") for _ in range(6)], shown)
        check(width >= 48, "six Left presses left a border of %d" % width)
        widths = [width]
        steps = [("Shift+<>", (SHIFT, LESS_GREATER), -1), ("<>", (LESS_GREATER,), 1),
                 ("Shift+comma", (SHIFT, COMMA), 0), ("Shift+period", (SHIFT, PERIOD), 0),
                 ("period", (PERIOD,), -1)]
        for name, codes, sign in steps:
            width, shown = border_after(d, p, lambda: keys.press(*codes), shown)
            change = width - widths[-1]
            check((change > 0) - (change < 0) == sign,
                  "%s changed the border from %d to %d" % (name, widths[-1], width))
            widths.append(width)
        log("German layout: border %r after Shift+<>, <>, Shift+comma, Shift+period, period"
            % (widths,))
        d.key("Escape")
        expect_exit(p, "Esc")
    finally:
        if keys:
            keys.close()
        s.close()


# ---------------------------------------------------------------------------
# Hotspot outlines.

def render(args, folder, name, hotspots):
    """zemworld render of the first location at the start pan, as RGB rows."""
    path = os.path.join(folder, name)
    argv = [args.zemworld, "render", os.path.join(folder, "data.zem"), path, "--pan", "0,67"]
    out = subprocess.run(argv + (["--hotspots"] if hotspots else []), stdout=subprocess.PIPE,
                         stderr=subprocess.STDOUT, timeout=60)
    check(out.returncode == 0, "zemworld render failed: %s" % out.stdout.decode(errors="replace"))
    width, height, rows = read_png(path)
    check((width, height) == (640, 480), "zemworld render gave %d x %d" % (width, height))
    return rows


def differences(screen, rows, masked):
    """Pixels where the screen is not the rendered picture, outside masked
    (x0, y0, x1, y1)."""
    x0, y0, x1, y1 = masked
    return [(x, y) for y in range(480) for x in range(640)
            if not (x0 <= x < x1 and y0 <= y < y1) and screen.rgb(x, y) != rows[y][x]]


def case_hotspots(args):
    """While Tab is held the screen shows the hotspot outlines exactly as
    zemworld render --hotspots draws them at the same pan (the status line
    hidden, the cursor masked); after the release they are gone."""
    check(args.zemworld, "no zemworld given (--zemworld)")
    s = Scratch(args)
    try:
        d = s.display
        plain = render(args, s.path, "plain.png", False)
        outlined = render(args, s.path, "outlined.png", True)
        overlay = sum(plain[y][x] != outlined[y][x] for y in range(480) for x in range(640))
        check(overlay > 200, "the rendered overlay changes only %d pixels" % overlay)

        p = s.start(args.zemvr)
        cursor = (300, 240)
        d.move(*cursor)
        wait_view(d, p, (0, 0, 640, 480), ("stripes", 0), skip=[(290, 350)])
        d.key("space")
        masked = (cursor[0], cursor[1], cursor[0] + world.CURSOR_SIZE, cursor[1] + world.CURSOR_SIZE)
        wrong = differences(steady_screen(d, p), plain, masked)
        check(not wrong, "before Tab: %d pixels differ from the plain render, first %r" % (len(wrong), wrong[:5]))

        d.xdotool("keydown", "Tab")
        try:
            # Held: the keyboard repeats it.
            for _ in range(3):
                d.xdotool("keydown", "Tab")
            wrong = differences(steady_screen(d, p), outlined, masked)
            check(not wrong, "with Tab held: %d pixels differ from zemworld render --hotspots, first %r"
                  % (len(wrong), wrong[:5]))
        finally:
            d.xdotool("keyup", "Tab")
        wrong = differences(steady_screen(d, p), plain, masked)
        check(not wrong, "after Tab: %d pixels still differ from the plain render" % len(wrong))
        log("Tab: the %d overlay pixels of zemworld render --hotspots shown while held, gone after"
            % overlay)
        d.key("Escape")
        expect_exit(p, "Esc")
    finally:
        s.close()


CASES = {
    "options": case_options,
    "world": case_world,
    "fullscreen": case_fullscreen,
    "scaling": case_scaling,
    "screenshot": case_screenshot,
    "layout": case_layout,
    "hotspots": case_hotspots,
}


def fill(args, argv):
    args.zemvr = os.path.abspath(argv[0])
    args.worldgen = os.path.abspath(argv[1])
    rest = argv[2:]
    args.sanitized = "--sanitized" in rest
    args.demo = os.path.abspath(rest[rest.index("--demo") + 1]) if "--demo" in rest else None
    args.zemworld = os.path.abspath(rest[rest.index("--zemworld") + 1]) if "--zemworld" in rest else None


if __name__ == "__main__":
    sys.exit(run_script(__doc__, CASES, fill))

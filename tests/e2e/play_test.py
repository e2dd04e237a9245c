"""End-to-end tests of zemworld play under Xvfb at 640 x 480.

    play_test.py CASE ZEMWORLD ZEMVR [--sanitized]

Each case writes the starter world (zemworld new) into a scratch folder,
starts zemworld play on it with the real viewer, saves changes as an
author's editor does and reads the screen back: what was saved must be in
the running viewer, at the same location, pan and view size. Every process
it starts is ended on the way out."""

import os
import re
import struct
import subprocess
import sys
import tempfile
import time
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import Display, check, log, run_script, stop, wait_for  # noqa: E402
import world  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
# Where the cursor rests: away from the edges (which turn the view) and from
# every pixel the cases read.
REST = (500, 150)
ROW = 300          # a screen row clear of the status line, the error and the logo
LETTERBOX = 8      # one step of the Left arrow
GARDEN_A, GARDEN_B = (200, 40, 160), (40, 180, 220)
SHED_A, SHED_B = (230, 200, 40), (60, 60, 200)


def png(path, width, height, colour_of_column):
    """An RGB PNG, each column one colour; saved as editors do, by writing
    beside the file and renaming over it."""
    rows = b""
    line = b"".join(bytes(colour_of_column(x)) for x in range(width))
    for _ in range(height):
        rows += b"\0" + line

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    data = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(rows, 1)) + chunk(b"IEND", b""))
    save(path, data)


def save(path, data):
    scratch = os.path.join(os.path.dirname(path), ".%s.part" % os.path.basename(path))
    with open(scratch, "wb") as f:
        f.write(data)
    os.rename(scratch, path)


def edit(path, old, new):
    with open(path) as f:
        text = f.read()
    check(old in text, "%s holds no %r" % (path, old))
    save(path, text.replace(old, new).encode())


class Play:
    """Xvfb, the starter world in a scratch folder, and zemworld play on it;
    the terminal's text (the tool's and the viewer's standard error)."""

    def __init__(self, args):
        self.tmp = tempfile.TemporaryDirectory(prefix="zem-play-")
        self.source = os.path.join(self.tmp.name, "world")
        out = subprocess.run([args.zemworld, "new", self.source], stdout=subprocess.PIPE,
                             stderr=subprocess.STDOUT, timeout=60)
        check(out.returncode == 0, "zemworld new failed: %s" % out.stdout.decode(errors="replace"))
        self.display = Display()
        env = dict(self.display.env, ZEMWORLD_VIEWER=args.zemvr, SDL_AUDIODRIVER="dummy",
                   TMPDIR=self.tmp.name)
        if args.sanitized:
            env["LSAN_OPTIONS"] = "suppressions=%s:print_suppressions=0" % os.path.join(HERE, "lsan.supp")
        self.err = tempfile.TemporaryFile()
        self.proc = subprocess.Popen([args.zemworld, "play", self.source], cwd=self.tmp.name, env=env,
                                     stdout=subprocess.DEVNULL, stderr=self.err, start_new_session=True)

    def terminal(self):
        self.err.seek(0)
        return self.err.read().decode(errors="replace")

    def alive(self):
        check(self.proc.poll() is None, "zemworld play ended: %s" % self.terminal()[-2000:])
        return True

    def count(self, pattern):
        return len(re.findall(pattern, self.terminal()))

    def wait_terminal(self, what, pattern, at_least, timeout=30):
        return wait_for(what, lambda: self.alive() and self.count(pattern) >= at_least, timeout)

    def screen(self):
        self.alive()
        return self.display.screenshot()

    def position(self):
        """P: the viewer prints the place and pan; (location, file, x, y)."""
        pattern = r"zemVR: (\S+) \(([^)]*)\): pan (-?\d+) (-?\d+)"
        before = self.count(pattern)
        self.display.key("P")
        self.wait_terminal("the pan printed after P", pattern, before + 1)
        return re.findall(pattern, self.terminal())[-1]

    def ended(self, timeout=20):
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

    def close(self):
        stop(self.proc)
        self.display.close()
        self.tmp.cleanup()


def wait_screen(play, what, test, timeout=30):
    """Screenshots until test(screen) holds; that screen."""
    def shown():
        screen = play.screen()
        return screen if test(screen) else None
    return wait_for(what, shown, timeout, every=0.1)


def started(play):
    """The garden on the screen: the viewer's window is up."""
    play.wait_terminal("the first build", r"zemworld play: built in", 1, 60)
    return wait_screen(play, "the garden on the screen",
                       lambda s: s.rgb(320, ROW) != (0, 0, 0) and s.rgb(600, ROW) != (0, 0, 0), 60)


def turned(play, distance):
    """Drags the view distance columns on and returns the pan P prints."""
    play.display.drag(600, ROW, 600 - distance, ROW, steps=10)
    play.display.move(*REST)
    where = play.position()
    check(where[0] == "garden" and where[1] == "garden.png", "P printed %r" % (where,))
    return int(where[2]), int(where[3])


def boundary(screen, colour_left, colour_right):
    """The first screen column of row ROW in colour_right after one in
    colour_left, or None."""
    for x in range(LETTERBOX + 1, 640):
        if world.near(screen.rgb(x - 1, ROW), colour_left) and world.near(screen.rgb(x, ROW), colour_right):
            return x
    return None


def case_change(args):
    """A saved picture and a saved door line reach the running viewer, which
    stays at its location, pan and view size."""
    play = Play(args)
    try:
        d = play.display
        started(play)
        d.key("Left")  # the view one step smaller
        pan_x, pan_y = turned(play, 600)
        check(pan_x != 0, "the drag did not turn the view")

        # The garden painted anew: colour A up to the column shown 200
        # columns into the view, B from there on.
        edge = (pan_x + 200) % 2048
        png(os.path.join(play.source, "garden.png"), 2048, 533,
            lambda x: GARDEN_A if x < edge else GARDEN_B)
        screen = wait_screen(play, "the new garden on the screen",
                             lambda s: boundary(s, GARDEN_A, GARDEN_B) is not None)
        at = boundary(screen, GARDEN_A, GARDEN_B)
        # PanX is the column at screen column 0, smaller view or not.
        check(abs(at - 200) <= 1, "the new picture's edge is at screen column %d, not 200: the pan moved" % at)
        check(screen.rgb(LETTERBOX - 1, ROW) == (0, 0, 0) and screen.rgb(640 - LETTERBOX, ROW) == (0, 0, 0),
              "the smaller view was not kept")
        where = play.position()
        check(where == ("garden", "garden.png", str(pan_x), str(pan_y)),
              "after the reload P prints %r, before it %r" % (where, (pan_x, pan_y)))
        log("picture saved: shown at pan %d,%d with the view one step smaller, edge at column %d"
            % (pan_x, pan_y, at))
        check(play.count(r"1 location\(s\) built, 1 unchanged") >= 1,
              "the shed was built again for a garden picture: %s" % play.terminal()[-1000:])

        # The shed's door moved to the columns 100 to 160 of the view, and
        # the shed painted in a colour of its own to know it by.
        reloads = play.count(r"zemVR: reloaded ")
        png(os.path.join(play.source, "shed.png"), 640, 480, lambda x: SHED_A)
        edit(os.path.join(play.source, "game.txt"), "door shed 310 200 60 110",
             "door shed %d 0 60 533" % ((pan_x + 100) % 2048))
        play.wait_terminal("the reload after the door line", r"zemVR: reloaded ", reloads + 1)
        # The two saves may come as two builds: the click is tried until the
        # door is where the line puts it.
        time_limit = time.time() + 30
        while True:
            d.click(130, ROW)
            d.move(*REST)
            screen = play.screen()
            if world.near(screen.rgb(320, 240), SHED_A):
                break
            check(time.time() < time_limit, "a click on the door's new place did not open the shed: %s"
                  % play.terminal()[-1500:])
            time.sleep(0.3)
        where = play.position()
        check(where[:2] == ("shed", "shed.png"), "after the door P prints %r" % (where,))
        log("door line saved: a click on its new place opens the shed")

        # In the shed (not the first location), a saved picture: still there.
        png(os.path.join(play.source, "shed.png"), 640, 480, lambda x: SHED_B)
        wait_screen(play, "the shed's new picture", lambda s: world.near(s.rgb(320, 240), SHED_B))
        where = play.position()
        check(where[:2] == ("shed", "shed.png"), "after the shed's reload P prints %r" % (where,))
        log("shed picture saved: shown, still in the shed")

        # Ctrl + drag over the closeup (shown 1:1, centred): the rectangle
        # in the picture's pixels, between the cursor's hot points (the
        # middle of its picture, whose corner is at the mouse).
        with open(os.path.join(play.source, "CURS0000.png"), "rb") as f:
            cw, ch = struct.unpack(">II", f.read(24)[16:24])
        pattern = r"zemVR: shed \(shed\.png\): rectangle (-?\d+) (-?\d+) (-?\d+) (-?\d+)"
        d.xdotool("keydown", "ctrl")
        try:
            d.drag(100, 120, 300, 170)
        finally:
            d.xdotool("keyup", "ctrl")
        play.wait_terminal("the rectangle printed after Ctrl + drag", pattern, 1)
        rect = tuple(int(v) for v in re.findall(pattern, play.terminal())[-1])
        check(all(abs(a - b) <= 1 for a, b in zip(rect, (100 + cw // 2, 120 + ch // 2, 200, 50))),
              "Ctrl + drag from (100, 120) to (300, 170) printed %r" % (rect,))
        check(world.near(play.screen().rgb(320, 240), SHED_B), "Ctrl + drag left the shed")
        log("Ctrl + drag: printed %d %d %d %d" % rect)
        d.key("Escape")
        code = play.ended()
        check(code == 0, "zemworld play ended with %r after Esc: %s" % (code, play.terminal()[-1500:]))
    finally:
        play.close()


def error_box(screen):
    """The error's first line: the pixels of rows 25 to 32 from column 5,
    and how many of them are the most common colour."""
    pixels = [screen.rgb(x, y) for y in range(25, 33) for x in range(5, 400)]
    common = max(set(pixels), key=pixels.count)
    return common, pixels.count(common), pixels


def case_broken(args):
    """A broken game.txt is drawn over the picture and listed in the
    terminal; the session goes on, and the fix takes the error away."""
    play = Play(args)
    try:
        d = play.display
        started(play)
        turned(play, 600)  # away from the turning pinwheel

        def steady():
            a, b = error_box(play.screen())[2], error_box(play.screen())[2]
            return a if a == b else None
        plain = wait_for("a steady screen", steady, 20)

        game = os.path.join(play.source, "game.txt")
        with open(game) as f:
            good = f.read()
        # Written in place this time (truncated, written, closed), as some
        # editors save.
        with open(game, "w") as f:
            f.write(good.replace("door shed 310 200 60 110", "door shedd 310 200 60 110"))
        play.wait_terminal("the error in the terminal", r"game\.txt:\d+: error: .*shedd", 1)

        def shown(screen):
            common, count, pixels = error_box(screen)
            changed = sum(a != b for a, b in zip(pixels, plain))
            return changed > len(pixels) // 2 and count > len(pixels) // 2
        wait_screen(play, "the error drawn over the picture", shown)
        where = play.position()
        check(where[0] == "garden", "with the error shown P prints %r" % (where,))
        log("broken game.txt: listed in the terminal, drawn over the picture, the viewer still there")

        save(game, good.encode())
        wait_screen(play, "the error gone after the fix", lambda s: error_box(s)[2] == plain)
        log("fixed game.txt: the error is gone, the picture as before")
        d.key("Escape")
        code = play.ended()
        check(code == 0, "zemworld play ended with %r after Esc: %s" % (code, play.terminal()[-1500:]))
    finally:
        play.close()


CASES = {"change": case_change, "broken": case_broken}


def fill(args, argv):
    args.zemworld = os.path.abspath(argv[0])
    args.zemvr = os.path.abspath(argv[1])
    args.sanitized = "--sanitized" in argv[2:]


if __name__ == "__main__":
    sys.exit(run_script(__doc__, CASES, fill))

"""End-to-end tests of the real program under Xvfb at 640 x 480.

    e2e_test.py CASE ZEMVR WORLDGEN [--sanitized]

Each case builds the test world with the generator, starts Xvfb on a free
display and the program in a scratch folder, drives it with xdotool, reads
the screen with xwd and checks it against what the world says must be there.
Every process it starts is ended on the way out."""

import collections
import os
import signal
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import Display, Failure, Program, check, log, stop, wait_for  # noqa: E402
import world  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))


def lsan_env():
    """Leak detection on (in the sanitizer build), with only the system
    libraries' own leaks suppressed (lsan.supp)."""
    asan = os.environ.get("ASAN_OPTIONS", "")
    return {"LSAN_OPTIONS": "suppressions=%s:print_suppressions=0" % os.path.join(HERE, "lsan.supp"),
            "ASAN_OPTIONS": (asan + ":" if asan else "") + "detect_leaks=1"}


def make_world(worldgen, folder):
    out = subprocess.run([worldgen, "test", os.path.join(folder, "world"),
                          os.path.join(folder, "data.zem")],
                         stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=60)
    check(out.returncode == 0, "world generator failed: %s" % out.stdout.decode(errors="replace"))


def wait_view(display, program, want=None, timeout=10, skip=()):
    """Waits until a panorama of the test world is on the screen."""
    deadline = time.time() + timeout
    seen = None
    while time.time() < deadline:
        check(program.alive(), "the program ended early: %s" % program.stderr()[-2000:])
        seen = world.read_view(display.screenshot(), skip)
        if seen and (want is None or seen == want or (isinstance(want, str) and seen[0] == want)):
            return seen
        time.sleep(0.1)
    raise Failure("expected view %r, the screen shows %r" % (want, seen))


def expect_exit(program, what, timeout=10):
    code = program.wait(timeout)
    check(code is not None, "the program did not end after %s" % what)
    check(code == 0, "exit code %d after %s; stderr: %s" % (code, what, program.stderr()[-2000:]))
    log("%s: exit code 0" % what)


def cursor_at(display, x, y, frame=None):
    """Moves the mouse and checks the cursor picture lands there."""
    display.move(x, y)
    a, b = world.CURSOR_BLOCK
    deadline = time.time() + 5
    box = shown = None
    while time.time() < deadline:
        screen = display.screenshot()
        box = None
        for f, colour in enumerate(world.CURSOR):
            box = world.find_colour(screen, colour, x - 40, y - 40, x + 80, y + 80)
            if box:
                shown = f
                break
        if box == (x + a, y + a, x + b - 1, y + b - 1) and (frame is None or shown == frame):
            return
        time.sleep(0.1)
    raise Failure("cursor moved to (%d, %d): expected its square at %r in frame %r, found %r in frame %r"
                  % (x, y, (x + a, y + a, x + b - 1, y + b - 1), frame, box, shown))


class Session:
    """Xvfb (started with the server arguments given), a scratch folder with
    the test world, and the program."""

    def __init__(self, args, env=None, with_world=True, display=True, server=()):
        self.tmp = tempfile.TemporaryDirectory(prefix="zem-e2e-")
        if with_world:
            make_world(args.worldgen, self.tmp.name)
        self.display = Display(extra=server) if display else None
        merged = lsan_env()
        merged.update(env or {})
        self.program = Program(self.display, args.zemvr, self.tmp.name, merged)

    def close(self):
        self.program.close()
        if self.display:
            self.display.close()
        self.tmp.cleanup()


# ---------------------------------------------------------------------------
# Cases.

def case_start(args):
    """The panorama appears at pan 0; the cursor follows the mouse and shows
    what is under it; dragging turns the view by the dragged amount; Esc
    ends the program with exit code 0."""
    s = Session(args)
    try:
        d, p = s.display, s.program
        d.move(300, 240)
        view = wait_view(d, p, skip=[(290, 350)])
        check(view == ("stripes", 0), "start view %r, expected stripes at PanX 0" % (view,))
        log("start: view %r" % (view,))

        cursor_at(d, 200, 150, frame=0)
        cursor_at(d, 350, 300, frame=0)
        # Over the stamp (hand) and over the door to another location.
        sx, sy, sw, sh = world.STAMP_RECT
        hot_x = sx + sw // 2
        hot_y = world.screen_row_for(hot_x, sy + sh // 2)
        cursor_at(d, hot_x - 16, hot_y - 16, frame=1)
        dx, _, dw, _ = world.DOOR_RECT
        cursor_at(d, dx + dw // 2 - 16, 224, frame=3)
        cursor_at(d, 300, 240, frame=0)

        for amount in (10, 100):
            before = wait_view(d, p, skip=[(280, 420)])
            d.drag(300, 240, 300 + amount, 240)
            want = ("stripes", (before[1] - amount) % world.COLUMNS)
            after = wait_view(d, p, want, skip=[(280, 440)])
            log("drag %d px right: PanX %d -> %d" % (amount, before[1], after[1]))
        d.key("Escape")
        expect_exit(p, "Esc")
    finally:
        s.close()


def case_quit(args, how):
    s = Session(args)
    try:
        d, p = s.display, s.program
        d.move(300, 240)
        wait_view(d, p, skip=[(290, 350)])
        if how == "F12":
            d.key("F12")
        else:
            windows = d.windows("zemVR")
            check(windows, "no window titled zemVR")
            for w in windows:
                d.close_request(w)
        expect_exit(p, how)
    finally:
        s.close()


def startup_box(display, program, timeout=20):
    """The start-up message box once it is on the screen with its OK
    button drawn: (window, button centre)."""
    def shown():
        check(program.alive(), "the program ended (status %r) without showing a message box: %s"
              % (program.proc.returncode, program.stderr()[-2000:]))
        for box in display.dialogs("zemVR"):
            button = ok_button(display.screenshot(), box)
            if button:
                return box, button
        return None
    return wait_for("the start-up message box (it needs X core fonts, which scripts/setup "
                    "installs with xfonts-base)", shown, timeout)


def ok_button(screen, box):
    """The centre of what is drawn in the lower half of the box (its one
    button), or None while nothing is."""
    background = screen.rgb(box.x + 2, box.y + 2)
    xs, ys = [], []
    for y in range(box.y + box.height // 2, box.y + box.height - 2):
        for x in range(box.x + 2, box.x + box.width - 2):
            if screen.rgb(x, y) != background:
                xs.append(x)
                ys.append(y)
    return ((min(xs) + max(xs)) // 2, (min(ys) + max(ys)) // 2) if xs else None


def expect_startup_message(program, text, reason, what):
    """Standard error holds the box's text and, on the next line, the reason."""
    err = program.stderr()
    want = "zemVR: %s\n" % text + ("zemVR: %s\n" % reason if reason else "")
    check(want in err, "%s: standard error does not hold %r: %r" % (what, want, err[-2000:]))


def answer_startup_box(display, program, how, text, reason=None, what="start-up"):
    """Waits for the box, checks the message, answers it (Return or a click
    on OK) and expects status 1."""
    box, button = startup_box(display, program)
    expect_startup_message(program, text, reason, what)
    if how == "Return":
        display.xdotool("key", "--window", box.id, "Return")
    else:
        display.click(*button)
    code = program.wait(10)
    check(code is not None, "%s: the program did not end after %s in the message box" % (what, how))
    check(code == 1, "%s: exit code %d after the message box, expected 1" % (what, code))
    log("%s: message box %dx%d+%d+%d, %s answered it, exit 1"
        % (what, box.width, box.height, box.x, box.y, how))


NODATA = ("Failed FastFileInit data.zem 0", "cannot play data.zem: there is no such file")


def case_nodata(args, driver):
    """Without data.zem the program says which step failed and ends with 1.
    With the dummy video driver, or an X server without core fonts, no box
    can open: the text is on standard error all the same."""
    env = {"SDL_VIDEODRIVER": "dummy"} if driver == "dummy" else {}
    s = Session(args, env=env, with_world=False, display=driver != "dummy",
                server=["-fp", "built-ins"])
    try:
        p = s.program
        boxes = []
        def ended():
            if s.display:
                boxes.extend(s.display.dialogs("zemVR"))
            return p.proc.poll() is not None
        wait_for("the program to end without data.zem", ended, 20)
        check(p.proc.returncode == 1, "exit code %d without data.zem, expected 1" % p.proc.returncode)
        check(not boxes, "a message box opened: %r" % boxes)
        expect_startup_message(p, *NODATA, "no data.zem (%s)" % driver)
        log("no data.zem (%s): exit 1, the message on standard error" % driver)
    finally:
        s.close()


def case_nodata_box(args, how):
    """On a display with fonts the start-up message is a box; Return or a
    click on OK answers it and the program ends with 1."""
    s = Session(args, with_world=False)
    try:
        answer_startup_box(s.display, s.program, how, *NODATA, "no data.zem")
    finally:
        s.close()


STOPS = (signal.SIGTERM, signal.SIGINT, signal.SIGHUP)


def case_signals(args):
    """A stop signal while the start-up message waits ends the program at
    once with 1; in the running program it is a close request: status 0
    (and, in the sanitizer build, nothing leaked)."""
    for stop in STOPS:
        s = Session(args, with_world=False)
        try:
            startup_box(s.display, s.program)
            os.kill(s.program.proc.pid, stop)
            sent = time.time()
            code = s.program.wait(5)
            took = time.time() - sent
            check(code == 1, "%s during the message box: exit code %r, expected 1" % (stop.name, code))
            check(took < 1, "%s during the message box: the program took %.2f s to end" % (stop.name, took))
            log("%s during the start-up message: exit 1 after %.2f s" % (stop.name, took))
        finally:
            s.close()
        s = Session(args)
        try:
            d, p = s.display, s.program
            d.move(300, 240)
            wait_view(d, p, ("stripes", 0), skip=[(290, 350)])
            os.kill(p.proc.pid, stop)
            expect_exit(p, "%s in the running program" % stop.name)
        finally:
            s.close()


def watch(display, program, seconds, test):
    """Screenshots for a while; True when test(screen) held on one of them."""
    deadline = time.time() + seconds
    while time.time() < deadline:
        check(program.alive(), "the program ended: %s" % program.stderr()[-2000:])
        if test(display.screenshot()):
            return True
    return False


def case_doors(args, audio):
    """A stamp with an item view, then a door with a sound and a transition
    there and another back, with the audio driver given."""
    env = {"SDL_AUDIODRIVER": audio}
    s = Session(args, env=env)
    audio_file = os.path.join(s.tmp.name, "audio.raw")
    if audio == "disk":
        s.program.close()
        env["SDL_DISKAUDIOFILE"] = audio_file
        merged = lsan_env()
        merged.update(env)
        s.program = Program(s.display, args.zemvr, s.tmp.name, merged)
    try:
        d, p = s.display, s.program
        d.move(300, 240)
        wait_view(d, p, ("stripes", 0), skip=[(290, 350)])

        # The stamp: painted into the scene, taken by a click that opens
        # its item view.
        sx, sy, sw, sh = world.STAMP_RECT
        hot_x = sx + sw // 2
        hot_y = world.screen_row_for(hot_x, sy + sh // 2)
        probe = (sx + 10, world.screen_row_for(sx + 10, sy + sh // 2) + 4)
        check(world.near(d.screenshot().rgb(*probe), world.STAMP), "the stamp is not in the scene")
        cursor_at(d, hot_x - 16, hot_y - 16, frame=1)
        d.xdotool("click", 1)
        for x in (hot_x - 16, 560, 300):  # clear of the edge-scroll margins
            if x != hot_x - 16:
                d.move(x, 200)
            frame = ((639 - x) >> 3) % 24
            ok = watch(d, p, 3, lambda sc: world.near(sc.rgb(320, 80), world.ITEM[frame]) and
                       world.cursor_frame(sc, x, hot_y - 16 if x == hot_x - 16 else 200) == 2)
            check(ok, "item view: expected frame %d with the cursor at x %d" % (frame, x))
            log("item view shows frame %d with the cursor at x %d" % (frame, x))
        check(not world.near(d.screenshot().rgb(*probe), world.STAMP), "the stamp was not taken")
        d.xdotool("click", 1)
        ok = watch(d, p, 3, lambda sc: world.read_view(sc, skip=[(280, 340)]) == ("stripes", 0) and
                   not any(world.near(sc.rgb(320, 80), c) for c in world.ITEM))
        check(ok, "the item view did not close")
        log("item view closed")

        # Through the door and back; each way has a transition.
        dx, _, dw, _ = world.DOOR_RECT
        transitions = 0
        for target, colour, centre in (("other", world.FADE, (320, 240)),
                                       ("stripes", world.WIPE, (320, 240))):
            cursor_at(d, dx + dw // 2 - 16, 224, frame=3)
            d.xdotool("click", 1)
            seen = watch(d, p, 1.2, lambda sc: world.near(sc.rgb(*centre), colour))
            transitions += seen
            view = wait_view(d, p, target, skip=[(dx + dw // 2 - 30, dx + dw // 2 + 40)])
            check(view[1] == 0, "arrived at PanX %d, the door says 0" % view[1])
            log("door to %s: transition seen %s, arrived at %r" % (target, seen, view))
        check(transitions > 0, "no transition frame was seen on either door")
        check(p.alive(), "the program ended")
        d.key("Escape")
        expect_exit(p, "Esc after the doors")
        if audio == "disk":
            check_audio(audio_file)
    finally:
        s.close()


def check_audio(path):
    """The door and stamp sounds went out through the disk driver."""
    check(os.path.exists(path), "no disk audio file")
    data = open(path, "rb").read()
    counts = collections.Counter(data)
    silence, _ = counts.most_common(1)[0]
    loud = len(data) - counts[silence]
    log("disk audio: %d bytes, %d not silence, %d distinct values" % (len(data), loud, len(counts)))
    check(loud > 20000 and len(counts) > 64, "the disk audio file holds only silence")


def read_pan(display, program):
    t0 = time.time()
    screen = display.screenshot()
    t1 = time.time()
    view = world.read_view(screen, skip=[(570, 640)])
    check(view is not None, "no panorama on the screen while turning")
    return (t0 + t1) / 2, view[1]


def case_pacing(args, vsync):
    """With the cursor 20 pixels inside the right margin the view turns 20
    columns per presented frame, and frames are presented 60 times a second
    whatever the display: about 1200 columns a second."""
    env = {}
    if not vsync:
        env = {"SDL_RENDER_VSYNC": "0", "SDL_RENDER_DRIVER": "software"}
    s = Session(args, env=env)
    try:
        d, p = s.display, s.program
        d.move(300, 240)
        wait_view(d, p, ("stripes", 0), skip=[(290, 350)])
        depth = 20
        d.move(600 - world.CURSOR_SIZE + depth, 240)
        first = read_pan(d, p)[1]
        wait_for("the view to start turning", lambda: read_pan(d, p)[1] != first)
        samples = [read_pan(d, p)]
        travelled = 0
        while samples[-1][0] - samples[0][0] < 2.5:
            t, pan = read_pan(d, p)
            step = (pan - samples[-1][1]) % world.COLUMNS
            travelled += step
            samples.append((t, pan))
        seconds = samples[-1][0] - samples[0][0]
        speed = travelled / seconds
        expected = 60 * depth
        log("pacing (%s): %d columns in %.2f s over %d screenshots = %.0f columns/s "
            "(expected %d, %.2f x)" % ("vsync" if vsync else "no vsync", travelled, seconds,
                                         len(samples), speed, expected, speed / expected))
        check(0.55 * expected <= speed <= 1.25 * expected,
              "the view turns at %.0f columns/s, expected about %d" % (speed, expected))
        d.key("Escape")
        expect_exit(p, "Esc")
    finally:
        s.close()


def case_idle(args):
    """Left alone on a panorama the program uses little of a core."""
    s = Session(args)
    try:
        d, p = s.display, s.program
        d.move(300, 240)
        wait_view(d, p, ("stripes", 0), skip=[(290, 350)])
        # Ten seconds of the program left alone is what is measured.
        c0, t0 = p.cpu_seconds(), time.time()
        time.sleep(10)
        c1, t1 = p.cpu_seconds(), time.time()
        share = 100 * (c1 - c0) / (t1 - t0)
        limit = 15 if args.sanitized else 5
        log("idle: %.2f s of processor time in %.1f s = %.1f%% of a core (limit %d%%)"
            % (c1 - c0, t1 - t0, share, limit))
        check(share < limit, "idle program uses %.1f%% of a core" % share)
        d.key("Escape")
        expect_exit(p, "Esc")
    finally:
        s.close()


def difference(a, b):
    """Share of sampled pixels that differ between two screenshots."""
    points = [(x, y) for y in range(30, 430, 20) for x in range(0, 520, 20)]
    return sum(not world.near(a.rgb(x, y), b.rgb(x, y), 20) for x, y in points) / len(points)


def settled(display, program, timeout=10):
    """The screen once two shots in a row barely differ (small animations
    go on): no transition or half-drawn frame."""
    shots = [display.screenshot()]

    def still():
        check(program.alive(), "the program ended: %s" % program.stderr()[-2000:])
        shots.append(display.screenshot())
        return difference(shots[-2], shots[-1]) < 0.05 and shots[-1]
    return wait_for("the screen to settle", still, timeout)


def case_demo(args):
    """zemvr-demo carries its world: started in an empty folder it shows the
    square, goes through the cottage door (creak and transition), on to the
    desk with Enter, and ends with Esc."""
    tmp = tempfile.TemporaryDirectory(prefix="zem-demo-")
    display = Display()
    audio = os.path.join(tmp.name, "audio.raw")
    env = lsan_env()
    env.update({"SDL_AUDIODRIVER": "disk", "SDL_DISKAUDIOFILE": audio})
    program = Program(display, args.zemvr, tmp.name, env)
    try:
        display.move(300, 240)
        check(watch(display, program, 10, lambda sc: sc.rgb(320, 100) != (0, 0, 0)), "nothing on the screen")
        square = settled(display, program)
        # The cottage door: columns 280..340 of the square at PanX 0.
        door_hot = (310, world.screen_row_for(310, 330))
        display.click(door_hot[0] - 16, door_hot[1] - 16)
        check(watch(display, program, 10, lambda sc: difference(square, sc) > 0.5),
              "the cottage door did not lead anywhere new")
        room = settled(display, program)
        display.move(300, 240)
        display.key("Return")
        check(watch(display, program, 10, lambda sc: difference(room, sc) > 0.5),
              "Enter did not move on to the desk")
        desk = settled(display, program)
        log("demo: square -> room %.0f%% changed, room -> desk %.0f%% changed"
            % (100 * difference(square, room), 100 * difference(room, desk)))
        display.key("Escape")
        expect_exit(program, "Esc in the demo")
        check_audio(audio)
    finally:
        program.close()
        display.close()
        tmp.cleanup()


CASES = {
    "demo": case_demo,
    "start": case_start,
    "quit_f12": lambda a: case_quit(a, "F12"),
    "quit_close": lambda a: case_quit(a, "close request"),
    "nodata_dummy": lambda a: case_nodata(a, "dummy"),
    "nodata_builtins": lambda a: case_nodata(a, "builtins"),
    "nodata_return": lambda a: case_nodata_box(a, "Return"),
    "nodata_click": lambda a: case_nodata_box(a, "a click on OK"),
    "signals": case_signals,
    "doors_disk": lambda a: case_doors(a, "disk"),
    "doors_dummy": lambda a: case_doors(a, "dummy"),
    "pacing": lambda a: case_pacing(a, True),
    "pacing_novsync": lambda a: case_pacing(a, False),
    "idle": case_idle,
}


class Args:
    pass


def run_case(cases, script, programs):
    """Runs the case named on the command line, script CASE PROGRAM...
    [--sanitized], with the programs' paths as args.NAME for each of
    programs' names; the exit status."""
    if len(sys.argv) < 2 + len(programs) or sys.argv[1] not in cases:
        print("usage: %s CASE %s [--sanitized]\ncases: %s"
              % (script, " ".join(name.upper() for name in programs), " ".join(cases)))
        return 2
    args = Args()
    for i, name in enumerate(programs):
        setattr(args, name, os.path.abspath(sys.argv[2 + i]))
    args.sanitized = "--sanitized" in sys.argv[2 + len(programs):]
    started = time.time()
    try:
        cases[sys.argv[1]](args)
    except Failure as failure:
        print("FAILED %s: %s" % (sys.argv[1], failure), flush=True)
        return 1
    print("passed %s in %.1f s" % (sys.argv[1], time.time() - started), flush=True)
    return 0


def main():
    return run_case(CASES, "e2e_test.py", ["zemvr", "worldgen"])


if __name__ == "__main__":
    sys.exit(main())

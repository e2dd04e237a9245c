"""End-to-end tests of the real program against hostile files and
environments.

    hostile_test.py CASE ZEMVR WORLDGEN ZEMPACK [--sanitized]

sound_1hz    a door plays a WAV of 1,200 bytes at 1 Hz: memory stays put
fifo         data.zem is a FIFO: start-up fails with its message, no hang
fifo_arg     the same with the FIFO named on the command line
truncated    data.zem is cut short and then rewritten while the program
             runs; doors still work, nothing crashes, Esc ends it with 0
truncated_arg  the same with the world named on the command line
nodisplay    no DISPLAY, or one nobody serves: start-up says so and ends;
             SDL_VIDEODRIVER=offscreen still runs without a display"""

import os
import signal
import struct
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import Display, Failure, Program, check, log  # noqa: E402
import world  # noqa: E402
from e2e_test import answer_startup_box, cursor_at, expect_exit, lsan_env, run_case, wait_view  # noqa: E402


def make_world(args, folder, change=None):
    """The test world's files in folder/world; change(folder) may edit them
    before they are packed into folder/data.zem with zempack."""
    files = os.path.join(folder, "world")
    out = subprocess.run([args.worldgen, "test", files, os.path.join(folder, "gen.zem")],
                         stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=60)
    check(out.returncode == 0, "world generator failed: %s" % out.stdout.decode(errors="replace"))
    if change:
        change(files)
    out = subprocess.run([args.zempack, "build", files, os.path.join(folder, "data.zem")],
                         stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=60)
    check(out.returncode == 0, "zempack build failed: %s" % out.stdout.decode(errors="replace"))


def wav(rate, data, bits=8, channels=1):
    block = channels * bits // 8
    fmt = struct.pack("<HHIIHH", 1, channels, rate, rate * block, block, bits)
    return (b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVE" + b"fmt " + struct.pack("<I", 16) +
            fmt + b"data" + struct.pack("<I", len(data)) + data)


def peak_kb(program):
    with open("/proc/%d/status" % program.proc.pid) as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    raise Failure("no VmHWM in /proc/%d/status" % program.proc.pid)


def through_door(display, program, target):
    dx, _, dw, _ = world.DOOR_RECT
    cursor_at(display, dx + dw // 2 - 16, 224, frame=3)
    display.xdotool("click", 1)
    return wait_view(display, program, target, skip=[(dx + dw // 2 - 30, dx + dw // 2 + 40)])


class WithArguments(Program):
    """The program started with a command line."""

    def __init__(self, display, binary, folder, argv, env):
        full = dict(display.env)
        full.update(env)
        self.err = tempfile.TemporaryFile()
        self.proc = subprocess.Popen([binary] + argv, cwd=folder, env=full, stdout=subprocess.DEVNULL,
                                     stderr=self.err, start_new_session=True)
        self.started = time.time()


class Started:
    """Xvfb and the program in a scratch folder; named: the world is
    "world.zem", named on the command line, instead of data.zem."""

    def __init__(self, args, change=None, env=None, fifo=False, named=False):
        self.tmp = tempfile.TemporaryDirectory(prefix="zem-hostile-")
        self.archive = "world.zem" if named else "data.zem"
        if fifo:
            os.mkfifo(os.path.join(self.tmp.name, self.archive))
        else:
            make_world(args, self.tmp.name, change)
            if named:
                os.rename(self.path("data.zem"), self.path(self.archive))
        self.display = Display()
        merged = lsan_env()
        merged.update(env or {})
        argv = [self.archive] if named else []
        self.program = WithArguments(self.display, args.zemvr, self.tmp.name, argv, merged)

    def path(self, name):
        return os.path.join(self.tmp.name, name)

    def close(self):
        self.program.close()
        self.display.close()
        self.tmp.cleanup()


def case_sound_1hz(args):
    """Converted to the device's rate, 1,200 bytes at 1 Hz would become
    hundreds of megabytes playing for twenty minutes. The sound is refused:
    the door works, silently, and the peak resident memory barely moves."""
    def silly_sound(files):
        with open(os.path.join(files, "TONE.WAV"), "wb") as f:
            f.write(wav(1, bytes((i * 37) & 255 for i in range(1200))))
    s = Started(args, silly_sound, {"SDL_AUDIODRIVER": "dummy"})
    try:
        d, p = s.display, s.program
        d.move(300, 240)
        wait_view(d, p, ("stripes", 0), skip=[(290, 350)])
        before = peak_kb(p)
        through_door(d, p, "other")
        through_door(d, p, "stripes")
        # The sounds are converted when the doors are clicked, before the
        # view arrives.
        after = peak_kb(p)
        rise = (after - before) / 1024
        log("1 Hz WAV through two doors: peak resident memory %.1f MB -> %.1f MB (+%.1f MB)"
            % (before / 1024, after / 1024, rise))
        check(rise < 64, "peak resident memory rose by %.1f MB" % rise)
        check(p.alive(), "the program ended")
        d.key("Escape")
        expect_exit(p, "Esc after the 1 Hz sound")
    finally:
        s.close()


def case_fifo(args, named):
    """A FIFO is no archive: no blocking open, the failure shown in the
    start-up box (naming the file) and said with its reason on standard
    error, and the end (status 1), with nobody writing into the FIFO."""
    s = Started(args, fifo=True, named=named)
    try:
        answer_startup_box(s.display, s.program, "Return", "Failed FastFileInit %s 0" % s.archive,
                           "cannot play %s: it is a FIFO, not an archive file" % s.archive,
                           "a FIFO for %s" % s.archive)
    finally:
        s.close()


def case_truncated(args, named):
    """The archive is rebuilt under the running program: first cut to 100
    bytes, then its directory overwritten with other bytes. Locations keep
    loading from what was read at the start; no SIGBUS."""
    s = Started(args, named=named)
    try:
        d, p = s.display, s.program
        d.move(300, 240)
        wait_view(d, p, ("stripes", 0), skip=[(290, 350)])
        os.truncate(s.path(s.archive), 100)
        view = through_door(d, p, "other")
        log("%s cut to 100 bytes, through the door: %r" % (s.archive, view))
        with open(s.path(s.archive), "r+b") as f:
            f.write(b"\xff" * 100)
            f.write(b"\x00" * 5000)
        view = through_door(d, p, "stripes")
        log("%s overwritten, back through the door: %r" % (s.archive, view))
        os.truncate(s.path(s.archive), 0)
        # On to the next location, then Esc: handled in that order, so a clean
        # end tells that the location change survived.
        d.key("Return")
        d.key("Escape")
        expect_exit(p, "Enter and Esc after the archive changed")
    finally:
        s.close()


def free_display_number():
    for n in range(1999, 1900, -1):
        if not os.path.exists("/tmp/.X11-unix/X%d" % n) and not os.path.exists("/tmp/.X%d-lock" % n):
            return ":%d" % n
    raise Failure("no free display number")


def start_bare(args, folder, env):
    """The program with exactly this much of the display environment."""
    base = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    base.update(lsan_env())
    base.update(env)
    err = tempfile.TemporaryFile()
    proc = subprocess.Popen([args.zemvr], cwd=folder, env=base, stdout=subprocess.DEVNULL,
                            stderr=err, start_new_session=True)
    return proc, err


def case_nodisplay(args):
    """Without a display SDL would fall back to a driver that shows nothing;
    the program must say it has no display and end, not run unseen."""
    tmp = tempfile.TemporaryDirectory(prefix="zem-hostile-")
    try:
        make_world(args, tmp.name)
        for what, env in (("no DISPLAY", {}), ("DISPLAY nobody serves", {"DISPLAY": free_display_number()})):
            proc, err = start_bare(args, tmp.name, env)
            try:
                code = proc.wait(20)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()
                raise Failure("%s: the program runs on without a display" % what)
            err.seek(0)
            text = err.read().decode(errors="replace")
            check(code == 1, "%s: exit code %d: %s" % (what, code, text[-2000:]))
            check("zemVR: no display" in text, "%s: nothing said on standard error: %r" % (what, text[-2000:]))
            log("%s: exit 1 at once, standard error says: %s" % (
                what, [l for l in text.splitlines() if "zemVR" in l][0]))
        # Asked for by name, the offscreen driver serves.
        proc, err = start_bare(args, tmp.name, {"SDL_VIDEODRIVER": "offscreen"})
        try:
            time.sleep(3)  # what is watched: three seconds of it running on
            check(proc.poll() is None, "SDL_VIDEODRIVER=offscreen: the program ended")
            err.seek(0)
            check(b"no display" not in err.read(), "SDL_VIDEODRIVER=offscreen was refused")
            log("SDL_VIDEODRIVER=offscreen: runs without a display")
        finally:
            if proc.poll() is None:
                os.killpg(proc.pid, signal.SIGKILL)
            proc.wait()
    finally:
        tmp.cleanup()


CASES = {
    "sound_1hz": case_sound_1hz,
    "fifo": lambda a: case_fifo(a, False),
    "fifo_arg": lambda a: case_fifo(a, True),
    "truncated": lambda a: case_truncated(a, False),
    "truncated_arg": lambda a: case_truncated(a, True),
    "nodisplay": case_nodisplay,
}


def main():
    return run_case(CASES, "hostile_test.py", ["zemvr", "worldgen", "zempack"])


if __name__ == "__main__":
    sys.exit(main())

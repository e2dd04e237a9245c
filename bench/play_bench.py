#!/usr/bin/env python3
"""zemworld play on the demo world's files (three locations, two 2048-column
panoramas, item views, sprites, transitions, sounds) under Xvfb: the time
from saving one picture (the first location's panorama, its columns moved
round by a quarter, so the build has a whole picture's work) to the
reloaded frame on the screen (target: under 1 s).

Each round saves as an editor does (a new file renamed over the old one),
then reads the screen until the panorama's band shows the new picture. The
figure is the time to the end of the first screenshot that shows it, so it
includes up to one screenshot's time more than the real delay; beside it,
the tool's own build time and the time until the viewer said it reloaded.

    bench/play_bench.py [BUILD] [ROUNDS]     (BUILD defaults to ./build)
"""

import os
import re
import shutil
import statistics
import struct
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True  # keep the source folder clean
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
from harness import Display, Failure, stop, wait_for  # noqa: E402

BAND = range(150, 400, 5)  # screen rows of the panorama, clear of the status line and logo


def moved(bmp, columns):
    """An 8-bit BMP with every row turned round by columns pixels."""
    offset, = struct.unpack("<I", bmp[10:14])
    width, height = struct.unpack("<ii", bmp[18:26])
    bits, = struct.unpack("<H", bmp[28:30])
    if bits != 8:
        raise Failure("the demo's panorama is not an 8-bit BMP")
    stride = (width + 3) // 4 * 4
    out = bytearray(bmp)
    for y in range(abs(height)):
        at = offset + y * stride
        row = bmp[at:at + width]
        out[at:at + width] = row[columns:] + row[:columns]
    return bytes(out)


def band(screen):
    return [screen.rgb(x, y) for y in BAND for x in range(0, 640, 4)]


def changed(a, b):
    return sum(p != q for p, q in zip(a, b)) > len(a) * 2 // 5


def save(path, data):
    scratch = os.path.join(os.path.dirname(path), ".bench.part")
    with open(scratch, "wb") as f:
        f.write(data)
    os.rename(scratch, path)


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build")
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 8
    zemworld = os.path.join(build, "tools", "zemworld", "zemworld")
    demo = os.path.join(build, "tools", "demoworld", "data")
    with tempfile.TemporaryDirectory(prefix="zem-play-bench-") as tmp:
        source = os.path.join(tmp, "world")
        shutil.copytree(demo, source)
        panorama = os.path.join(source, "COURT.BMP")
        with open(panorama, "rb") as f:
            original = f.read()
        display = Display()
        err = tempfile.TemporaryFile()
        env = dict(display.env, ZEMWORLD_VIEWER=os.path.join(build, "zemvr"), SDL_AUDIODRIVER="dummy",
                   TMPDIR=tmp)
        proc = subprocess.Popen([zemworld, "play", source], cwd=tmp, env=env, stdout=subprocess.DEVNULL,
                                stderr=err, start_new_session=True)

        def terminal():
            err.seek(0)
            return err.read().decode(errors="replace")

        try:
            display.move(320, 100)
            wait_for("the demo world on the screen",
                     lambda: proc.poll() is None and len(set(band(display.screenshot()))) > 20, 60)
            screen_times, reload_times, build_times = [], [], []
            for k in range(rounds):
                before = band(display.screenshot())
                reloads = terminal().count("zemVR: reloaded ")
                data = moved(original, 512) if k % 2 == 0 else original
                start = time.time()
                save(panorama, data)
                reloaded = None
                while True:
                    if proc.poll() is not None:
                        raise Failure("zemworld play ended: %s" % terminal()[-2000:])
                    if reloaded is None and terminal().count("zemVR: reloaded ") > reloads:
                        reloaded = time.time() - start
                    now = band(display.screenshot())
                    if changed(before, now):
                        screen_times.append(time.time() - start)
                        break
                    if time.time() - start > 30:
                        raise Failure("round %d: the new picture never showed: %s" % (k, terminal()[-2000:]))
                if reloaded is None:
                    wait_for("the viewer's reload line",
                             lambda: terminal().count("zemVR: reloaded ") > reloads, 10)
                    reloaded = time.time() - start
                reload_times.append(min(reloaded, screen_times[-1]))
                built = re.findall(r"built in ([0-9.]+) s \((\d+) location\(s\) built", terminal())
                build_times.append(float(built[-1][0]))
                if built[-1][1] != "1":
                    raise Failure("round %d built %s locations, not 1" % (k, built[-1][1]))
                time.sleep(0.3)  # between rounds only: the measurement itself never waits
            print("zemworld play, demo world, one panorama saved (%d rounds):" % rounds)
            for name, values in (("saved -> reloaded frame on the screen", screen_times),
                                 ("saved -> viewer reloaded", reload_times),
                                 ("the build itself", build_times)):
                print("  %-40s median %4.0f ms   max %4.0f ms" % (name, statistics.median(values) * 1000,
                                                                 max(values) * 1000))
        finally:
            stop(proc)
            display.close()
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except Failure as failure:
        print("FAILED: %s" % failure)
        sys.exit(1)

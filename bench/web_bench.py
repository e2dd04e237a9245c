#!/usr/bin/env python3
"""The demo world's web page in headless Chromium beside the desktop
program's figures for the same work:

- panning: the page's main thread per frame while the cursor rests at the
  right edge, so that every frame turns the view (target: under 2 ms at 60
  frames a second), as processor time from a trace of its tasks (the
  machine's other work does not count) and as wall time; the desktop figure
  is the same frame composed (demo_bench) plus the SDL backend's present
  (present_sdl_bench under SDL's offscreen driver), in processor time too;
- load: from navigation to the world's first frame, served from 127.0.0.1
  with the browser's cache off (target: under 1 s); the desktop figure is
  start-up to the first composed frame with the archive in memory
  (demo_bench), the same work once the page has fetched its files;
- idle: the main thread's share while the world is left to itself.

    bench/web_bench.py [BUILD]      (BUILD defaults to ./build)
"""

import json
import os
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True  # keep the source folder clean
sys.path.insert(0, os.path.join(HERE, "..", "tests", "web"))
from browser import Browser, StaticServer  # noqa: E402

LOADS = 5
PAN_SECONDS = 5.0


def native(build, name, filter_):
    program = os.path.join(build, "bench", name)
    if not os.path.exists(program):
        return {}
    env = dict(os.environ, SDL_VIDEODRIVER=os.environ.get("SDL_VIDEODRIVER", "offscreen"),
               SDL_AUDIODRIVER="dummy")
    result = subprocess.run([program, "--benchmark_filter=" + filter_, "--benchmark_format=json",
                             "--benchmark_repetitions=3", "--benchmark_report_aggregates_only=true"],
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env, text=True)
    if result.returncode != 0:
        return {}
    figures = {}
    for b in json.loads(result.stdout)["benchmarks"]:
        if b.get("aggregate_name") == "median":
            scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0}[b["time_unit"]]
            figures[b["run_name"]] = b["cpu_time"] * scale
    return figures


def measure_loads(browser, url):
    browser.command("Network.enable")
    browser.command("Network.setCacheDisabled", {"cacheDisabled": True})
    times = []
    for _ in range(LOADS):
        browser.navigate("about:blank")
        browser.pump(0.2)
        browser.navigate(url)
        browser.wait_for("window.zemvrTest && zemvrTest.state().draws.length >= 2", 30, "a frame")
        times.append(browser.evaluate("zemvrTest.state().draws[1]"))
    return times


def median(values):
    return statistics.median(values) if values else float("nan")


def measure(browser, seconds):
    """Frames, main-thread processor and wall time per frame, and the
    program's own median run between two waits, over a while."""
    state = lambda: browser.evaluate("zemvrTest.state()")
    before, t0 = state(), time.monotonic()
    browser.evaluate("zemvrTest.busy()")
    cpu, wall = browser.main_thread(seconds)
    after, t1 = state(), time.monotonic()
    busy = browser.evaluate("zemvrTest.busy()")
    # The frames are counted over a little more than the trace.
    frames = max(after["frames"] - before["frames"], 1) * seconds / (t1 - t0)
    return {"frames": frames, "fps": frames / seconds, "cpu": cpu / frames, "wall": wall / frames,
            "cpu_share": cpu / (1000 * seconds), "busy": median(busy),
            "moved": after["panX"] != before["panX"]}


def measure_panning_drawn_by_page(browser, url):
    """The same panning where the browser lets no worker draw on a canvas."""
    script = browser.command("Page.addScriptToEvaluateOnNewDocument",
                             {"source": "delete window.OffscreenCanvas;"})
    try:
        browser.navigate(url)
        browser.wait_for("window.zemvrTest && zemvrTest.state().frames > 2", 30, "a frame")
        browser.mouse("mouseMoved", 628, 240)
        browser.pump(1.0)
        return measure(browser, PAN_SECONDS)
    finally:
        browser.mouse("mouseMoved", 320, 240)
        browser.command("Page.removeScriptToEvaluateOnNewDocument", {"identifier": script["identifier"]})


def measure_panning(browser):
    browser.mouse("mouseMoved", 320, 240)
    browser.pump(0.5)
    browser.mouse("mouseMoved", 628, 240)  # 12 columns a frame
    browser.pump(1.0)
    pan = measure(browser, PAN_SECONDS)
    browser.mouse("mouseMoved", 320, 240)
    browser.pump(1.0)
    idle = measure(browser, PAN_SECONDS)
    return pan, idle


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build")
    folder = os.path.join(build, "web-demo")
    if not os.path.exists(os.path.join(folder, "index.html")):
        print("no %s: build with Emscripten installed first" % folder)
        return 1
    demo = native(build, "demo_bench", "BM_Demo")
    present = native(build, "present_sdl_bench", "BM_PresentFrame")
    wasm = os.path.getsize(os.path.join(folder, "zemvr.wasm"))
    script = os.path.getsize(os.path.join(folder, "zemvr.js"))

    server = StaticServer(folder)
    browser = Browser(640, 480)
    try:
        loads = measure_loads(browser, server.url + "index.html?test")
        pan, idle = measure_panning(browser)
        by_page = measure_panning_drawn_by_page(browser, server.url + "index.html?test")
    finally:
        browser.close()
        server.close()

    compose = demo.get("BM_DemoPanFrame")
    shown = present.get("BM_PresentFrame")
    start = demo.get("BM_DemoStartToFirstFrame")
    row = "%-50s %10s %10s"
    print("module: zemvr.wasm %d bytes, zemvr.js %d bytes (world not included)" % (wasm, script))
    print(row % ("", "web", "desktop"))
    print(row % ("main thread per frame, panning (processor)", "%.2f ms" % pan["cpu"],
                 "%.2f ms" % (compose + shown) if compose and shown else "-"))
    print(row % ("main thread per frame, panning (wall)", "%.2f ms" % pan["wall"], ""))
    print(row % ("  the same with the page drawing (no worker)", "%.2f ms" % by_page["cpu"], ""))
    print(row % ("  the program's own run per frame (wall, median)", "%.2f ms" % pan["busy"], ""))
    if compose:
        print(row % ("  composing the frame", "", "%.2f ms" % compose))
    if shown:
        print(row % ("  presenting it (SDL, offscreen driver)", "", "%.2f ms" % shown))
    print(row % ("frames a second while panning", "%.1f" % pan["fps"], ""))
    print(row % ("load to first frame (median of %d)" % LOADS, "%.0f ms" % statistics.median(loads),
                 "%.1f ms" % start if start else "-"))
    print(row % ("main thread share while idle (processor)", "%.1f %%" % (100 * idle["cpu_share"]), ""))
    print("loads: " + ", ".join("%.0f" % t for t in loads) + " ms")
    if not pan["moved"]:
        print("warning: the view did not turn while the cursor rested at the edge")
    return 0


if __name__ == "__main__":
    sys.exit(main())

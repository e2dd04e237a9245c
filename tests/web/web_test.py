#!/usr/bin/env python3
"""The demo world's web folder in headless Chromium, served from 127.0.0.1:
its first frames against `zemworld render`, a drag, the mouse mapped onto
the picture and its bars, characters from the keyboard layout, a stamp's
item view, a door, sound after the first click, Esc; then a browser without
Web Audio and without worker-drawn canvases, a generated world whose sounds test the rates the page takes, and
a world whose archive is missing. The page's console must stay free of
errors.

    web_test.py WEBFOLDER ZEMWORLD [ARTIFACTS]
"""

import os
import shutil
import struct
import subprocess
import sys
import tempfile
import time

sys.dont_write_bytecode = True  # keep the source folder clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from browser import Browser, StaticServer  # noqa: E402
from pictures import read_png, write_png  # noqa: E402

WIDTH, HEIGHT = 640, 480
STATUS_ROWS = 18   # the status line: one text cell of the 18-pixel font
CURSOR = 32        # the cursor picture's size


class Failure(Exception):
    pass


def check(condition, text):
    if not condition:
        raise Failure(text)


class Page:
    def __init__(self, browser):
        self.b = browser

    def state(self):
        return self.b.evaluate("zemvrTest.state()")

    def settle(self):
        self.b.evaluate("zemvrTest.settled()")
        return self.state()

    def move(self, x, y, buttons=0):
        self.b.mouse("mouseMoved", x, y, buttons=buttons)

    def click(self, x, y):
        self.b.mouse("mousePressed", x, y, button="left", buttons=1, clicks=1)
        self.b.mouse("mouseReleased", x, y, button="left", buttons=0, clicks=1)
        return self.settle()

    def drag(self, x0, y0, x1, y1, steps=6):
        self.move(x0, y0)
        self.b.mouse("mousePressed", x0, y0, button="left", buttons=1, clicks=1)
        self.settle()
        for i in range(1, steps + 1):
            self.move(x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps, buttons=1)
            self.settle()
        self.b.mouse("mouseReleased", x1, y1, button="left", buttons=0, clicks=1)
        return self.settle()

    def type(self, key, code, vk, shift=False):
        modifiers = 8 if shift else 0
        for kind in ("keyDown", "keyUp"):
            params = {"type": kind, "key": key, "code": code, "windowsVirtualKeyCode": vk,
                      "modifiers": modifiers}
            if kind == "keyDown" and len(key) == 1:
                params["text"] = key
            elif kind == "keyDown":
                params["type"] = "rawKeyDown"
            self.b.command("Input.dispatchKeyEvent", params)
        return self.settle()

    def pixels(self, which):
        return self.b.pixels("zemvrTest.pixels(%r)" % which)


def differing(a, b, mask=None):
    """Positions (x, y) where two RGBA pictures differ, outside the mask."""
    out = []
    for i in range(WIDTH * HEIGHT):
        k = i * 4
        if a[k:k + 3] != b[k:k + 3] and not (mask and mask(i % WIDTH, i // WIDTH)):
            out.append((i % WIDTH, i // WIDTH))
    return out


def status_or_cursor(state):
    cx, cy = state["cursorX"], state["cursorY"]
    return lambda x, y: y < STATUS_ROWS or (cx <= x < cx + CURSOR and cy <= y < cy + CURSOR)


def test_first_frames(page, zemworld, folder, artifacts):
    """The first frame, and the first frame with the animations back at their
    start, against `zemworld render` at the same location and pan."""
    page.b.wait_for("zemvrTest.state().rest", 30, "the animations to come round")
    state = page.state()
    check(state["location"] == "court", "starts in court, not %r" % state["location"])
    check((state["panX"], state["panY"]) == (0, 67), "starts at pan 0,67, not %r" %
          ((state["panX"], state["panY"]),))
    reference = os.path.join(artifacts, "render.png")
    result = subprocess.run([zemworld, "render", os.path.join(folder, "data.zem"), reference,
                             "--location", "court", "--pan", "0,67"],
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    check(result.returncode == 0, "zemworld render failed: " + result.stdout)
    width, height, rendered = read_png(reference)
    check((width, height) == (WIDTH, HEIGHT), "render gives %dx%d" % (width, height))

    rest = page.pixels("rest")
    first = page.pixels("first")
    changing = page.pixels("changing")
    write_png(os.path.join(artifacts, "first.png"), WIDTH, HEIGHT, first)
    write_png(os.path.join(artifacts, "rest.png"), WIDTH, HEIGHT, rest)
    masked = status_or_cursor(state)
    wrong = differing(rest, rendered, masked)
    check(not wrong, "the frame with every animation at its first frame differs from render "
          "at %d pixels, first at %r" % (len(wrong), wrong[:1]))
    animated = lambda x, y: masked(x, y) or changing[y * WIDTH + x]
    wrong = differing(first, rendered, animated)
    check(not wrong, "the first frame differs from render outside the animations at %d pixels, "
          "first at %r" % (len(wrong), wrong[:1]))
    moving = sum(changing)
    check(0 < moving < WIDTH * HEIGHT // 10, "%d pixels change while the world is idle" % moving)
    print("first frames equal render (status line, cursor and %d animated pixels aside)" % moving)


def test_one_to_one(page):
    box = page.b.evaluate("JSON.stringify(document.getElementById('screen').getBoundingClientRect())")
    check('"x":0,"y":0,"width":640,"height":480' in box.replace(" ", ""),
          "a 640 x 480 window shows the frame at 1:1, not " + box)
    check(not page.state()["button"], "the full-screen button stays off a picture that fills the window")


def find_spot(page, wanted, what):
    """A point (away from the scrolling edges) where the hit test finds what
    wanted() accepts."""
    for y in range(60, 400, 20):
        for x in range(60, 560, 20):
            page.move(x, y)
            state = page.settle()
            if wanted(state):
                return x, y, state
    raise Failure("no " + what + " under the cursor anywhere on the screen")


def test_item_view(page):
    before = page.state()
    x, y, state = find_spot(page, lambda s: s["stampItem"], "stamp with an item view")
    check((state["panX"], state["panY"]) == (before["panX"], before["panY"]),
          "looking for the stamp turned the view")
    state = page.click(x, y)
    check(state["itemView"] == 1, "a click on the stamp opens its item view")
    time.sleep(0.6)  # not a double click
    state = page.click(x, y)
    check(state["itemView"] == 0, "a second click closes the item view")
    print("stamp at %d,%d: item view opened and closed" % (x, y))


def test_door(page):
    x, y, state = find_spot(page, lambda s: s["door"] and s["door"].upper() != "EXIT",
                            "door to a location")
    target = state["door"]
    sounds = state["soundsStarted"]
    state = page.click(x, y)
    check(state["location"] == target, "a click on the door to %s leads to %s" %
          (target, state["location"]))
    check(state["soundsStarted"] > sounds, "the door's sound starts after the click")
    print("door at %d,%d leads to %s, with its sound" % (x, y, target))


def test_drag(page):
    before = page.settle()
    state = page.drag(400, 300, 340, 300)
    check(state["panX"] - before["panX"] == 60, "dragging 60 pixels left turns the view by 60: "
          "PanX %d -> %d" % (before["panX"], state["panX"]))
    # In a 1280 x 720 window the picture is 960 x 720 between bars of 160.
    page.b.set_size(1280, 720)
    page.b.pump(0.3)
    check(page.state()["button"], "the full-screen button shows in a bar")
    covered = page.b.evaluate(
        "(() => { const a = document.getElementById('full').getBoundingClientRect(),"
        " b = document.getElementById('screen').getBoundingClientRect();"
        " return a.left < b.right && a.right > b.left && a.top < b.bottom && a.bottom > b.top; })()")
    check(not covered, "the full-screen button does not cover the picture")
    before = page.settle()
    state = page.drag(700, 450, 610, 450)
    check(state["panX"] - before["panX"] == 60, "a 90-pixel drag at 1.5 times turns by 60, "
          "PanX %d -> %d" % (before["panX"], state["panX"]))
    page.move(50, 495)
    state = page.settle()
    check((state["cursorX"], state["cursorY"]) == (0, 330),
          "a point on the left bar is column 0: cursor at %r" % ((state["cursorX"], state["cursorY"]),))
    page.move(700, 450)
    page.settle()
    page.b.set_size(WIDTH, HEIGHT)
    page.b.pump(0.3)
    print("drags turn the view by the dragged distance at 1:1 and scaled; bars map to the edge")


def test_full_screen_key(page):
    """Where no bar has room for the button, Alt+Enter is the way to full
    screen and back; the Enter never reaches the world, which would go to
    its next location."""
    before = page.settle()["location"]
    for want in ("true", "false"):
        for kind in ("rawKeyDown", "keyUp"):
            page.b.command("Input.dispatchKeyEvent", {"type": kind, "key": "Enter", "code": "Enter",
                                                      "windowsVirtualKeyCode": 13, "modifiers": 1})
        page.b.wait_for("!!document.fullscreenElement === " + want, 5, "Alt+Enter to switch full screen")
        check(page.settle()["location"] == before, "Alt+Enter changed the location")
    page.b.set_size(WIDTH, HEIGHT)
    page.b.pump(0.3)
    print("Alt+Enter switches full screen and back, the location stays")


def test_layout_characters(page):
    state = page.type(",", "Comma", 188)
    check(state["letterbox"] == 8, "',' shrinks the view one step (border %d)" % state["letterbox"])
    # A German layout types '>' with Shift and the key beside the left Shift.
    state = page.type(">", "IntlBackslash", 226, shift=True)
    check(state["letterbox"] == 0, "'>' from the '<>' key grows it back (border %d)" % state["letterbox"])
    state = page.type("<", "IntlBackslash", 226)
    check(state["letterbox"] == 8, "'<' from the '<>' key shrinks it (border %d)" % state["letterbox"])
    state = page.type(".", "Period", 190)
    check(state["letterbox"] == 0, "'.' grows it (border %d)" % state["letterbox"])
    page.b.command("Input.dispatchKeyEvent", {"type": "rawKeyDown", "key": "Tab", "code": "Tab",
                                              "windowsVirtualKeyCode": 9})
    check(page.settle()["hotspots"] == 1, "holding Tab outlines the hotspots")
    page.b.command("Input.dispatchKeyEvent", {"type": "keyUp", "key": "Tab", "code": "Tab",
                                              "windowsVirtualKeyCode": 9})
    check(page.settle()["hotspots"] == 0, "releasing Tab removes the outlines")
    print("characters come from the layout; Tab shows the hotspots while held")


def test_end(page):
    page.type("Escape", "Escape", 27)
    page.b.wait_for("zemvrTest.state().ended", 10, "the world to end")
    state = page.state()
    check("The world has ended." in state["note"], "the page says the world has ended: %r" % state["note"])
    page.b.pump(0.3)


def test_plain_browser(browser, url, zemworld, folder, artifacts):
    """A browser without Web Audio and without drawing from workers: the page
    draws the same frames itself, doors work, nothing sounds."""
    script = browser.command("Page.addScriptToEvaluateOnNewDocument", {
        "source": "delete window.AudioContext; delete window.webkitAudioContext;"
                  "delete window.OffscreenCanvas;"})
    try:
        browser.console = []
        browser.navigate(url)
        browser.wait_for("window.zemvrTest && zemvrTest.state().frames > 0", 30, "the first frame")
        page = Page(browser)
        check(page.state()["painter"] == "page", "without OffscreenCanvas the page draws itself")
        test_first_frames(page, zemworld, folder, artifacts)
        x, y, state = find_spot(page, lambda s: s["door"] and s["door"].upper() != "EXIT",
                                "door to a location")
        target = state["door"]
        state = page.click(x, y)
        check(state["location"] == target, "without sound the door to %s still leads there "
              "(now in %s)" % (target, state["location"]))
        check(state["soundsStarted"] == 0, "nothing sounds without Web Audio")
        errors = [c for c in browser.console if c[0] in ("error", "assert", "exception")]
        check(not errors, "the console has errors in a plain browser: %r" % errors)
    finally:
        browser.command("Page.removeScriptToEvaluateOnNewDocument", {"identifier": script["identifier"]})
    print("without workers' canvases and Web Audio: the same frames drawn by the page, silent doors")


def bmp8(width, height, index, transparent_corner=False):
    """An uncompressed 8-bit BMP of one colour index, its colour table the
    same for every picture, so every remap is exact."""
    row = (width + 3) & ~3
    pixels = bytearray([index]) * (row * height)
    if transparent_corner:  # the top-left pixel, the last row in the file
        pixels[(height - 1) * row] = 0
    table = b"".join(struct.pack("<BBBB", (i * 37) % 256, 255 - i, i, 0) for i in range(256))
    offset = 14 + 40 + len(table)
    return (b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) +
            struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(pixels), 2835, 2835, 256, 0) +
            table + bytes(pixels))


def wav(rate, bits, channels, seconds):
    frames = int(rate * seconds)
    if bits == 8:
        data = bytes((128 + (40 if (i // 20) % 2 else -40)) for i in range(frames * channels))
    else:
        data = b"".join(struct.pack("<h", 3000 if (i // 20) % 2 else -3000)
                        for i in range(frames * channels))
    block = channels * bits // 8
    return (b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVEfmt " +
            struct.pack("<IHHIIHH", 16, 1, channels, rate, rate * block, block, bits) +
            b"data" + struct.pack("<I", len(data)) + data)


SOUND_SCRIPT = """location hall
closeup HALL.BMP
door byte 260 100 120 120 BYTE.WAV - 0 0
door wide 420 100 120 120 WIDE.WAV - 0 0
location byte
closeup HALL.BMP
door hall 100 280 120 100
location wide
closeup HALL.BMP
door hall 100 280 120 100
"""


def test_sounds(browser, zemworld, scratch):
    """A world of two doors with sounds at the ends of the rates every
    backend takes (slower ones are refused when the buffer is made, and
    zemworld refuses a world holding one): 4 kHz 8-bit mono and 48 kHz
    16-bit stereo play, and at the same time."""
    source = os.path.join(scratch, "soundworld")
    os.makedirs(source)
    files = {"ZEMLOGO.BMP": bmp8(20, 8, 40, True), "BATBICON.BMP": bmp8(4, 4, 50),
             "HALL.BMP": bmp8(640, 480, 20), "game.txt": SOUND_SCRIPT.encode(),
             "BYTE.WAV": wav(4000, 8, 1, 30.0),
             "WIDE.WAV": wav(48000, 16, 2, 0.5)}
    for k in range(4):
        files["CURS%04d.BMP" % k] = bmp8(16, 16, 60 + k, True)
    for name, data in files.items():
        with open(os.path.join(source, name), "wb") as f:
            f.write(data)
    site = os.path.join(scratch, "soundsite")
    result = subprocess.run([zemworld, "web", source, site], stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT, text=True)
    check(result.returncode == 0, "zemworld web of a folder failed: " + result.stdout)
    server = StaticServer(site)
    try:
        browser.navigate(server.url + "index.html?test")
        browser.wait_for("window.zemvrTest && zemvrTest.state().frames > 0", 30, "the first frame")
        page = Page(browser)

        def through(door, x, y):
            page.move(x, y)  # the 16-pixel cursor's middle lies 8 pixels further in
            check(page.settle()["door"] == door, "the door to %s is under the cursor" % door)
            return page.click(x, y)

        state = through("byte", 300, 140)
        check(state["soundsStarted"] == 1, "a 4 kHz 8-bit sound plays")
        through("hall", 140, 300)
        state = through("wide", 460, 140)
        check(state["soundsStarted"] == 2, "a 48 kHz 16-bit stereo sound plays")
        check(state["mostAtOnce"] == 2, "both play at the same time (%d at most)" % state["mostAtOnce"])
    finally:
        server.close()
    print("sounds: 4 kHz 8-bit and 48 kHz stereo play, together")


def test_missing_archive(browser, folder, scratch):
    empty = os.path.join(scratch, "noworld")
    os.makedirs(empty)
    for name in ("index.html", "zemvr.js", "zemvr.wasm"):
        shutil.copy(os.path.join(folder, name), empty)
    server = StaticServer(empty)
    try:
        browser.navigate(server.url + "index.html?test")
        note = browser.wait_for("window.zemvrTest && zemvrTest.state().note", 20, "a message")
        check("Failed FastFileInit data.zem 0" in note, "a missing archive shows the start-up "
              "message, not %r" % note)
        check("404" in note, "and why the archive is missing: %r" % note)
    finally:
        server.close()
    print("a missing archive shows: " + " / ".join(note.split("\n")))


def main():
    if len(sys.argv) < 3:
        print(__doc__)
        return 2
    folder, zemworld = sys.argv[1], sys.argv[2]
    scratch = tempfile.mkdtemp(prefix="zemvr-web-test-")
    artifacts = sys.argv[3] if len(sys.argv) > 3 else scratch
    os.makedirs(artifacts, exist_ok=True)
    server = StaticServer(folder)
    browser = Browser(WIDTH, HEIGHT)
    page = Page(browser)
    try:
        browser.navigate(server.url + "index.html?test")
        browser.wait_for("window.zemvrTest && zemvrTest.state().frames > 0", 30, "the first frame")
        print("the picture is drawn by the %s" % page.state()["painter"])
        test_one_to_one(page)
        test_first_frames(page, zemworld, folder, artifacts)
        test_item_view(page)
        test_layout_characters(page)
        test_door(page)
        test_drag(page)
        test_full_screen_key(page)
        test_end(page)
        errors = [c for c in browser.console if c[0] in ("error", "assert", "exception")]
        check(not errors, "the console has errors: %r" % errors)
        test_plain_browser(browser, server.url + "index.html?test", zemworld, folder, artifacts)
        test_sounds(browser, zemworld, scratch)
        test_missing_archive(browser, folder, scratch)
    except Failure as e:
        print("FAILED: %s (pictures in %s)" % (e, artifacts))
        return 1
    finally:
        browser.close()
        server.close()
    if artifacts == scratch:
        shutil.rmtree(scratch, ignore_errors=True)
    print("web test passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())

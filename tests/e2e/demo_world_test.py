"""Checks the generated demo world against the rules the program loads it by.

    demo_world_test.py WORLDGEN

Every file the script names is there (names match without regard to case, as
in the archive); stamps are as large as their pictures; sprite series have an
offset line per frame and stay inside their panorama; item views have 24
frames and an icon; transition series are numbered from their first frame;
the cursor and the start-up logo use only colour entries that every location
and transition palette shares; remapped pictures (logo, PDA) have colours the
locations can approach within entries 10..209."""

import os
import struct
import subprocess
import sys
import tempfile

FIXED = list(range(0, 10)) + list(range(210, 256))
failures = []


def fail(message):
    failures.append(message)
    print("FAIL " + message, flush=True)


def bmp(files, name):
    data = files.get(name.upper())
    if data is None:
        return None
    offset = struct.unpack_from("<I", data, 10)[0]
    w, h = struct.unpack_from("<ii", data, 18)
    palette = [tuple(data[54 + 4 * i:57 + 4 * i]) for i in range(256)]
    stride = (w + 3) & ~3
    rows = [data[offset + (h - 1 - r) * stride:offset + (h - 1 - r) * stride + w] for r in range(h)]
    return w, h, palette, rows


def used(picture):
    return set(b for row in picture[3] for b in row)


def main():
    worldgen = sys.argv[1]
    tmp = tempfile.TemporaryDirectory()
    folder = os.path.join(tmp.name, "data")
    subprocess.run([worldgen, "demo", folder, os.path.join(tmp.name, "data.zem")], check=True)
    files = {}
    for name in os.listdir(folder):
        files[name.upper()] = open(os.path.join(folder, name), "rb").read()
    size = os.path.getsize(os.path.join(tmp.name, "data.zem"))
    print("demo world: %d files, archive %.1f MB" % (len(files), size / 1e6))

    locations, transitions = [], []
    current = None
    for line in files["GAME.TXT"].decode().splitlines():
        t = line.split()
        if not t or t[0] == "rem":
            continue
        if t[0] == "location":
            current = {"name": t[1], "stamps": [], "sprites": [], "doors": []}
            locations.append(current)
        elif t[0] in ("panorama", "closeup"):
            current["view"] = (t[1], t[0] == "panorama")
        elif t[0] == "stamp":
            current["stamps"].append(t[1:])
        elif t[0] == "sprite":
            current["sprites"].append(t[1])
        elif t[0] == "door":
            current["doors"].append(t[1:])
        elif t[0] == "pda":
            current["pda"] = t[1]
    names = {l["name"] for l in locations}

    palettes = []
    for loc in locations:
        view = bmp(files, loc["view"][0])
        if view is None:
            fail("%s: view %s missing" % (loc["name"], loc["view"][0]))
            continue
        w, h, palette, _ = view
        palettes.append((loc["name"], palette))
        if loc["view"][1] and (h < 400 or h > 1023 or w > 2048):
            fail("%s: panorama %dx%d outside what the warp can show" % (loc["name"], w, h))
        for s in loc["stamps"]:
            picture = bmp(files, s[0])
            x, y, sw, sh = (int(v) for v in s[1:5])
            if picture is None or (picture[0], picture[1]) != (sw, sh):
                fail("%s: stamp %s rectangle %dx%d does not match its picture" % (loc["name"], s[0], sw, sh))
            if not (0 <= x and x + sw <= w and 0 <= y and y + sh <= h):
                fail("%s: stamp %s outside the view" % (loc["name"], s[0]))
            if s[5].upper() not in files:
                fail("%s: stamp sound %s missing" % (loc["name"], s[5]))
            item = s[6]
            if not item.endswith("0000.bmp"):
                fail("%s: item view %s is not prefix0000.bmp" % (loc["name"], item))
            prefix = item[:-8]
            for k in range(24):
                if ("%s%04d.BMP" % (prefix, k)).upper() not in files:
                    fail("%s: item frame %d of %s missing" % (loc["name"], k, prefix))
            if (prefix + "icon.bmp").upper() not in files:
                fail("%s: icon of %s missing" % (loc["name"], prefix))
        for first in loc["sprites"]:
            prefix = first[:first.index("0")]
            frames = 0
            while ("%s%04d.BMP" % (prefix, frames)) in files:
                frames += 1
            info = files.get((prefix + "info.txt").upper(), b"").decode().splitlines()
            if frames == 0 or len(info) != frames:
                fail("%s: sprite %s has %d frames and %d offset lines" % (loc["name"], prefix, frames, len(info)))
            for k, line in enumerate(info[:frames]):
                words = line.split()
                frame = bmp(files, "%s%04d.BMP" % (prefix, k))
                if len(words) < 7 or any(len(wd) < 6 for wd in words[1:5]):
                    fail("%s: offset line %d of %s malformed" % (loc["name"], k, prefix))
                    continue
                fw, fh = frame[0], frame[1]
                if loc["view"][1]:
                    top, right = int(words[2][5:]), int(words[3][5:])
                    inside = top >= 0 and top + fh <= h and right - fw + 1 >= 0 and right < w
                else:
                    left, top = int(words[1][5:]), int(words[4][5:])
                    inside = left >= 0 and left + fw <= w and top >= 0 and top + fh <= h
                if not inside:
                    fail("%s: frame %d of %s lies outside the view" % (loc["name"], k, prefix))
                if frame[3][0][-1 if loc["view"][1] else 0] != 0:
                    fail("%s: frame %d of %s does not start transparent" % (loc["name"], k, prefix))
        for door in loc["doors"]:
            if door[0].upper() != "EXIT" and door[0] not in names:
                fail("%s: door to unknown location %s" % (loc["name"], door[0]))
            if len(door) > 5 and door[5].upper() not in files:
                fail("%s: door sound %s missing" % (loc["name"], door[5]))
            if len(door) > 6 and door[6].endswith(".bmp"):
                if door[6].upper() not in files:
                    fail("%s: transition %s missing" % (loc["name"], door[6]))
                transitions.append(door[6])

    for first in transitions:
        prefix, number = first[:-8], int(first[-8:-4])
        while ("%s%04d.BMP" % (prefix, number)).upper() in files:
            frame = bmp(files, "%s%04d.BMP" % (prefix, number))
            if frame[0] != 480 and (frame[0] > 320 or frame[1] > 240):
                fail("transition frame %s%04d is too large to draw doubled" % (prefix, number))
            palettes.append((first, frame[2]))
            number += 1

    for name, palette in palettes[1:]:
        if any(palette[i] != palettes[0][1][i] for i in FIXED):
            fail("palette of %s does not share the fixed entries" % name)
    for k in range(4):
        picture = bmp(files, "CURS%04d.BMP" % k)
        if picture is None or used(picture) - set(FIXED):
            fail("cursor frame %d missing or drawn outside the fixed entries" % k)
    logo = bmp(files, "ZEMLOGO.BMP")
    if logo is None or used(logo) - set(FIXED) or logo[3][0][0] != 0:
        fail("the logo is missing, drawn outside the fixed entries or not transparent at its corner")
    for name, palette in palettes[:len(locations)]:
        for picture_name in ("ZEMLOGO.BMP", "PDA.BMP"):
            picture = bmp(files, picture_name)
            for index in used(picture) - {picture[3][0][0]}:
                colour = picture[2][index]
                best = min(sum((a - b) ** 2 for a, b in zip(colour, palette[j])) for j in range(10, 210))
                if best > 60 ** 2 * 3:
                    fail("%s: colour %d of %s has nothing near it in entries 10..209" % (name, index, picture_name))
    if size > 8e6:
        fail("the archive is %.1f MB" % (size / 1e6))
    print("%d passed, %d failed" % (1 if not failures else 0, 1 if failures else 0))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

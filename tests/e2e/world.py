"""What the end-to-end test world (zemvr-worldgen test) puts on the screen,
and how to read the screen back into places: which location, which pan,
where the cursor is and which frame it shows. The numbers match
tools/demoworld/test_world.cpp."""

COLUMNS = 2048  # panorama width: the circumference in columns


def gamma(c):
    """What the loader makes of a colour-table byte with Gamma 1.2."""
    v = (c * 0.00390625) ** 1.2 * 256
    return min(255, int(v))


def shown(rgb):
    return tuple(gamma(c) for c in rgb)


def _stripes(other):
    hi = [(40 + (i % 8) * 25, 40 + (i // 8) * 50, 230) for i in range(32)]
    lo = [(40 + (j % 8) * 25, 100, 40 + (j // 8) * 25) for j in range(64)]
    if other:
        hi = [(b, r, g) for r, g, b in hi]
        lo = [(b, r, g) for r, g, b in lo]
    return [shown(c) for c in hi], [shown(c) for c in lo]


LOCATIONS = {"stripes": _stripes(False), "other": _stripes(True)}
STAMP = shown((255, 128, 0))
ITEM = [shown((20 + 9 * k, 255, 20)) for k in range(24)]
FADE = shown((250, 20, 20))    # transition stripes -> other, 320 x 240 doubled
WIPE = shown((20, 250, 160))   # transition other -> stripes, 480 x 270
CURSOR = [shown(c) for c in [(255, 0, 255), (0, 255, 255), (255, 255, 0), (255, 255, 255)]]
CURSOR_SIZE = 32
CURSOR_BLOCK = (8, 24)  # the coloured square inside each 32 x 32 frame

# Hotspots, in panorama coordinates.
STAMP_RECT = (150, 200, 100, 130)  # x, y, w, h
DOOR_RECT = (420, 0, 60, 511)

# Screen rows read for the pan: they show the upper and lower halves of the
# panorama at the start tilt, clear of the status line and the logo.
UPPER_ROW, LOWER_ROW = 100, 400


def distance(a, b):
    return sum((x - y) ** 2 for x, y in zip(a, b))


def near(a, b, tolerance=12):
    return distance(a, b) <= tolerance * tolerance


def _nearest(colour, palette):
    best = min(range(len(palette)), key=lambda i: distance(colour, palette[i]))
    return best if near(colour, palette[best]) else None


def read_view(screen, skip=()):
    """(location, PanX) that most screen columns agree on, or None.

    Screen column x shows picture column (PanX + x) mod COLUMNS; its upper
    half tells column // 64, its lower half column % 64. Columns in skip
    (x ranges) are left out, such as where the cursor is."""
    votes = {}
    total = 0
    for x in range(0, 640, 3):
        if any(a <= x < b for a, b in skip):
            continue
        total += 1
        up, down = screen.rgb(x, UPPER_ROW), screen.rgb(x, LOWER_ROW)
        for name, (hi, lo) in LOCATIONS.items():
            h, l = _nearest(up, hi), _nearest(down, lo)
            if h is not None and l is not None:
                pan = (h * 64 + l - x) % COLUMNS
                votes[(name, pan)] = votes.get((name, pan), 0) + 1
    if not votes:
        return None
    best = max(votes, key=votes.get)
    return best if votes[best] >= 0.6 * total else None


def find_colour(screen, colour, x0=0, y0=0, x1=640, y1=480, step=1):
    """Bounding box (x0, y0, x1, y1) of the pixels of one colour, or None."""
    box = None
    for y in range(max(0, y0), min(480, y1), step):
        for x in range(max(0, x0), min(640, x1), step):
            if near(screen.rgb(x, y), colour, 6):
                if box is None:
                    box = [x, y, x, y]
                else:
                    box = [min(box[0], x), min(box[1], y), max(box[2], x), max(box[3], y)]
    return tuple(box) if box else None


def cursor_frame(screen, x, y):
    """Which cursor frame is drawn with its top-left corner at (x, y)."""
    a, _ = CURSOR_BLOCK
    colour = screen.rgb(x + a + 4, y + a + 4)
    for frame, c in enumerate(CURSOR):
        if near(colour, c, 6):
            return frame
    return None


# The panorama warp, as the renderer and the hit tests compute it.
SCALE = []
OFFSET = []
for _i in range(640):
    _k = abs(320 - _i)
    _d = _k * 0.003125
    _c = _d * _d * 0.42
    SCALE.append(int(((0.9999 - _c) / 1.2) * 2 ** 22))
    OFFSET.append(int(((_c * 320) / 1.2) * 2 ** 22))


def hit_row(hot_x, hot_y, pan_y=67):
    """Panorama row that the hit tests map a hot point to."""
    return ((SCALE[hot_x] * (hot_y + pan_y) + OFFSET[hot_x]) & 0xffffffff) >> 22


def screen_row_for(hot_x, picture_row, pan_y=67):
    """A screen row whose hot point maps to the given panorama row."""
    for y in range(480):
        if hit_row(hot_x, y, pan_y) >= picture_row:
            return y
    return None


def drawn_row(x, y, pan_y=67):
    """Panorama row drawn at screen pixel (x, y)."""
    j = x if x < 320 else 639 - x
    return ((OFFSET[j] + SCALE[j] * (pan_y + y)) & 0xffffffff) >> 22

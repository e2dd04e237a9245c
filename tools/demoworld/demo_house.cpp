// Inside the cottage: a round timber room with a fireplace, a bookshelf, a
// globe on a small table, a desk and a spinning wheel; and the closeup of the
// desk with an open book, a candle and a gem.
#include <algorithm>
#include <cmath>

#include "tools/demoworld/demo.h"

namespace {
struct RoomInk {
    Ramp plank, floor, beam, stone, fire, sky, ceiling, bookRed, bookGreen, bookBlue, ocean, land,
        brass, rug, door;
};
struct DeskInk {
    Ramp wood, wall, paper, leather, wax, flame, brass, gemA, gemB, ink, quill;
};
}  // namespace

static const int kFire = 740;     // centre column of the fireplace
static const int kWheel = 1830;   // centre column of the spinning wheel
static const int kFloor = 400;    // where the wall meets the floor
static const int kCeiling = 110;  // where the wall meets the ceiling

// Light on the wall at a column: the fire and the two windows.
static double RoomLight(double x) {
    auto near = [&](double c, double w) { double d = Around(x, c) / w; return std::exp(-d * d); };
    return 0.3 + 0.35 * near(kFire, 320) + 0.2 * near(440, 220) + 0.2 * near(1995, 200);
}

static RoomInk MakeRoomInk(Palette* p) {
    RoomInk k;
    k.plank = AddRamp3(p, Rgb(40, 24, 14), Rgb(132, 86, 50), Rgb(214, 166, 112), 16);
    k.floor = AddRamp(p, Rgb(46, 30, 18), Rgb(176, 126, 80), 12);
    k.beam = AddRamp(p, Rgb(22, 14, 8), Rgb(100, 68, 42), 8);
    k.stone = AddRamp(p, Rgb(34, 32, 32), Rgb(184, 174, 162), 14);
    k.fire = AddRamp3(p, Rgb(96, 20, 6), Rgb(236, 116, 24), Rgb(255, 250, 196), 10);
    k.sky = AddRamp(p, Rgb(92, 142, 204), Rgb(224, 236, 250), 8);
    k.ceiling = AddRamp(p, Rgb(56, 48, 40), Rgb(206, 190, 164), 8);
    k.bookRed = AddRamp(p, Rgb(60, 12, 12), Rgb(190, 60, 48), 6);
    k.bookGreen = AddRamp(p, Rgb(14, 46, 24), Rgb(70, 150, 80), 6);
    k.bookBlue = AddRamp(p, Rgb(16, 24, 66), Rgb(80, 110, 200), 6);
    k.ocean = AddRamp(p, Rgb(18, 38, 110), Rgb(86, 156, 232), 6);
    k.land = AddRamp(p, Rgb(40, 92, 30), Rgb(200, 196, 110), 6);
    k.brass = AddRamp(p, Rgb(70, 46, 12), Rgb(252, 224, 128), 8);
    k.rug = AddRamp3(p, Rgb(60, 12, 14), Rgb(170, 40, 36), Rgb(230, 160, 70), 10);
    k.door = AddRamp(p, Rgb(52, 28, 14), Rgb(160, 102, 54), 12);
    return k;
}

static void PaintShell(Canvas* c, const RoomInk& k) {
    for (int y = 0; y < kPanoHeight; y++)
        for (int x = 0; x < kPanoWidth; x++) {
            double light = RoomLight(x);
            uint8_t px;
            if (y < kCeiling) {
                bool beam = x % 128 < 14;
                double t = light * (0.35 + 0.6 * y / kCeiling) + 0.08 * (Fractal(x / 8.0, y / 8.0, 0, 2, 71) - 0.5);
                px = beam ? Shade(k.beam, t * 0.9 - (x % 128 < 3 ? 0.15 : 0), x, y) : Shade(k.ceiling, t, x, y);
                if (y > kCeiling - 10) px = Shade(k.beam, 0.25 * light + 0.1, x, y);
            } else if (y < kFloor) {
                int plank = x / 28;
                double t = 0.15 + light * (0.55 + 0.25 * Hash01(plank, 0, 72)) +
                           0.14 * (Fractal(x / 3.0, y / 60.0, 0, 3, 73 + plank) - 0.5) -
                           0.25 * Smooth(kCeiling + 30, kCeiling, y) - 0.2 * Smooth(kFloor - 40, kFloor, y) -
                           (x % 28 == 0 ? 0.3 : 0);
                px = Shade(k.plank, t, x, y);
                if (y >= kFloor - 10) px = Shade(k.beam, 0.2 + 0.4 * light, x, y);
            } else {
                int board = x / 18;
                double t = 0.1 + light * (0.5 + 0.3 * Hash01(board, (y - kFloor) / 40, 74)) +
                           0.12 * (Fractal(x / 2.0, y / 30.0, 0, 3, 75) - 0.5) - (x % 18 == 0 ? 0.25 : 0) +
                           0.15 * (y - kFloor) / 112.0;
                px = Shade(k.floor, t, x, y);
                if (y > 462) {  // a round rug under the viewer
                    int band = (y - 462) / 6;
                    double zig = std::fabs(std::fmod(x / 10.0, 2.0) - 1);
                    double t2 = (band % 3 == 0) ? 0.85 : (band % 3 == 1 ? 0.3 + 0.4 * (zig > 0.5) : 0.55);
                    px = Shade(k.rug, t2 * (0.6 + 0.5 * light) + 0.08 * (Hash01(x, y, 76) - 0.5), x, y);
                }
            }
            Put(c, x, y, px);
        }
}

static void PaintDoorway(Canvas* c, const RoomInk& k, int x0, int x1, int top) {
    int cx = (x0 + x1) / 2, r = (x1 - x0) / 2;
    for (int y = top - r - 8; y < kFloor; y++)
        for (int x = x0 - 8; x < x1 + 8; x++) {
            double dy = y < top ? top - y : 0, dx = x + 0.5 - cx;
            double d = std::sqrt(dx * dx + dy * dy);
            if (d > r + 8) continue;
            if (d > r) {
                Put(c, x, y, Shade(k.beam, 0.45 - (d - r) * 0.04, x, y));
                continue;
            }
            int plank = (x - x0) / 12;
            double t = 0.3 + 0.25 * Hash01(plank, 1, 77) + 0.1 * (Fractal(x / 2.0, y / 30.0, 0, 2, 78) - 0.5) -
                       ((x - x0) % 12 == 0 ? 0.25 : 0) + 0.1 * RoomLight(x);
            uint8_t px = Shade(k.door, t, x, y);
            if (std::abs(y - (top + 20)) < 4 || std::abs(y - (kFloor - 40)) < 4) px = Shade(k.stone, 0.12, x, y);
            Put(c, x, y, px);
        }
    FillEllipse(c, x1 - 16, (top + kFloor) / 2.0, 5, 5, Shade(k.brass, 0.8, 0, 0));
}

static void PaintWindow(Canvas* c, const RoomInk& k, int x0, int x1, int top, int bottom) {
    int cx = (x0 + x1) / 2, r = (x1 - x0) / 2;
    for (int y = top - r - 6; y < bottom + 8; y++)
        for (int x = x0 - 6; x < x1 + 6; x++) {
            double dy = y < top ? top - y : 0, dx = x + 0.5 - cx;
            double d = std::sqrt(dx * dx + dy * dy);
            if (d > r + 6 && y < bottom) continue;
            if (y >= bottom) {
                if (std::fabs(dx) < r + 8) Put(c, x, y, Shade(k.beam, 0.6 - (y - bottom) * 0.05, x, y));
                continue;
            }
            if (d > r || std::fabs(dx) < 2 || (y - (top - r)) % 36 < 3) {
                Put(c, x, y, Shade(k.beam, 0.35, x, y));
                continue;
            }
            double f = (double)(y - (top - r)) / (bottom - top + r);
            double hill = 0.72 + 0.08 * std::sin((x + y * 0.1) / 9.0);
            uint8_t px = f > hill ? Shade(k.land, 0.35 + 0.2 * Hash01(x / 3, y / 3, 79), x, y) : Shade(k.sky, 0.95 - 0.6 * f, x, y);
            Put(c, x, y, px);
        }
}

static void PaintFireplace(Canvas* c, const RoomInk& k) {
    const int x0 = kFire - 120, x1 = kFire + 120, breast0 = kFire - 80, breast1 = kFire + 80;
    const int mantel = 232, openTop = 300, half = 66;
    for (int y = kCeiling; y < kFloor + 4; y++)
        for (int x = x0; x < x1; x++) {
            if (y < mantel && (x < breast0 || x >= breast1)) continue;
            int row = (y - kCeiling) / 14, col = (x + (row % 2) * 11) / 22;
            bool joint = (y - kCeiling) % 14 == 0 || (x + (row % 2) * 11) % 22 == 0;
            double t = 0.25 + 0.45 * RoomLight(x) + 0.22 * Hash01(row, col, 81) - (joint ? 0.2 : 0) - 0.12 * Smooth(40, 0, std::min(x - x0, x1 - 1 - x));
            double dx = x + 0.5 - kFire;
            bool opening = std::fabs(dx) < half && (y >= openTop || dx * dx + (openTop - y) * (openTop - y) < half * half);
            if (opening) {
                double glow = std::exp(-(dx * dx) / 2500.0) * Smooth(openTop - half, kFloor, y);
                Put(c, x, y, glow > 0.25 ? Shade(k.fire, glow * 0.55, x, y) : Shade(k.stone, 0.04 + glow * 0.3, x, y));
                continue;
            }
            if (y >= mantel - 12 && y < mantel) {
                Put(c, x, y, Shade(k.beam, 0.5 + 0.25 * (y - mantel + 12) / 12.0, x, y));
                continue;
            }
            Put(c, x, y, Shade(k.stone, t, x, y));
        }
    // Logs on the hearth.
    for (int y = kFloor - 18; y < kFloor - 2; y++)
        for (int x = kFire - 50; x < kFire + 50; x++) {
            double v = std::fabs(y - (kFloor - 10.0)) / 8.0;
            if (v < 1) Put(c, x, y, Shade(k.beam, 0.5 - 0.4 * v + (x % 25 == 0 ? -0.3 : 0), x, y));
        }
    // Brass candlesticks on the mantel.
    for (int side = -1; side <= 1; side += 2) {
        int cx = kFire + side * 90;
        for (int y = mantel - 44; y < mantel - 12; y++)
            for (int x = cx - 3; x <= cx + 3; x++) Put(c, x, y, Shade(k.brass, 0.8 - std::abs(x - cx) * 0.15, x, y));
        FillEllipse(c, cx, mantel - 13, 8, 3, Shade(k.brass, 0.6, 0, 0));
        FillEllipse(c, cx, mantel - 49, 2.5, 5, Shade(k.fire, 0.9, 0, 0));
    }
}

static const Ramp& BookRamp(const RoomInk& k, int i) {
    return i == 0 ? k.bookRed : i == 1 ? k.bookGreen : k.bookBlue;
}

static void PaintShelf(Canvas* c, const RoomInk& k) {
    const int x0 = 960, x1 = 1180, top = 130;
    const int boards[4] = {196, 266, 336, 398};
    for (int y = top; y < kFloor; y++)
        for (int x = x0; x < x1; x++) {
            bool side = x < x0 + 10 || x >= x1 - 10 || y < top + 10;
            Put(c, x, y, side ? Shade(k.plank, 0.55 + (x < x0 + 10 ? 0.15 : -0.1), x, y) : Shade(k.beam, 0.15, x, y));
        }
    int shelfTop = top + 10;
    for (int b = 0; b < 4; b++) {
        int x = x0 + 12;
        uint32_t n = 0;
        while (x < x1 - 24) {
            int w = 8 + (int)(Hash01(b, n, 82) * 10), h = (boards[b] - shelfTop) - 6 - (int)(Hash01(b, n, 83) * 18);
            const Ramp& ramp = BookRamp(k, (int)(Hash01(b, n, 84) * 3));
            if (Hash01(b, n, 85) < 0.12) {
                x += 10;  // a gap
            } else {
                for (int yy = boards[b] - h; yy < boards[b]; yy++)
                    for (int xx = x; xx < x + w; xx++) {
                        double u = (xx - x + 0.5) / w;
                        double t = 0.2 + 0.6 * std::sin(u * kPi) * (0.6 + 0.5 * RoomLight(xx)) -
                                   (std::abs(yy - (boards[b] - h + 8)) < 2 ? 0.3 : 0);
                        Put(c, xx, yy, Shade(ramp, t, xx, yy));
                        if (std::abs(yy - (boards[b] - h / 2)) < 1 && u > 0.25 && u < 0.75) Put(c, xx, yy, Shade(k.brass, 0.7, xx, yy));
                    }
                x += w + 1;
            }
            n++;
        }
        for (int yy = boards[b]; yy < boards[b] + 8 && yy < kFloor; yy++)
            for (int xx = x0; xx < x1; xx++) Put(c, xx, yy, Shade(k.plank, 0.6 - (yy - boards[b]) * 0.05, xx, yy));
        shelfTop = boards[b] + 8;
    }
}

static void PaintTable(Canvas* c, const RoomInk& k, int cx, int top) {
    for (int y = top; y < kFloor + 6; y++)
        for (int x = cx - 6; x <= cx + 6; x++) Put(c, x, y, Shade(k.plank, 0.45 - (x - cx) * 0.04, x, y));
    for (int x = cx - 30; x <= cx + 30; x++) Put(c, x, kFloor + 5, Shade(k.plank, 0.3, x, kFloor + 5));
    FillEllipse(c, cx, top + 4, 52, 7, Shade(k.plank, 0.35, 0, 0));
    FillEllipse(c, cx, top, 52, 7, Shade(k.plank, 0.75, 0, 0));
    for (int x = cx - 50; x <= cx + 50; x++)
        for (int y = top - 6; y < top + 6; y++)
            if (Get(*c, x, y) == Shade(k.plank, 0.75, 0, 0)) Put(c, x, y, Shade(k.plank, 0.6 + 0.15 * (x - cx) / -50.0, x, y));
}

static void PaintGlobe(Canvas* c, const RoomInk& k, double cx, double cy, double r) {
    for (int y = (int)(cy + r - 4); y < cy + r + 14; y++)
        for (int x = (int)(cx - 16); x < cx + 16; x++) {
            double u = (x + 0.5 - cx) / (2 + (y - (cy + r - 4)) * 0.8);
            if (std::fabs(u) <= 1) Put(c, x, y, Shade(k.brass, 0.3 + 0.6 * std::sqrt(1 - u * u) - 0.2 * u, x, y));
        }
    for (int y = (int)(cy - r - 1); y <= cy + r + 1; y++)
        for (int x = (int)(cx - r - 1); x <= cx + r + 1; x++) {
            double dx = (x + 0.5 - cx) / r, dy = (y + 0.5 - cy) / r;
            double d2 = dx * dx + dy * dy;
            if (d2 > 1) continue;
            double dz = std::sqrt(1 - d2);
            double lon = std::atan2(dx, dz) + 1.0, lat = std::asin(-dy);
            bool land = Fractal((lon + kPi) / (2 * kPi) * 24 / 4.0, (lat + kPi / 2) / kPi * 14 / 3.0, 6, 3, 77) > 0.53;
            double t = 0.15 + 0.75 * std::max(0.0, -0.5 * dx - 0.6 * dy + 0.6 * dz);
            Put(c, x, y, land ? Shade(k.land, t, x, y) : Shade(k.ocean, t, x, y));
        }
    for (int i = 0; i < 400; i++) {  // the brass meridian ring
        double a = kPi * 0.05 + kPi * 1.15 * i / 400.0;
        Put(c, (int)(cx + (r + 3) * std::sin(a) * 0.25), (int)(cy - (r + 3) * std::cos(a)), Shade(k.brass, 0.8, 0, 0));
        Put(c, (int)(cx + (r + 3) * std::sin(a) * 0.25) + 1, (int)(cy - (r + 3) * std::cos(a)), Shade(k.brass, 0.5, 0, 0));
    }
}

static void PaintDeskFar(Canvas* c, const RoomInk& k) {
    const int x0 = 1460, x1 = 1640, top = 300;
    for (int y = top; y < kFloor + 4; y++)
        for (int x = x0; x < x1; x++) {
            bool leg = x < x0 + 12 || x >= x1 - 12;
            bool drawer = y > top + 14 && y < top + 44 && !leg;
            if (!leg && y > top + 48) continue;
            double t = 0.3 + 0.35 * RoomLight(x) + (y < top + 10 ? 0.2 : 0) - (drawer && (x - x0) % 60 < 2 ? 0.3 : 0);
            Put(c, x, y, Shade(k.floor, t, x, y));
        }
    for (int y = top - 10; y < top; y++)  // papers and a book
        for (int x = x0 + 30; x < x0 + 90; x++) Put(c, x, y, Shade(k.ceiling, 0.9 - (x - x0) * 0.003, x, y));
    for (int y = top - 8; y < top; y++)
        for (int x = x0 + 110; x < x0 + 150; x++) Put(c, x, y, Shade(k.bookRed, 0.5, x, y));
    for (int y = top - 40; y < top - 8; y++)
        for (int x = x0 + 158; x < x0 + 166; x++) Put(c, x, y, Shade(k.ceiling, 0.95, x, y));
    FillEllipse(c, x0 + 162, top - 46, 3, 6, Shade(k.fire, 0.9, 0, 0));
}

static void PaintWheelFrame(Canvas* c, const RoomInk& k) {
    const int hub = 300;
    for (int y = 340; y < 354; y++)  // bench
        for (int x = kWheel - 90; x < kWheel + 60; x++) Put(c, x, y, Shade(k.plank, 0.6 - (y - 340) * 0.03, x, y));
    for (int leg = 0; leg < 3; leg++) {
        int lx = kWheel - 80 + leg * 65;
        for (int y = 354; y < kFloor + 10; y++)
            for (int x = lx - 3 + (y - 354) / 8 * (leg - 1); x <= lx + 3 + (y - 354) / 8 * (leg - 1); x++) Put(c, x, y, Shade(k.plank, 0.4, x, y));
    }
    for (int y = hub; y < 340; y++)  // the upright holding the wheel
        for (int x = kWheel - 3; x <= kWheel + 3; x++) Put(c, x, y, Shade(k.beam, 0.5, x, y));
    for (int y = 290; y < 340; y++)  // the spindle post
        for (int x = kWheel - 78; x <= kWheel - 72; x++) Put(c, x, y, Shade(k.plank, 0.5, x, y));
    FillEllipse(c, kWheel - 75, 286, 7, 5, Shade(k.ceiling, 0.85, 0, 0));
}

static SpriteSeries SpinningWheel(const RoomInk& k) {
    SpriteSeries s;
    s.prefix = "WHEL";
    const int size = 96, hub = 300;
    for (int f = 0; f < 8; f++) {
        Canvas c = MakeCanvas(size, size, 0);
        for (int y = 0; y < size; y++)
            for (int x = 0; x < size; x++) {
                double dx = x + 0.5 - size / 2.0, dy = y + 0.5 - size / 2.0;
                double r = std::sqrt(dx * dx + dy * dy), a = std::atan2(dy, dx) + f * (kPi / 4) / 8;
                double spoke = std::fabs(std::sin(a * 4)) * r;
                if (r > 40 && r < 46) Put(&c, x, y, Shade(k.plank, 0.35 + 0.5 * (-(dx + dy) / (r * 1.5) + 0.5), x, y));
                else if (r <= 40 && spoke < 1.6) Put(&c, x, y, Shade(k.plank, 0.55, x, y));
                else if (r < 6) Put(&c, x, y, Shade(k.beam, 0.5, x, y));
            }
        s.frames.push_back(c);
        s.info += PanoramaOffset(f, hub - size / 2, kWheel - size / 2, size);
    }
    return s;
}

static SpriteSeries Fire(const RoomInk& k) {
    SpriteSeries s;
    s.prefix = "FIRE";
    const int w = 100, h = 72;
    for (int f = 0; f < 8; f++) {
        Canvas c = MakeCanvas(w, h, 0);
        for (int x = 1; x < w - 1; x++) {
            double env = std::sin((x + 0.5) / w * kPi);
            double tongue = 0.45 + 0.55 * Fractal(x / 9.0, f * 0.9, 0, 3, 91);
            double height = (h - 4) * env * tongue;
            for (int y = 1; y < h - 1; y++) {
                double above = (h - 2) - y;  // height above the hearth
                if (above > height) continue;
                double t = 1.05 - above / height * 0.9 + 0.15 * (Noise(x / 4.0, y / 4.0 + f * 3, 0, 92) - 0.5);
                Put(&c, x, y, Shade(k.fire, t * (0.6 + 0.4 * env), x, y));
            }
        }
        s.frames.push_back(c);
        s.info += PanoramaOffset(f, kFloor - 10 - h + 2, kFire - w / 2, w);
    }
    return s;
}

void PaintHouse(Scene* scene) {
    RoomInk k = MakeRoomInk(&scene->palette);
    Canvas& c = scene->view;
    c = MakeCanvas(kPanoWidth, kPanoHeight, 0);
    PaintShell(&c, k);
    PaintDoorway(&c, k, 100, 200, 230);
    PaintWindow(&c, k, 400, 480, 190, 290);
    PaintWindow(&c, k, 1960, 2030, 190, 290);
    PaintFireplace(&c, k);
    PaintShelf(&c, k);
    PaintTable(&c, k, 1290, 332);
    PaintDeskFar(&c, k);
    PaintWheelFrame(&c, k);

    StampPicture globe;
    globe.x = 1258;
    globe.y = 244;
    globe.picture = MakeCanvas(64, 84, 0);
    Canvas withGlobe = c;
    PaintGlobe(&withGlobe, k, 1290, 286, 28);
    for (int y = 0; y < 84; y++)
        for (int x = 0; x < 64; x++) Put(&globe.picture, x, y, Get(withGlobe, globe.x + x, globe.y + y));
    scene->stamps.push_back(globe);

    scene->sprites.push_back(Fire(k));
    scene->sprites.push_back(SpinningWheel(k));
    scene->itemRamps = {k.ocean, k.land, k.brass};
}

// ---------------------------------------------------------------------------
// The desk, seen from above: 640 x 480.

static DeskInk MakeDeskInk(Palette* p) {
    DeskInk k;
    k.wood = AddRamp3(p, Rgb(40, 20, 10), Rgb(150, 90, 46), Rgb(226, 166, 104), 20);
    k.wall = AddRamp(p, Rgb(20, 14, 10), Rgb(96, 68, 46), 10);
    k.paper = AddRamp(p, Rgb(120, 100, 70), Rgb(252, 242, 216), 10);
    k.leather = AddRamp(p, Rgb(50, 14, 10), Rgb(156, 54, 32), 8);
    k.wax = AddRamp(p, Rgb(150, 130, 100), Rgb(252, 246, 228), 8);
    k.flame = AddRamp(p, Rgb(160, 64, 10), Rgb(255, 250, 204), 8);
    k.brass = AddRamp(p, Rgb(70, 46, 12), Rgb(252, 224, 128), 8);
    k.gemA = AddRamp3(p, Rgb(30, 10, 60), Rgb(150, 90, 230), Rgb(252, 224, 255), 10);
    k.gemB = AddRamp3(p, Rgb(16, 20, 70), Rgb(90, 124, 240), Rgb(224, 242, 255), 10);
    k.ink = AddRamp(p, Rgb(10, 10, 30), Rgb(70, 70, 120), 6);
    k.quill = AddRamp(p, Rgb(120, 110, 100), Rgb(252, 252, 246), 6);
    return k;
}

static const double kCandleX = 575, kCandleY = 130;

static double CandleLight(double x, double y) {
    double dx = (x - kCandleX) / 420, dy = (y - kCandleY) / 360;
    return std::exp(-(dx * dx + dy * dy));
}

static void PaintDeskTop(Canvas* c, const DeskInk& k) {
    for (int y = 0; y < 480; y++)
        for (int x = 0; x < 640; x++) {
            double light = CandleLight(x, y);
            if (y < 140) {
                bool seam = x % 80 < 3 || y > 132;
                double t = 0.15 + 0.6 * light - (seam ? 0.15 : 0) + 0.08 * (Fractal(x / 3.0, y / 40.0, 0, 2, 101) - 0.5);
                Put(c, x, y, Shade(k.wall, t, x, y));
                continue;
            }
            double grain = std::sin(2 * kPi * (y / 11.0 + 2.5 * Fractal(x / 120.0, y / 40.0, 0, 3, 102)));
            double t = 0.12 + 0.62 * light + 0.1 * grain + 0.1 * (Fractal(x / 6.0, y / 1.5, 0, 2, 103) - 0.5) -
                       0.25 * Smooth(400, 480, y) - (y < 146 ? 0.2 : 0);
            Put(c, x, y, Shade(k.wood, t, x, y));
        }
}

static void PaintBook(Canvas* c, const DeskInk& k) {
    FillPolygon(c, {{88, 196}, {270, 208}, {456, 196}, {462, 394}, {270, 410}, {84, 394}}, Shade(k.leather, 0.4, 0, 0));
    Canvas page = MakeCanvas(640, 480, 0);
    FillPolygon(&page, {{98, 202}, {270, 214}, {270, 400}, {94, 386}}, 1);
    FillPolygon(&page, {{270, 214}, {446, 202}, {452, 386}, {270, 400}}, 2);
    for (int y = 190; y < 412; y++)
        for (int x = 80; x < 470; x++) {
            uint8_t which = Get(page, x, y);
            if (!which) {
                if (Get(*c, x, y) == Shade(k.leather, 0.4, 0, 0))
                    Put(c, x, y, Shade(k.leather, 0.2 + 0.5 * CandleLight(x, y) + 0.1 * Hash01(x, y, 104), x, y));
                continue;
            }
            double spine = std::fabs(x - 270) / 176.0;
            double t = 0.35 + 0.55 * std::sqrt(spine) * (0.6 + 0.5 * CandleLight(x, y));
            uint8_t px = Shade(k.paper, t, x, y);
            if (which == 1) {
                int line = (y - 226) / 11, in = (y - 226) % 11;
                double word = Hash01(line, (x - 110) / 14, 105);
                if (line >= 0 && line < 15 && in < 2 && x > 112 && x < 256 && word > 0.15 && (x - 110) % 14 < 11)
                    px = Shade(k.ink, 0.2 + 0.3 * Hash01(x, y, 106), x, y);
            } else {
                double coast = Fractal(x / 40.0, y / 40.0, 0, 3, 107);
                if (std::fabs(coast - 0.5) < 0.012) px = Shade(k.ink, 0.3, x, y);
                else if (coast > 0.5 && (x + y) % 6 == 0) px = Shade(k.ink, 0.6, x, y);
            }
            Put(c, x, y, px);
        }
    for (int i = -6; i <= 6; i++) {  // treasure mark
        Put(c, 392 + i, 300 + i, FIX_RED);
        Put(c, 392 + i, 300 - i, FIX_RED);
        Put(c, 393 + i, 300 + i, FIX_RED);
        Put(c, 393 + i, 300 - i, FIX_RED);
    }
}

static void PaintInkwell(Canvas* c, const DeskInk& k) {
    FillEllipse(c, 506, 262, 26, 10, Shade(k.wood, 0.08, 0, 0));  // shadow
    for (int y = 212; y < 262; y++)
        for (int x = 482; x < 530; x++) {
            double u = (x + 0.5 - 506) / 22.0;
            if (std::fabs(u) > 1) continue;
            Put(c, x, y, Shade(k.ink, 0.15 + 0.7 * std::sqrt(1 - u * u) * (0.4 - 0.6 * u), x, y));
        }
    FillEllipse(c, 506, 212, 22, 7, Shade(k.brass, 0.7, 0, 0));
    FillEllipse(c, 506, 211, 10, 4, Shade(k.ink, 0.0, 0, 0));
    FillPolygon(c, {{510, 212}, {506, 208}, {430, 96}, {446, 104}}, Shade(k.quill, 0.3, 0, 0));
    for (int i = 0; i < 60; i++) {
        double t = i / 60.0;
        double x = 508 - 70 * t, y = 208 - 104 * t;
        double w = 10 * std::sin(t * kPi) + 1;
        for (double s = -w; s <= w; s += 0.5)
            Put(c, (int)(x + s * 0.85), (int)(y + s * -0.55), Shade(k.quill, 0.5 + 0.45 * (s / w), (int)x, (int)(y + s)));
    }
}

static void PaintCandle(Canvas* c, const DeskInk& k) {
    FillEllipse(c, kCandleX + 6, 262, 40, 12, Shade(k.wood, 0.15, 0, 0));
    FillEllipse(c, kCandleX, 252, 34, 11, Shade(k.brass, 0.45, 0, 0));
    FillEllipse(c, kCandleX, 249, 28, 8, Shade(k.brass, 0.8, 0, 0));
    for (int y = 140; y < 248; y++)
        for (int x = (int)kCandleX - 12; x <= kCandleX + 12; x++) {
            double u = (x + 0.5 - kCandleX) / 12.5;
            double t = 0.3 + 0.7 * std::sqrt(std::max(0.0, 1 - u * u)) - 0.3 * u + (y < 146 ? 0.2 : 0);
            Put(c, x, y, Shade(k.wax, t, x, y));
        }
    for (int y = 132; y < 141; y++) Put(c, (int)kCandleX, y, Shade(k.ink, 0.0, 0, 0));  // wick
}

static void PaintGem(Canvas* c, const DeskInk& k, double cx, double cy) {
    FillEllipse(c, cx + 6, cy + 20, 26, 8, Shade(k.wood, 0.1, 0, 0));
    for (int y = (int)cy - 26; y < cy + 26; y++)
        for (int x = (int)cx - 26; x < cx + 26; x++) {
            double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
            bool crown = dy < -6;
            double lim = crown ? 24 - (-6 - dy) * 0.6 : 24 - (dy + 6) * 1.1;
            if (std::fabs(dx) > lim || dy < -18 || dy > 16) continue;
            int facet = (int)std::floor((dx + 24) / 12) + (crown ? 0 : 4);
            double t = 0.25 + 0.6 * Hash01(facet, 0, 108) + (crown && std::fabs(dx) < 10 ? 0.25 : 0) - 0.1 * dy / 16;
            Put(c, x, y, Shade(facet % 2 ? k.gemA : k.gemB, t, x, y));
        }
}

static SpriteSeries CandleFlame(const DeskInk& k) {
    SpriteSeries s;
    s.prefix = "CNDL";
    const int w = 24, h = 40;
    const double sway[6] = {0, 1.2, 0.5, -0.8, -1.3, 0.4};
    const double tall[6] = {1.0, 0.92, 1.05, 0.95, 0.88, 1.0};
    for (int f = 0; f < 6; f++) {
        Canvas c = MakeCanvas(w, h, 0);
        for (int y = 1; y < h - 1; y++)
            for (int x = 1; x < w - 1; x++) {
                double v = (h - 4 - y) / (30.0 * tall[f]);  // 0 at the wick, 1 at the tip
                if (v < -0.12 || v > 1) continue;
                double centre = w / 2.0 + sway[f] * v * v * 3;
                double width = 6.5 * std::sin(std::min(1.0, (v + 0.12) / 1.12) * kPi) * (1 - 0.3 * v);
                double d = std::fabs(x + 0.5 - centre) / std::max(0.5, width);
                if (d > 1) continue;
                double t = 1.0 - 0.55 * d - 0.35 * v + (v < 0.1 ? -0.4 : 0);
                Put(&c, x, y, Shade(k.flame, t, x, y));
            }
        s.frames.push_back(c);
        s.info += CloseupOffset(f, (int)kCandleX - w / 2, 140 - h + 4);
    }
    return s;
}

void PaintDesk(Scene* scene) {
    DeskInk k = MakeDeskInk(&scene->palette);
    Canvas& c = scene->view;
    c = MakeCanvas(640, 480, 0);
    PaintDeskTop(&c, k);
    PaintBook(&c, k);
    PaintInkwell(&c, k);
    PaintCandle(&c, k);

    StampPicture gem;
    gem.x = 440;
    gem.y = 320;
    gem.picture = MakeCanvas(64, 64, 0);
    Canvas withGem = c;
    PaintGem(&withGem, k, 472, 350);
    for (int y = 0; y < 64; y++)
        for (int x = 0; x < 64; x++) Put(&gem.picture, x, y, Get(withGem, gem.x + x, gem.y + y));
    scene->stamps.push_back(gem);

    scene->sprites.push_back(CandleFlame(k));
    scene->itemRamps = {k.gemA, k.gemB};
}

// The village square: a 360-degree panorama of timbered houses round a
// cobbled square, a town gate to the open country, a windmill on a hill, a
// lamp by the cottage door and a jar on a barrel.
#include <algorithm>
#include <cmath>

#include "tools/demoworld/demo.h"

namespace {
struct Ink {
    Ramp sky, cloud, hill, leaf, trunk, plaster, roof, timber, glass, door, stone, dirt, glow, clay,
        glaze, mill;
};
}  // namespace

static const int kHorizon = 270;
static const int kBase = 380;   // where walls meet the square
static const int kSun = 1600;   // column of the sun
static const int kMill = 1430;  // column of the windmill
static const int kArch = 1560;  // column of the town gate

// 1 for a wall facing the sun (the sun is behind the viewer), 0 against it.
static double SunOn(double x) { return 0.5 + 0.5 * std::cos(2 * kPi * Around(x + kPanoWidth / 2, kSun) / kPanoWidth); }

static double HillTop(double x) {
    double d = Around(x, kMill);
    return kHorizon - 14 - 34 * Fractal(x / 256.0, 3.3, 8, 4, 11) - 44 * std::exp(-(d / 120) * (d / 120));
}

static Ink MakeInk(Palette* p) {
    Ink k;
    k.sky = AddRamp3(p, Rgb(38, 74, 150), Rgb(112, 166, 226), Rgb(252, 226, 186), 28);
    k.cloud = AddRamp(p, Rgb(150, 146, 168), Rgb(255, 250, 244), 8);
    k.hill = AddRamp(p, Rgb(52, 82, 74), Rgb(150, 172, 150), 10);
    k.leaf = AddRamp3(p, Rgb(18, 40, 16), Rgb(70, 118, 40), Rgb(184, 206, 96), 16);
    k.trunk = AddRamp(p, Rgb(40, 26, 16), Rgb(128, 92, 60), 8);
    k.plaster = AddRamp(p, Rgb(104, 86, 70), Rgb(240, 222, 186), 14);
    k.roof = AddRamp3(p, Rgb(58, 20, 16), Rgb(168, 68, 44), Rgb(226, 138, 96), 14);
    k.timber = AddRamp(p, Rgb(34, 22, 14), Rgb(112, 76, 46), 8);
    k.glass = AddRamp(p, Rgb(20, 30, 52), Rgb(150, 186, 220), 6);
    k.door = AddRamp(p, Rgb(52, 28, 14), Rgb(160, 102, 54), 12);
    k.stone = AddRamp(p, Rgb(46, 43, 42), Rgb(182, 172, 156), 12);
    k.dirt = AddRamp(p, Rgb(84, 62, 42), Rgb(196, 166, 124), 6);
    k.glow = AddRamp(p, Rgb(130, 72, 20), Rgb(255, 244, 176), 7);
    k.clay = AddRamp3(p, Rgb(70, 30, 16), Rgb(190, 96, 52), Rgb(244, 176, 128), 10);
    k.glaze = AddRamp(p, Rgb(18, 30, 74), Rgb(110, 150, 220), 6);
    k.mill = AddRamp(p, Rgb(92, 86, 82), Rgb(244, 238, 228), 6);
    return k;
}

static void PaintSkyAndLand(Canvas* c, const Ink& k) {
    for (int y = 0; y < kPanoHeight; y++) {
        for (int x = 0; x < kPanoWidth; x++) {
            uint8_t px;
            double hill = HillTop(x);
            if (y < hill) {
                double v = (double)y / kHorizon;
                double dt = Around(x, kSun) / kPanoWidth * 2 * kPi, dp = (y - 150.0) / kPanoWidth * 2 * kPi;
                double d2 = dt * dt + dp * dp;
                double glow = std::exp(-d2 / 0.05);
                double t = 0.12 + 0.58 * std::pow(v, 1.4) + 0.4 * glow + (d2 < 0.0011 ? 1 : 0);
                px = Shade(k.sky, t, x, y);
                double n = Fractal(x / 128.0, y / 36.0, 16, 4, 5);
                double cover = Smooth(0.5, 0.68, n) * (1 - Smooth(0.6, 0.95, v));
                if (cover > 0) {
                    double ct = 0.45 + 0.5 * (1 - v) + 0.4 * (n - 0.6) + 0.3 * glow;
                    px = Blend(px, Shade(k.cloud, ct, x, y), cover * 1.3, x, y);
                }
            } else if (y < kHorizon + 4) {
                double t = 0.3 + 0.45 * (1 - (y - hill) / (kHorizon + 4 - hill)) +
                           0.3 * (Fractal(x / 24.0, y / 8.0, 0, 3, 12) - 0.5) + 0.15 * SunOn(x);
                px = Shade(k.hill, t, x, y);
            } else if (y < kBase) {
                // Fields beyond the town: strips of crops going to the horizon.
                double strip = Fractal(x / 90.0, (y - kHorizon) / 5.0, 0, 2, 13);
                double t = 0.25 + 0.5 * strip + 0.2 * (Fractal(x / 6.0, y / 3.0, 0, 2, 14) - 0.5) +
                           0.1 * (y - kHorizon) / 110.0;
                px = Shade(k.leaf, t, x, y);
            } else {
                // The square: rings of cobbles round the viewer.
                double s = 2400.0 / (y - kHorizon);
                double r = s / 0.8;
                int ring = (int)std::floor(r);
                double fr = r - ring;
                int count = std::max(8, (int)std::lround(2 * kPi * s / 0.9));
                double pos = (double)x / kPanoWidth * count + Hash01(ring, 0, 21) * count;
                int stone = (int)std::floor(pos);
                double fs = pos - stone;
                stone %= count;
                double mr = std::max(0.1, s * s / 2400.0 / 0.8), ms = std::max(0.1, (double)count / kPanoWidth);
                double lateral = std::fabs(Around(x, kArch)) / kPanoWidth * 2 * kPi * s;
                double t;
                if (fr < mr || fs < ms) {
                    t = 0.12 + 0.1 * Hash01(x, y, 22);
                } else {
                    t = 0.32 + 0.32 * Hash01(ring, stone, 23) + 0.18 * (1 - fr) +
                        0.12 * (Fractal(x / 3.0, y / 2.0, 0, 2, 24) - 0.5) + 0.1 * SunOn(x) - 0.1;
                }
                px = Shade(k.stone, t, x, y);
                if (lateral < 1.3) {
                    double dirt = 0.3 + 0.35 * Fractal(x / 7.0, y / 3.0, 0, 3, 25) + 0.2 * (1.3 - lateral);
                    px = Blend(px, Shade(k.dirt, dirt, x, y), Smooth(1.3, 0.9, lateral), x, y);
                }
            }
            Put(c, x, y, px);
        }
    }
    // The road beyond the gate, narrowing to the hills.
    for (int y = kHorizon + 2; y < kBase; y++) {
        double half = 1.3 * (y - kHorizon) / (2400.0 / kPanoWidth * 2 * kPi) / 14;
        for (int x = (int)(kArch - half - 2); x <= kArch + half + 2; x++) {
            double d = std::fabs(x - kArch) / std::max(0.5, half);
            if (d < 1) Put(c, x, y, Shade(k.dirt, 0.45 + 0.3 * Fractal(x / 4.0, y / 2.0, 0, 2, 26), x, y));
        }
    }
}

static void PaintMillBody(Canvas* c, const Ink& k, int hub) {
    int base = (int)HillTop(kMill) + 6;
    for (int y = hub - 6; y < base; y++) {
        double half = 7 + 6.0 * (y - hub) / (base - hub);
        for (int x = (int)(kMill - half); x <= kMill + half; x++) {
            double u = (x - kMill) / half;
            Put(c, x, y, Shade(k.mill, 0.75 - 0.45 * u - (y > base - 6 ? 0.3 : 0), x, y));
        }
    }
    for (int y = hub - 14; y < hub - 4; y++)
        for (int x = kMill - 10; x <= kMill + 10; x++)
            if (std::fabs(x - kMill) < 10 - (hub - 4 - y) * 0.8) Put(c, x, y, Shade(k.roof, 0.4 - (x - kMill) * 0.03, x, y));
    for (int y = hub + 14; y < hub + 22; y++)
        for (int x = kMill - 2; x <= kMill + 2; x++) Put(c, x, y, Shade(k.timber, 0.2, x, y));
}

namespace {
struct House {
    int x0, x1, top, roofH;
    bool gable, timbered, chimney;
};
}  // namespace

static void PaintWindow(Canvas* c, const Ink& k, int x0, int y0, int w, int h, double light) {
    for (int y = y0 - 2; y < y0 + h + 2; y++)
        for (int x = x0 - 2; x < x0 + w + 2; x++) {
            bool frame = x < x0 || y < y0 || x >= x0 + w || y >= y0 + h || x == x0 + w / 2 || y == y0 + h / 2;
            if (frame) {
                Put(c, x, y, Shade(k.timber, 0.35 + 0.3 * light, x, y));
            } else {
                double t = 0.2 + 0.5 * std::fmod((x - x0 + (y0 + h - y)) / 26.0, 1.0) * light + 0.1 * (y0 + h - y) / h;
                Put(c, x, y, Shade(k.glass, t, x, y));
            }
        }
    for (int x = x0 - 4; x < x0 + w + 4; x++)  // sill
        for (int y = y0 + h + 2; y < y0 + h + 5; y++) Put(c, x, y, Shade(k.stone, 0.55 + 0.3 * light - (y - y0 - h) * 0.08, x, y));
}

static void PaintBuilding(Canvas* c, const Ink& k, const House& h) {
    int w = h.x1 - h.x0;
    double light = SunOn((h.x0 + h.x1) / 2.0);
    int mid = (h.top + kBase) / 2;
    for (int y = h.top; y < kBase; y++)
        for (int x = h.x0; x < h.x1; x++) {
            int u = x - h.x0;
            double t = 0.35 + 0.45 * light + 0.12 * (Fractal(x / 9.0, y / 9.0, 0, 3, 31) - 0.5) -
                       0.25 * Smooth(kBase - 40, kBase, y) - 0.12 * Smooth(12, 0, std::min(u, w - 1 - u));
            uint8_t px = Shade(k.plaster, t, x, y);
            if (y >= kBase - 14) px = Shade(k.stone, 0.3 + 0.35 * light + 0.2 * Hash01(x / 12 + (y / 7) * 3, y / 7, 32), x, y);
            if (h.timbered) {
                int bay = 52;
                int v = u % bay;
                bool post = u < 5 || u > w - 6 || v < 4;
                bool beam = (y - h.top) < 5 || std::abs(y - mid) < 3 || (y >= kBase - 18 && y < kBase - 14);
                int lower = kBase - 18 - mid;
                bool brace = y > mid + 2 && y < kBase - 18 && std::abs(v - 4 - (y - mid) * (bay - 8) / std::max(1, lower)) < 3;
                if (post || beam || brace) px = Shade(k.timber, 0.25 + 0.35 * light + 0.1 * Hash01(x, y / 3, 33), x, y);
            }
            Put(c, x, y, px);
        }
    // Windows on two floors, between the posts.
    for (int wx = h.x0 + 14; wx + 24 < h.x1 - 8; wx += 52) {
        PaintWindow(c, k, wx + 2, h.top + 16, 22, 30, light);
        if (wx < h.x0 + 100 || wx > h.x0 + 160) PaintWindow(c, k, wx + 2, mid + 14, 22, 32, light);
    }
    // Chimney first, so the roof covers its foot.
    if (h.chimney) {
        int cx = h.x1 - 50;
        for (int y = h.top - h.roofH - 26; y < h.top; y++)
            for (int x = cx; x < cx + 20; x++)
                Put(c, x, y, Shade(k.stone, 0.3 + 0.4 * light - (x - cx) * 0.01 + 0.25 * Hash01(x / 6 + y / 4, y / 4, 36), x, y));
    }
    // Roof.
    for (int y = h.top - h.roofH; y < h.top + 4; y++) {
        double f = (double)(y - (h.top - h.roofH)) / h.roofH;  // 0 at the ridge, 1 at the eaves
        for (int x = h.x0 - 10; x < h.x1 + 10; x++) {
            int u = x - h.x0;
            if (h.gable) {
                double half = (w / 2.0 + 10) * f;
                double d = std::fabs(x - (h.x0 + h.x1) / 2.0);
                if (d > half) continue;
                if (half - d < 9) {
                    Put(c, x, y, Shade(k.roof, 0.3 + 0.4 * light - 0.2 * (half - d) / 9, x, y));
                } else if (y >= h.top - h.roofH + 8) {
                    double t = 0.3 + 0.4 * light + 0.1 * (Fractal(x / 9.0, y / 9.0, 0, 3, 34) - 0.5);
                    Put(c, x, y, Shade(k.plaster, t, x, y));
                }
            } else {
                double inset = (1 - f) * h.roofH * 0.55;
                if (u < -10 + inset || u > w + 9 - inset) continue;
                int row = (y - (h.top - h.roofH)) / 7;
                double fy = std::fmod((y - (h.top - h.roofH)) / 7.0, 1.0);
                double tile = std::fmod((u + (row % 2) * 6) / 12.0, 1.0);
                double t = 0.25 + 0.45 * light + 0.25 * fy - (tile < 0.1 ? 0.2 : 0) + 0.15 * Hash01(row, (u + (row % 2) * 6) / 12, 35) -
                           (y >= h.top ? 0.3 : 0);
                Put(c, x, y, Shade(k.roof, t, x, y));
            }
        }
    }
    if (h.gable) PaintWindow(c, k, (h.x0 + h.x1) / 2 - 8, h.top - h.roofH / 2, 16, 18, light);
}

static void PaintCottageDoor(Canvas* c, const Ink& k, int x0, int x1) {
    int top = kBase - 78, cx = (x0 + x1) / 2, r = (x1 - x0) / 2;
    for (int y = top - r - 4; y < kBase; y++)
        for (int x = x0 - 4; x < x1 + 4; x++) {
            double dy = y < top ? top - y : 0, dx = x + 0.5 - cx;
            double d = std::sqrt(dx * dx + dy * dy);
            if (d > r + 4) continue;
            if (d > r || (y >= kBase - 4 && std::fabs(dx) < r)) {
                Put(c, x, y, Shade(k.stone, 0.45 + 0.3 * Hash01((int)(std::atan2(dy, dx) * 6), (int)(d / 3), 41), x, y));
                continue;
            }
            int plank = (x - x0) / 10;
            double t = 0.35 + 0.2 * Hash01(plank, 0, 42) + 0.1 * (Fractal(x / 2.0, y / 30.0, 0, 2, 43) - 0.5) -
                       ((x - x0) % 10 == 0 ? 0.25 : 0) - 0.2 * dy / r;
            uint8_t px = Shade(k.door, t, x, y);
            if (std::abs(y - (top + 10)) < 3 || std::abs(y - (kBase - 20)) < 3) px = Shade(k.timber, 0.1, x, y);
            Put(c, x, y, px);
        }
    FillEllipse(c, cx + r - 12, kBase - 45, 4, 4, Shade(k.timber, 0.0, 0, 0));
    FillEllipse(c, cx + r - 12, kBase - 45, 2.5, 2.5, Shade(k.door, 0.0, 0, 0));
}

static void PaintGate(Canvas* c, const Ink& k) {
    const int wallTop = 300, towerTop = 216, t0 = kArch - 70, t1 = kArch + 70, archTop = 285, half = 35;
    for (int x = 1380; x < 1770; x++) {
        bool tower = x >= t0 && x < t1;
        int top = tower ? towerTop : wallTop;
        if (((x - (tower ? t0 : 1380)) / 14) % 2 == 0) top -= 10;  // battlements
        double light = SunOn(x);
        for (int y = top; y < kBase; y++) {
            double dx = x + 0.5 - kArch;
            bool opening = std::fabs(dx) < half && (y >= archTop || dx * dx + (archTop - y) * (archTop - y) < half * half);
            if (opening) continue;
            int row = (y - top) / 9;
            int col = (x + (row % 2) * 9) / 18;
            bool joint = (y - top) % 9 == 0 || (x + (row % 2) * 9) % 18 == 0;
            double t = 0.3 + 0.35 * light + 0.2 * Hash01(row, col, 51) - (joint ? 0.18 : 0) -
                       0.2 * Smooth(kBase - 30, kBase, y) + (tower ? 0.05 : 0);
            double rim = std::sqrt(dx * dx + std::pow(std::max(0, archTop - y), 2));
            if (rim < half + 8 && tower) t = 0.55 + 0.25 * light - (rim < half + 1 ? 0.35 : 0);
            Put(c, x, y, Shade(k.stone, t, x, y));
        }
    }
}

static void PaintTree(Canvas* c, const Ink& k, int tx, int base, double size) {
    int crown = base - (int)(130 * size);
    for (int y = crown; y < base; y++) {
        double w = 5 * size + 2 * Smooth(base - 20, base, y);
        for (int x = (int)(tx - w); x <= tx + w; x++) {
            double u = (x - tx) / w;
            PutWrap(c, x, y, Shade(k.trunk, 0.55 - 0.45 * u + 0.15 * (Fractal(x / 2.0, y / 9.0, 0, 2, 61) - 0.5), x, y));
        }
    }
    double R = 62 * size, cy = crown - 10 * size;
    for (int y = (int)(cy - R * 1.3); y < cy + R * 1.1; y++)
        for (int x = (int)(tx - R * 1.3); x < tx + R * 1.3; x++) {
            double dx = (x - tx) / R, dy = (y - cy) / (R * 0.9);
            double edge = 0.7 + 0.45 * Fractal(x / 14.0, y / 14.0, 0, 3, 62 + tx);
            double d = std::sqrt(dx * dx + dy * dy);
            if (d > edge) continue;
            double leaves = Fractal(x / 4.0, y / 4.0, 0, 3, 63);
            double t = 0.5 - 0.28 * dx - 0.32 * dy + 0.45 * (leaves - 0.5) - 0.25 * Smooth(edge - 0.25, edge, d) * (dy > 0 ? 1 : 0.3);
            PutWrap(c, x, y, Shade(k.leaf, t, x, y));
        }
}

static void PaintBarrel(Canvas* c, const Ink& k, int x0, int x1, int top, int base) {
    for (int y = top; y < base; y++) {
        double f = (double)(y - top) / (base - top);
        double bulge = 1 + 0.08 * std::sin(f * kPi);
        double cx = (x0 + x1) / 2.0, half = (x1 - x0) / 2.0 * bulge / 1.08;
        for (int x = (int)(cx - half); x <= cx + half; x++) {
            double u = (x + 0.5 - cx) / half;
            if (std::fabs(u) > 1) continue;
            double t = 0.2 + 0.55 * std::sqrt(1 - u * u) - 0.2 * u - (((int)((u + 1) * 5)) % 2 ? 0.05 : 0);
            uint8_t px = Shade(k.door, t, x, y);
            if (std::fabs(f - 0.18) < 0.05 || std::fabs(f - 0.82) < 0.05) px = Shade(FixedRamp(FIX_GREYS, 16), t * 0.6, x, y);
            Put(c, x, y, px);
        }
    }
    FillEllipse(c, (x0 + x1) / 2.0, top, (x1 - x0) / 2.0 - 1, 4, Shade(k.door, 0.15, 0, 0));
}

// The jar as it stands on the barrel, matching the item view's profile.
static void PaintJar(Canvas* c, const Ink& k, double cx, int base) {
    for (int y = base - 72; y < base; y++) {
        double h = (base - y) / 72.0;  // 0 bottom .. 1 top
        double r = h > 0.86 ? 9 + 3 * Smooth(0.94, 1.0, h) : 11 + 15 * std::sin(std::min(1.0, h / 0.86) * kPi) * (1 - 0.25 * h);
        for (int x = (int)(cx - r - 1); x <= cx + r + 1; x++) {
            double u = (x + 0.5 - cx) / r;
            if (std::fabs(u) > 1) continue;
            double light = 0.25 + 0.6 * std::sqrt(1 - u * u) - 0.25 * u;
            bool band = std::fabs(h - 0.55) < 0.08;
            uint8_t px = band ? Shade(k.glaze, light + 0.1 * std::sin(x * 1.3), x, y) : Shade(k.clay, light, x, y);
            if (h > 0.97 && std::fabs(u) < 0.75) px = Shade(k.clay, 0.05, x, y);  // the mouth
            Put(c, x, y, px);
        }
    }
}

static SpriteSeries Sails(const Ink& k, int hub) {
    SpriteSeries s;
    s.prefix = "MILL";
    const int size = 72;
    for (int f = 0; f < 8; f++) {
        Canvas c = MakeCanvas(size, size, 0);
        double turn = f * (kPi / 2) / 8;
        for (int y = 0; y < size; y++)
            for (int x = 0; x < size; x++) {
                double dx = x + 0.5 - size / 2.0, dy = y + 0.5 - size / 2.0;
                double r = std::sqrt(dx * dx + dy * dy);
                if (r > 34 || r < 2) continue;
                double a = std::atan2(dy, dx) - turn;
                double blade = std::fmod(a + 8 * kPi, kPi / 2);  // angle within a quarter
                double along = r, across = r * std::sin(blade);
                if (std::fabs(across) < 1.4) {
                    Put(&c, x, y, Shade(k.timber, 0.3, x, y));
                } else if (across > 1.4 && across < 9 && along > 8) {
                    bool lattice = std::fmod(along, 5) < 1 || std::fmod(across, 4) < 0.8;
                    Put(&c, x, y, lattice ? Shade(k.timber, 0.55, x, y) : Shade(k.mill, 0.9 - across / 18, x, y));
                }
            }
        FillEllipse(&c, size / 2.0, size / 2.0, 3, 3, Shade(k.timber, 0.1, 0, 0));
        s.frames.push_back(c);
        s.info += PanoramaOffset(f, hub - size / 2, kMill - size / 2, size);
    }
    return s;
}

static SpriteSeries LampFlame(const Ink& k, int left, int top) {
    SpriteSeries s;
    s.prefix = "LAMP";
    const double flicker[6] = {1.0, 0.85, 0.95, 0.7, 0.9, 0.8};
    for (int f = 0; f < 6; f++) {
        Canvas c = MakeCanvas(15, 15, 0);
        for (int y = 0; y < 15; y++)
            for (int x = 0; x < 15; x++) {
                if (x == 0 || x == 14 || y == 0 || y == 14) continue;  // the frame of the housing shows round it
                double dx = (x + 0.5 - 7.5) / 4.0, dy = (y + 0.5 - 9.0 - f % 2) / 6.0;
                double flame = 1 - std::sqrt(dx * dx + dy * dy * (dy < 0 ? 0.6 : 1.6));
                double t = 0.25 * flicker[f] + 0.15 * (1 - std::fabs(x - 7.5) / 7) + (flame > 0 ? flame * 1.2 * flicker[f] : 0);
                Put(&c, x, y, Shade(k.glow, t, x + f, y));
            }
        s.frames.push_back(c);
        s.info += PanoramaOffset(f, top, left, 15);
    }
    return s;
}

static void PaintLampPost(Canvas* c, const Ink& k, int x, int base) {
    Ramp iron = FixedRamp(FIX_GREYS, 16);
    for (int y = base - 92; y < base; y++)
        for (int dx = -2; dx <= 2; dx++) Put(c, x + dx, y, Shade(iron, 0.15 + 0.1 * (2 - dx), x + dx, y));
    for (int y = base - 112; y < base - 92; y++)
        for (int dx = -9; dx <= 9; dx++) Put(c, x + dx, y, Shade(iron, 0.1 + (std::abs(dx) > 7 ? 0.15 : 0), x + dx, y));
    for (int y = base - 118; y < base - 112; y++)
        for (int dx = -(y - (base - 120)) * 2; dx <= (y - (base - 120)) * 2; dx++) Put(c, x + dx, y, Shade(iron, 0.2, x + dx, y));
    (void)k;
}

void PaintCourt(Scene* scene) {
    Ink k = MakeInk(&scene->palette);
    Canvas& c = scene->view;
    c = MakeCanvas(kPanoWidth, kPanoHeight, 0);
    PaintSkyAndLand(&c, k);
    int hub = (int)HillTop(kMill) - 40;
    PaintMillBody(&c, k, hub);

    const House houses[] = {
        {140, 470, 235, 95, false, true, false}, {560, 820, 215, 110, true, false, false},
        {860, 1090, 250, 70, false, true, true},  {1120, 1370, 225, 100, true, false, true},
        {1790, 2030, 240, 85, false, true, false}};
    for (const House& h : houses) PaintBuilding(&c, k, h);
    PaintCottageDoor(&c, k, 280, 340);
    PaintGate(&c, k);
    PaintTree(&c, k, 2085, kBase + 10, 1.0);
    PaintTree(&c, k, 838, kBase + 12, 0.9);
    PaintTree(&c, k, 1700, kBase + 8, 0.8);
    PaintTree(&c, k, 1260 + 40, kBase + 16, 0.75);
    PaintLampPost(&c, k, 374, kBase + 12);
    PaintBarrel(&c, k, 486, 530, 344, kBase + 12);

    // The jar: its picture is the scene with the jar in it; the panorama
    // file itself has the empty barrel top.
    StampPicture jar;
    jar.x = 476;
    jar.y = 270;
    jar.picture = MakeCanvas(64, 80, 0);
    Canvas withJar = c;
    PaintJar(&withJar, k, 508, 346);
    for (int y = 0; y < 80; y++)
        for (int x = 0; x < 64; x++) Put(&jar.picture, x, y, Get(withJar, jar.x + x, jar.y + y));
    scene->stamps.push_back(jar);

    scene->sprites.push_back(Sails(k, hub));
    scene->sprites.push_back(LampFlame(k, 374 - 7, kBase + 12 - 110));
    scene->itemRamps = {k.clay, k.glaze};
}

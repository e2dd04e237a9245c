// The starter world of `zemworld new`: a garden panorama with a shed, a
// pinwheel turning on a pole and a vase to pick up, the inside of the shed
// as a closeup, and the pictures every world needs. Everything is painted
// here, as PNGs an author can open and change.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>

#include "tools/assets/assets.h"
#include "tools/zemworld/import.h"

namespace fs = std::filesystem;

static const double Pi = 3.14159265358979323846;

// ---------------------------------------------------------------------------
// Painting: shapes are covered with 4 x 4 samples a pixel, so edges are soft.

struct Colour {
    double r, g, b, a;
};
static Colour Rgb(uint32_t rgb, double a = 1) {
    return {(double)(rgb >> 16 & 255), (double)(rgb >> 8 & 255), (double)(rgb & 255), a};
}
static Colour Mix(Colour x, Colour y, double t) {
    t = std::clamp(t, 0.0, 1.0);
    return {x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t, x.a + (y.a - x.a) * t};
}

static void Blend(Rgba* c, int x, int y, Colour k, double cover) {
    if (x < 0 || y < 0 || x >= c->width || y >= c->height || cover <= 0) return;
    uint8_t* p = &c->pixels[((size_t)y * c->width + x) * 4];
    double a = std::clamp(k.a * cover, 0.0, 1.0), under = p[3] / 255.0;
    double out = a + under * (1 - a);
    if (out <= 0) return;
    double v[3] = {k.r, k.g, k.b};
    for (int i = 0; i < 3; i++) p[i] = (uint8_t)std::lround((v[i] * a + p[i] * under * (1 - a)) / out);
    p[3] = (uint8_t)std::lround(out * 255);
}

using Inside = std::function<bool(double, double)>;
using Paint = std::function<Colour(double, double)>;

static void Shape(Rgba* c, double x0, double y0, double x1, double y1, const Inside& inside, const Paint& paint) {
    for (int y = std::max(0, (int)std::floor(y0)); y < std::min(c->height, (int)std::ceil(y1)); y++)
        for (int x = std::max(0, (int)std::floor(x0)); x < std::min(c->width, (int)std::ceil(x1)); x++) {
            int hits = 0;
            for (int s = 0; s < 16; s++) hits += inside(x + (s % 4 + 0.5) / 4, y + (s / 4 + 0.5) / 4);
            if (hits) Blend(c, x, y, paint(x + 0.5, y + 0.5), hits / 16.0);
        }
}
static void Fill(Rgba* c, const Paint& paint) {
    for (int y = 0; y < c->height; y++)
        for (int x = 0; x < c->width; x++) Blend(c, x, y, paint(x + 0.5, y + 0.5), 1);
}
static void Disc(Rgba* c, double cx, double cy, double r, Colour k) {
    Shape(c, cx - r, cy - r, cx + r, cy + r,
          [=](double x, double y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) < r * r; },
          [=](double, double) { return k; });
}
static void Box(Rgba* c, double x0, double y0, double x1, double y1, Colour k) {
    Shape(c, x0, y0, x1, y1, [=](double x, double y) { return x >= x0 && x < x1 && y >= y0 && y < y1; },
          [=](double, double) { return k; });
}
static bool InPolygon(const std::vector<std::pair<double, double>>& p, double x, double y) {
    bool in = false;
    for (size_t i = 0, j = p.size() - 1; i < p.size(); j = i++)
        if ((p[i].second > y) != (p[j].second > y) &&
            x < (p[j].first - p[i].first) * (y - p[i].second) / (p[j].second - p[i].second) + p[i].first)
            in = !in;
    return in;
}
static void Polygon(Rgba* c, const std::vector<std::pair<double, double>>& p, Colour k) {
    double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
    for (auto& q : p) {
        x0 = std::min(x0, q.first);
        x1 = std::max(x1, q.first);
        y0 = std::min(y0, q.second);
        y1 = std::max(y1, q.second);
    }
    Shape(c, x0, y0, x1 + 1, y1 + 1, [&](double x, double y) { return InPolygon(p, x, y); },
          [=](double, double) { return k; });
}
// A line as a thin polygon.
static void Line(Rgba* c, double ax, double ay, double bx, double by, double width, Colour k) {
    double dx = bx - ax, dy = by - ay, l = std::max(1e-9, std::hypot(dx, dy));
    double nx = -dy / l * width / 2, ny = dx / l * width / 2;
    Polygon(c, {{ax + nx, ay + ny}, {bx + nx, by + ny}, {bx - nx, by - ny}, {ax - nx, ay - ny}}, k);
}
static double Noise(double x, double y) {
    double v = std::sin(x * 12.9898 + y * 78.233) * 43758.5453;
    return v - std::floor(v);
}

// ---------------------------------------------------------------------------
// The garden: 2048 columns round, 533 rows, horizon at row 266.

static const int GardenWidth = 2048, GardenHeight = 533, Horizon = 266;
// What the player sees first (columns 0 to 639 at the start-up pan): the
// pinwheel, the shed with its door, the vase.
static const int ShedLeft = 250, ShedRight = 430, DoorLeft = 310, DoorTop = 200, DoorWidth = 60, DoorHeight = 110;
static const int VaseX = 490, VaseY = 330, VaseW = 48, VaseH = 72;
static const int PoleColumn = 150, WheelTop = 150, WheelSide = 64;

static Rgba Garden() {
    Rgba c = MakeRgba(GardenWidth, GardenHeight, 0);
    Colour top = Rgb(0x3A78C8), haze = Rgb(0xBFD9F0), grassNear = Rgb(0x3E7F2A), grassFar = Rgb(0x8DBE5A);
    Fill(&c, [&](double x, double y) {
        if (y < Horizon) return Mix(top, haze, std::pow(y / Horizon, 1.6));
        Colour g = Mix(grassFar, grassNear, (y - Horizon) / (GardenHeight - Horizon));
        double n = Noise(std::floor(x / 3), std::floor(y / 3)) * 0.12 - 0.06;
        return Colour{g.r * (1 + n), g.g * (1 + n), g.b * (1 + n), 1};
    });
    // The sun, and hills all round.
    Disc(&c, 1300, 90, 34, Rgb(0xFFF2B0));
    Disc(&c, 1300, 90, 28, Rgb(0xFFFBE0));
    for (int layer = 0; layer < 2; layer++) {
        Colour hill = layer ? Rgb(0x6FA04A) : Rgb(0x9FBFA0);
        double base = Horizon + (layer ? 4 : 0);
        Shape(&c, 0, Horizon - 90, GardenWidth, Horizon + 6,
              [=](double x, double y) {
                  double a = x / GardenWidth * 2 * Pi;
                  double h = 28 + 22 * std::sin(a * 3 + layer) + 14 * std::sin(a * 7 + 2 * layer) + (layer ? 0 : 20);
                  return y > base - h && y < base + 2;
              },
              [=](double, double) { return hill; });
    }
    // Trees.
    for (int t = 0; t < 9; t++) {
        double x = 120 + t * 229 + 40 * std::sin(t * 1.7), s = 0.7 + 0.3 * Noise(t, 3);
        if (std::fabs(x - (ShedLeft + ShedRight) / 2.0) < 170 || std::fabs(x - PoleColumn) < 60 ||
            std::fabs(x - VaseX) < 60)
            continue;
        Box(&c, x - 6 * s, Horizon - 30 * s, x + 6 * s, Horizon + 14 * s, Rgb(0x6B4A2E));
        for (int k = 0; k < 5; k++)
            Disc(&c, x + (k - 2) * 14 * s, Horizon - 50 * s - (k % 2) * 18 * s, 26 * s, Mix(Rgb(0x2F6B2A), Rgb(0x4F9A3A), k / 4.0));
    }
    // The shed, with its door.
    Polygon(&c, {{ShedLeft - 14.0, DoorTop - 10.0}, {(ShedLeft + ShedRight) / 2.0, DoorTop - 80.0}, {ShedRight + 14.0, DoorTop - 10.0}},
            Rgb(0x8E3B2E));
    Shape(&c, ShedLeft, DoorTop - 12, ShedRight, DoorTop + DoorHeight + 4,
          [](double, double) { return true; },
          [](double x, double) {
              double plank = std::fmod(x - ShedLeft, 20) < 1.5 ? 0.75 : 1.0;
              return Colour{190 * plank, 150 * plank, 100 * plank, 1};
          });
    Box(&c, DoorLeft, DoorTop, DoorLeft + DoorWidth, DoorTop + DoorHeight, Rgb(0x5A3A22));
    Box(&c, DoorLeft + 4, DoorTop + 4, DoorLeft + DoorWidth - 4, DoorTop + DoorHeight, Rgb(0x7A5230));
    Disc(&c, DoorLeft + DoorWidth - 12, DoorTop + 60, 3.5, Rgb(0xE0C060));
    Box(&c, ShedLeft + 18, DoorTop + 20, ShedLeft + 46, DoorTop + 48, Rgb(0xCFE8F8));
    Box(&c, ShedRight - 46, DoorTop + 20, ShedRight - 18, DoorTop + 48, Rgb(0xCFE8F8));
    // The pinwheel's pole (the wheel itself is the sprite).
    Box(&c, PoleColumn - 3, WheelTop + WheelSide / 2, PoleColumn + 3, Horizon + 40, Rgb(0xEDEDE6));
    // A stone where the vase stands.
    Shape(&c, VaseX - 16, VaseY + VaseH - 14, VaseX + VaseW + 16, VaseY + VaseH + 8,
          [](double x, double y) {
              double dx = (x - (VaseX + VaseW / 2.0)) / (VaseW / 2.0 + 14), dy = (y - (VaseY + VaseH - 3)) / 10;
              return dx * dx + dy * dy < 1;
          },
          [](double, double y) { return Mix(Rgb(0xB8B4A8), Rgb(0x8A867C), (y - (VaseY + VaseH - 14)) / 22); });
    return c;
}

// The vase: a turned shape whose painted stripes move as it turns.
static double VaseRadius(double t) {  // t from 0 (top) to 1 (bottom)
    return 0.32 + 0.55 * std::sin(Pi * std::pow(t, 0.8)) - 0.1 * std::exp(-t * 14);
}
static void PaintVase(Rgba* c, double cx, double top, double height, double width, double turn) {
    Shape(c, cx - width, top, cx + width, top + height,
          [=](double x, double y) {
              double t = (y - top) / height;
              return t >= 0 && t <= 1 && std::fabs(x - cx) < VaseRadius(t) * width;
          },
          [=](double x, double y) {
              double t = (y - top) / height, r = VaseRadius(t) * width;
              double s = std::clamp((x - cx) / r, -1.0, 1.0), angle = std::asin(s) + turn;
              double light = 0.55 + 0.45 * std::cos(std::asin(s) + 0.5);
              bool stripe = t > 0.35 && t < 0.62 && std::fmod(angle * 6 / Pi + 60, 2) < 1;
              Colour k = stripe ? Rgb(0xF0E2B0) : Rgb(0x2F6FB0);
              if (t > 0.7 && t < 0.74) k = Rgb(0xF0E2B0);
              return Colour{k.r * light, k.g * light, k.b * light, 1};
          });
}

static Rgba Vase() {
    Rgba c = MakeRgba(VaseW, VaseH, 0);
    PaintVase(&c, VaseW / 2.0, 2, VaseH - 4, VaseW / 2.0, 0);
    return c;
}

static Rgba VaseFrame(int k) {
    Rgba c = MakeRgba(128, 128, 0);
    Fill(&c, [](double x, double y) {
        double d = std::hypot(x - 64, y - 56) / 90;
        return Mix(Rgb(0x3A3550), Rgb(0x14121E), d);
    });
    Box(&c, 0, 0, 128, 2, Rgb(0xC8A050));
    Box(&c, 0, 126, 128, 128, Rgb(0xC8A050));
    Box(&c, 0, 0, 2, 128, Rgb(0xC8A050));
    Box(&c, 126, 0, 128, 128, Rgb(0xC8A050));
    PaintVase(&c, 64, 14, 100, 40, k * 2 * Pi / 24);
    return c;
}

static Rgba PinwheelFrame(int k) {
    Rgba c = MakeRgba(WheelSide, WheelSide, 0);
    double centre = WheelSide / 2.0, turn = k * Pi / 16;
    const uint32_t colours[4] = {0xE8483C, 0xF2C230, 0x3C8FE8, 0x4CC060};
    for (int blade = 0; blade < 4; blade++) {
        double a = turn + blade * Pi / 2;
        double tipX = centre + 29 * std::cos(a), tipY = centre + 29 * std::sin(a);
        double sideX = centre + 20 * std::cos(a + 0.9), sideY = centre + 20 * std::sin(a + 0.9);
        Polygon(&c, {{centre, centre}, {tipX, tipY}, {sideX, sideY}}, Rgb(colours[blade]));
    }
    Disc(&c, centre, centre, 4, Rgb(0xFFFFFF));
    return c;
}

// ---------------------------------------------------------------------------
// The shed inside, as a flat 640 x 480 closeup.

static Rgba Shed() {
    Rgba c = MakeRgba(640, 480, 0);
    Fill(&c, [](double x, double y) {
        if (y > 380) return Mix(Rgb(0x6A4A30), Rgb(0x3E2A1A), (y - 380) / 100);
        double plank = std::fmod(x, 48) < 2 ? 0.7 : 1.0;
        double grain = 0.92 + 0.08 * std::sin(y * 0.09 + std::floor(x / 48) * 2.3);
        Colour wood = Mix(Rgb(0xA8744A), Rgb(0x7A5232), y / 380);
        return Colour{wood.r * plank * grain, wood.g * plank * grain, wood.b * plank * grain, 1};
    });
    // The open door back to the garden.
    Box(&c, 262, 112, 378, 366, Rgb(0x4A3020));
    Shape(&c, 270, 120, 370, 360, [](double, double) { return true; },
          [](double x, double y) {
              if (y > 300) return Mix(Rgb(0x8DBE5A), Rgb(0x3E7F2A), (y - 300) / 60);
              return Mix(Rgb(0x3A78C8), Rgb(0xBFD9F0), (y - 120) / 180 + 0.02 * std::sin(x));
          });
    // A window, a shelf with pots, a lantern.
    Box(&c, 440, 110, 580, 230, Rgb(0x4A3020));
    Box(&c, 448, 118, 572, 222, Rgb(0xCFE8F8));
    Box(&c, 508, 118, 512, 222, Rgb(0x4A3020));
    Box(&c, 448, 168, 572, 172, Rgb(0x4A3020));
    Box(&c, 60, 250, 220, 262, Rgb(0x5A3A22));
    for (int i = 0; i < 3; i++) {
        double x = 90 + i * 50;
        Polygon(&c, {{x - 16, 216.0}, {x + 16, 216.0}, {x + 11, 250.0}, {x - 11, 250.0}}, Rgb(i == 1 ? 0xB85A30 : 0xC86A3A));
    }
    Line(&c, 140, 60, 140, 120, 2, Rgb(0x303030));
    Box(&c, 126, 120, 154, 160, Rgb(0x303030));
    Box(&c, 130, 126, 150, 156, Rgb(0xFFD880));
    return c;
}

// ---------------------------------------------------------------------------
// The interface.

static Rgba Cursor(int k) {
    Rgba c = MakeRgba(32, 32, 0);
    Colour ink = Rgb(0x101010), white = Rgb(0xFFFFFF), gold = Rgb(0xFFD040);
    auto outlined = [&](const std::vector<std::pair<double, double>>& p, Colour fill) {
        for (int o = 0; o < 8; o++) {
            std::vector<std::pair<double, double>> q;
            for (auto& v : p) q.push_back({v.first + std::cos(o * Pi / 4) * 1.4, v.second + std::sin(o * Pi / 4) * 1.4});
            Polygon(&c, q, ink);
        }
        Polygon(&c, p, fill);
    };
    if (k == 0) {  // an arrow whose tip is the hot point, the centre
        outlined({{16, 16}, {16, 31}, {20, 27}, {24, 31}, {27, 29}, {23, 24}, {29, 23}}, white);
    } else if (k == 1) {  // a ring: something to take, or a door close by
        Disc(&c, 16, 16, 11, ink);
        Disc(&c, 16, 16, 9, gold);
        Disc(&c, 16, 16, 5, ink);
        Disc(&c, 16, 16, 3, white);
    } else if (k == 2) {  // turning arrows: the item view is open
        for (int s = 0; s < 2; s++) {
            double a0 = s * Pi;
            for (int i = 0; i < 24; i++) {
                double a = a0 + 0.3 + i * 0.1;
                Disc(&c, 16 + 10 * std::cos(a), 16 + 10 * std::sin(a), 2.8, ink);
            }
            for (int i = 0; i < 24; i++) {
                double a = a0 + 0.3 + i * 0.1;
                Disc(&c, 16 + 10 * std::cos(a), 16 + 10 * std::sin(a), 1.6, white);
            }
            double a = a0 + 2.7;
            outlined({{16 + 6 * std::cos(a), 16 + 6 * std::sin(a)},
                      {16 + 14 * std::cos(a), 16 + 14 * std::sin(a)},
                      {16 + 10 * std::cos(a + 0.6), 16 + 10 * std::sin(a + 0.6)}},
                     white);
        }
    } else {  // forward: a door to another place
        outlined({{16, 3}, {28, 16}, {21, 16}, {21, 29}, {11, 29}, {11, 16}, {4, 16}}, gold);
    }
    return c;
}

// "zemVR" in a 5 x 7 letter grid.
static Rgba Logo() {
    static const char* const glyphs[5][7] = {
        {".....", ".....", "#####", "...#.", "..#..", ".#...", "#####"},
        {".....", ".....", ".###.", "#...#", "#####", "#....", ".###."},
        {".....", ".....", "##.#.", "#.#.#", "#.#.#", "#.#.#", "#...#"},
        {"#...#", "#...#", "#...#", "#...#", ".#.#.", ".#.#.", "..#.."},
        {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}};
    Rgba c = MakeRgba(100, 36, 0);
    Shape(&c, 0, 0, 100, 36,
          [](double x, double y) {
              double dx = std::max({6 - x, 0.0, x - 94}), dy = std::max({6 - y, 0.0, y - 30});
              return dx * dx + dy * dy < 36;
          },
          [](double, double y) { return Mix(Rgb(0x2C4C8C), Rgb(0x16264C), y / 36); });
    for (int g = 0; g < 5; g++)
        for (int row = 0; row < 7; row++)
            for (int col = 0; col < 5; col++)
                if (glyphs[g][row][col] == '#')
                    Box(&c, 9 + g * 17 + col * 3, 7 + row * 3, 12 + g * 17 + col * 3, 10 + row * 3,
                        g < 3 ? Rgb(0xF4F0E0) : Rgb(0xFFC840));
    return c;
}

static Rgba Pda() {
    Rgba c = MakeRgba(240, 150, 0);
    Shape(&c, 0, 0, 240, 150,
          [](double x, double y) {
              double dx = std::max({14 - x, 0.0, x - 226}), dy = std::max({14 - y, 0.0, y - 136});
              return dx * dx + dy * dy < 196;
          },
          [](double x, double y) { return Mix(Rgb(0x6A7484), Rgb(0x3A4250), (x + y) / 390); });
    Box(&c, 20, 18, 170, 132, Rgb(0x1C2A20));
    Box(&c, 24, 22, 166, 128, Rgb(0x9CC890));
    // A map of the two places.
    Box(&c, 40, 50, 90, 100, Rgb(0x4C7A40));
    Box(&c, 110, 60, 150, 90, Rgb(0x7A5A38));
    Line(&c, 90, 75, 110, 75, 3, Rgb(0x2A3A28));
    Disc(&c, 64, 74, 4, Rgb(0xD04030));
    for (int i = 0; i < 3; i++) Disc(&c, 200, 40 + i * 35, 11, Rgb(i == 0 ? 0xD05040 : 0x2A3038));
    return c;
}

// Only the colours of BATBICON count: the icon palette. A colour wheel.
static Rgba IconColours() {
    Rgba c = MakeRgba(32, 32, 0xFFFFFFFF);
    Fill(&c, [](double x, double y) {
        double hue = x / 32 * 6, light = 1 - y / 36;
        int i = (int)hue;
        double f = hue - i, v[3];
        double q = 1 - f, t = f;
        double table[6][3] = {{1, t, 0}, {q, 1, 0}, {0, 1, t}, {0, q, 1}, {t, 0, 1}, {1, 0, q}};
        for (int k = 0; k < 3; k++) v[k] = table[i % 6][k] * 255 * light;
        return Colour{v[0], v[1], v[2], 1};
    });
    return c;
}

static std::vector<uint8_t> DoorSound() {
    WavLayout wav;
    wav.channels = 1;
    wav.samplesPerSec = 22050;
    wav.bitsPerSample = 16;
    int n = 22050 * 2 / 5;
    for (int i = 0; i < n; i++) {
        double t = i / 22050.0;
        double v = std::sin(2 * Pi * 90 * t) * std::exp(-t * 14) * 0.7 + (Noise(i, 1) - 0.5) * std::exp(-t * 40) * 0.5 +
                   std::sin(2 * Pi * 140 * t) * std::exp(-(t - 0.18) * (t - 0.18) * 900) * 0.4;
        int16_t s = (int16_t)std::clamp(std::lround(v * 20000), -32768l, 32767l);
        wav.data.push_back((uint8_t)s);
        wav.data.push_back((uint8_t)((uint16_t)s >> 8));
    }
    return MakeWav(wav);
}

static std::string StarterScript() {
    char stamp[96], door[96];
    std::snprintf(stamp, sizeof stamp, "stamp objects/vase.png %d %d %d %d - items/vase/\n", VaseX, VaseY, VaseW, VaseH);
    std::snprintf(door, sizeof door, "door shed %d %d %d %d sounds/door.wav - 0 67\n", DoorLeft, DoorTop, DoorWidth,
                  DoorHeight);
    return std::string(
               "rem A starter world made by zemworld new. Change the pictures, then\n"
               "rem   zemworld build THIS-FOLDER out.zem && zemvr out.zem\n"
               "rem Words are separated by blanks; file names are paths inside this folder;\n"
               "rem a lone - stands for no file. Lines that begin with rem are comments.\n"
               "rem\n"
               "rem location NAME: a new place. The first one is where the player starts.\n"
               "location garden\n"
               "rem panorama PICTURE: a view all round, 2048 x 533 here (horizon at row 266).\n"
               "rem A 2:1 photo of a whole sphere is projected onto such a cylinder.\n"
               "panorama garden.png\n"
               "rem sprite FRAMES on: an animation; a folder of frames, placed by its info.txt.\n"
               "sprite sprites/pinwheel/ on\n"
               "rem stamp PICTURE x y w h SOUND ITEMVIEW: an object painted into the view at\n"
               "rem x, y (w, h: its picture's size); a click takes it and opens its item\n"
               "rem view, 24 frames turned by the mouse (their icon is made if missing).\n") +
           stamp +
           "rem door TARGET x y w h SOUND TRANSITION PANX PANY: a click here goes to\n"
           "rem TARGET, playing SOUND; PANX PANY is where the player looks on arrival.\n" +
           door +
           "rem pda PICTURE: the panel a right click raises, in every location after this.\n"
           "pda pda.png\n"
           "rem\n"
           "location shed\n"
           "rem closeup PICTURE: a flat view, at most 640 x 480, centred on the screen.\n"
           "closeup shed.png\n"
           "door garden 270 120 100 240 sounds/door.wav - 0 67\n";
}

int WriteStarterWorld(const std::string& folder, std::string* why) {
    std::error_code ec;
    if (fs::exists(folder, ec) && !fs::is_empty(folder, ec)) {
        *why = folder + " already exists and is not empty";
        return 0;
    }
    for (const char* sub : {"", "/sprites/pinwheel", "/items/vase", "/objects", "/sounds"}) {
        fs::create_directories(folder + sub, ec);
        if (ec) {
            *why = folder + sub + " cannot be made: " + ec.message();
            return 0;
        }
    }
    struct File {
        std::string path;
        Rgba picture;
    };
    std::vector<File> files = {{"garden.png", Garden()}, {"shed.png", Shed()},     {"objects/vase.png", Vase()},
                               {"ZEMLOGO.png", Logo()},  {"BATBICON.png", IconColours()}, {"pda.png", Pda()}};
    for (int k = 0; k < 4; k++) {
        char name[32];
        std::snprintf(name, sizeof name, "CURS%04d.png", k);
        files.push_back({name, Cursor(k)});
    }
    for (int k = 0; k < 24; k++) {
        char name[32];
        std::snprintf(name, sizeof name, "items/vase/%02d.png", k);
        files.push_back({name, VaseFrame(k)});
    }
    for (int k = 0; k < 8; k++) {
        char name[32];
        std::snprintf(name, sizeof name, "sprites/pinwheel/%d.png", k);
        files.push_back({name, PinwheelFrame(k)});
    }
    for (const File& f : files)
        if (!WritePng(folder + "/" + f.path, f.picture, why)) {
            *why = folder + "/" + f.path + " " + *why;
            return 0;
        }
    // On a panorama an offset line gives the frame's top row (third word)
    // and rightmost column (fourth word), each after five letters; one line
    // serves every frame.
    char info[128];
    std::snprintf(info, sizeof info, "frame xpos=0 prow=%d pcol=%d ypos=0 - -\n", WheelTop,
                  PoleColumn + WheelSide / 2 - 1);
    std::vector<std::pair<std::string, std::vector<uint8_t>>> texts = {
        {"game.txt", Bytes(StarterScript())},
        {"sprites/pinwheel/info.txt", Bytes(info)},
        {"sounds/door.wav", DoorSound()}};
    for (const auto& t : texts) {
        std::string error;
        if (!PackWriteFile(folder + "/" + t.first, t.second, &error)) {
            *why = folder + "/" + t.first + ": " + error;
            return 0;
        }
    }
    return 1;
}

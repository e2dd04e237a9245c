// The pictures every location shares: cursor, logo, PDA, the icon palette and
// the item icons; and the sounds.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "tools/demoworld/demo.h"
#include "tools/zempack/pack.h"

// ---------------------------------------------------------------------------
// Cursor: four 32 x 32 frames whose hot point is the centre pixel (16, 16),
// drawn only in fixed colours so they look the same in every palette.

static Canvas CursorArrow() {
    Canvas c = MakeCanvas(32, 32, FIX_BLACK);
    FillPolygon(&c, {{16, 16}, {16, 31}, {20, 27}, {24, 31}, {27, 29}, {23, 24}, {29, 23}}, FIX_WHITE);
    OutlineShape(&c, FIX_BLACK, FIX_INK);
    return c;
}

// A white-gloved hand pointing up; the fingertip is the hot point.
static Canvas CursorHand() {
    Canvas c = MakeCanvas(32, 32, FIX_BLACK);
    FillEllipse(&c, 16.5, 17, 2.5, 2.5, FIX_WHITE);
    FillPolygon(&c, {{14, 17}, {19, 17}, {19, 26}, {14, 26}}, FIX_WHITE);
    for (int k = 0; k < 3; k++) FillEllipse(&c, 21 + 2.6 * k, 22 + 0.4 * k, 1.5, 2.2, FIX_WHITE);
    FillPolygon(&c, {{11, 23}, {27, 22}, {27, 28}, {24, 31}, {14, 31}, {11, 28}}, FIX_WHITE);
    FillPolygon(&c, {{8, 22}, {11, 23}, {13, 27}, {11, 28}, {8, 25}}, FIX_WHITE);
    for (int y = 21; y < 25; y++) {
        Put(&c, 19, y, FIX_GREY);
        Put(&c, 22, y + 1, FIX_GREY);
        Put(&c, 25, y + 1, FIX_GREY);
    }
    for (int x = 14; x < 25; x++) Put(&c, x, 31, FIX_LIGHT);
    OutlineShape(&c, FIX_BLACK, FIX_INK);
    return c;
}

static Canvas CursorRotate() {
    Canvas c = MakeCanvas(32, 32, FIX_BLACK);
    for (int y = 0; y < 32; y++)
        for (int x = 0; x < 32; x++) {
            double dx = x + 0.5 - 16, dy = y + 0.5 - 16;
            double r = std::sqrt(dx * dx + dy * dy), a = std::atan2(dy, dx);
            if (r > 8 && r < 11.5 && a > -2.4 && a < 2.2) Put(&c, x, y, FIX_SKY);
        }
    // Arrowhead at the end of the arc, pointing round.
    double a = 2.2, cx = 16 + 9.75 * std::cos(a), cy = 16 + 9.75 * std::sin(a);
    double tx = -std::sin(a), ty = std::cos(a);  // direction of travel
    FillPolygon(&c, {{cx - std::cos(a) * 5, cy - std::sin(a) * 5},
                     {cx + std::cos(a) * 5, cy + std::sin(a) * 5},
                     {cx + tx * 6, cy + ty * 6}},
                FIX_SKY);
    FillEllipse(&c, 16, 16, 2, 2, FIX_WHITE);
    OutlineShape(&c, FIX_BLACK, FIX_INK);
    return c;
}

static Canvas CursorForward() {
    Canvas c = MakeCanvas(32, 32, FIX_BLACK);
    FillPolygon(&c, {{16, 3}, {28, 15}, {21, 15}, {21, 29}, {11, 29}, {11, 15}, {4, 15}}, FIX_GOLD);
    FillPolygon(&c, {{16, 6}, {24, 14}, {19, 14}, {19, 27}, {16, 27}}, FIX_GOLDS + 7);
    OutlineShape(&c, FIX_BLACK, FIX_INK);
    return c;
}

// ---------------------------------------------------------------------------
// Logo: "zemVR" in a 5 x 7 pixel font, three times enlarged.

static const char* const* Glyph(char ch) {
    static const char* const z[7] = {".....", ".....", "#####", "...#.", "..#..", ".#...", "#####"};
    static const char* const e[7] = {".....", ".....", ".###.", "#...#", "#####", "#....", ".###."};
    static const char* const m[7] = {".....", ".....", "##.#.", "#.#.#", "#.#.#", "#.#.#", "#...#"};
    static const char* const v[7] = {"#...#", "#...#", "#...#", "#...#", ".#.#.", ".#.#.", "..#.."};
    static const char* const r[7] = {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"};
    switch (ch) {
        case 'z': return z;
        case 'e': return e;
        case 'm': return m;
        case 'V': return v;
        default: return r;
    }
}

static Canvas LogoPicture() {
    Canvas c = MakeCanvas(100, 40, FIX_BLACK);
    const char* word = "zemVR";
    for (int i = 0; i < 5; i++) {
        const char* const* g = Glyph(word[i]);
        for (int gy = 0; gy < 7; gy++)
            for (int gx = 0; gx < 5; gx++) {
                if (g[gy][gx] != '#') continue;
                for (int sy = 0; sy < 3; sy++)
                    for (int sx = 0; sx < 3; sx++) {
                        int x = 7 + i * 18 + gx * 3 + sx, y = 6 + gy * 3 + sy;
                        Put(&c, x, y, (uint8_t)(FIX_GOLDS + 7 - (y - 6) * 5 / 21));
                    }
            }
    }
    for (int x = 8; x < 92; x++) {
        double d = (x - 50) / 42.0;
        int y = 32 + (int)std::lround(3 * d * d);
        Put(&c, x, y, (uint8_t)(FIX_BLUES + 7 - (int)std::fabs(d * 5)));
        Put(&c, x, y + 1, (uint8_t)(FIX_BLUES + 4 - (int)std::fabs(d * 3)));
    }
    OutlineShape(&c, FIX_BLACK, FIX_INK);
    return c;
}

// The program's icon for the desktop: the logo's letters and arc, larger, on
// a rounded panel. Index 0 (black) outside the panel is left transparent by
// the writer.
Canvas DemoIcon() {
    const int size = 128;
    Canvas letters = MakeCanvas(size, size, FIX_BLACK);
    auto word = [&](const char* text, int scale, int gap, int top) {
        int count = (int)std::strlen(text), width = count * 5 * scale + (count - 1) * gap;
        for (int i = 0; i < count; i++) {
            const char* const* g = Glyph(text[i]);
            for (int gy = 0; gy < 7; gy++)
                for (int gx = 0; gx < 5; gx++) {
                    if (g[gy][gx] != '#') continue;
                    for (int sy = 0; sy < scale; sy++)
                        for (int sx = 0; sx < scale; sx++) {
                            int x = (size - width) / 2 + i * (5 * scale + gap) + gx * scale + sx;
                            int y = top + gy * scale + sy;
                            Put(&letters, x, y, (uint8_t)(FIX_GOLDS + 7 - (gy * scale + sy) * 5 / (7 * scale)));
                        }
                }
        }
    };
    word("zem", 4, 4, 8);
    word("VR", 6, 6, 44);
    for (int x = 16; x < size - 16; x++) {
        double d = (x - size / 2.0) / (size / 2.0 - 16);
        int y = 96 + (int)std::lround(10 * d * d);
        for (int k = 0; k < 4; k++)
            Put(&letters, x, y + k, (uint8_t)(FIX_BLUES + 7 - k - (int)std::fabs(d * 3)));
    }
    OutlineShape(&letters, FIX_BLACK, FIX_INK);
    Canvas icon = MakeCanvas(size, size, FIX_BLACK);
    Ramp panel = FixedRamp(FIX_PANEL, 8);
    for (int y = 0; y < size; y++)
        for (int x = 0; x < size; x++) {
            double rx = std::max(0.0, std::fabs(x + 0.5 - size / 2.0) - (size / 2.0 - 24));
            double ry = std::max(0.0, std::fabs(y + 0.5 - size / 2.0) - (size / 2.0 - 24));
            if (rx * rx + ry * ry > 20 * 20) continue;
            uint8_t l = Get(letters, x, y);
            Put(&icon, x, y, l != FIX_BLACK ? l : Shade(panel, 0.8 - 0.6 * y / size, x, y));
        }
    return icon;
}

// PDA: a handheld with a map of the three locations.
static Canvas PdaPicture() {
    Canvas c = MakeCanvas(200, 150, FIX_BLACK);
    for (int y = 0; y < 150; y++)
        for (int x = 0; x < 200; x++) {
            double rx = std::max(0.0, std::fabs(x + 0.5 - 100) - 88), ry = std::max(0.0, std::fabs(y + 0.5 - 75) - 63);
            if (rx * rx + ry * ry > 144) continue;
            double t = 0.75 - 0.5 * y / 150.0 + (x < 6 || y < 6 ? 0.2 : 0);
            Put(&c, x, y, Shade(FixedRamp(FIX_PANEL, 8), t, x, y));
        }
    for (int y = 14; y < 112; y++)
        for (int x = 18; x < 182; x++) {
            bool grid = (x - 18) % 16 == 0 || (y - 14) % 16 == 0;
            Put(&c, x, y, grid ? FIX_BLUES + 2 : Shade(FixedRamp(FIX_BLUES, 3), 0.3 + 0.4 * y / 112.0, x, y));
        }
    struct Spot { double x, y; };
    Spot court{60, 70}, house{120, 45}, desk{155, 85};
    auto line = [&](Spot a, Spot b) {
        for (int i = 0; i <= 200; i++) {
            double t = i / 200.0;
            Put(&c, (int)(a.x + (b.x - a.x) * t), (int)(a.y + (b.y - a.y) * t), FIX_GOLDS + 6);
        }
    };
    line(court, house);
    line(house, desk);
    line(court, {22, 100});
    for (Spot s : {court, house, desk}) FillEllipse(&c, s.x, s.y, 5, 5, FIX_GOLD);
    FillEllipse(&c, court.x, court.y, 2.5, 2.5, FIX_RED);
    FillEllipse(&c, 70, 130, 8, 8, FIX_EXTRA + 0);
    FillEllipse(&c, 100, 130, 8, 8, FIX_GOLD);
    FillEllipse(&c, 130, 130, 8, 8, FIX_RED);
    return c;
}

// ---------------------------------------------------------------------------
// Icons, in BATBICON.BMP's palette: a 6 x 6 x 6 colour cube and greys.

static Palette IconPalette() {
    Palette p;
    for (int i = 0; i < 216; i++) p.colours[16 + i] = Rgb(i / 36 * 51, i / 6 % 6 * 51, i % 6 * 51);
    for (int i = 0; i < 24; i++) p.colours[232 + i] = Rgb(8 + i * 10, 8 + i * 10, 8 + i * 10);
    return p;
}

// The nearest shade of the cube: few enough colours that every location
// keeps a close match for each of them.
static uint8_t Cube(uint32_t rgb) {
    auto level = [&](int v) { return std::min(5, (int)std::lround(v / 51.0)); };
    int r = level(rgb >> 16 & 255), g = level(rgb >> 8 & 255), b = level(rgb & 255);
    int i = 16 + r * 36 + g * 6 + b;
    return (uint8_t)(i == 16 ? 232 : i);  // keep pure black for the background
}

static Canvas BatIcon() {
    Canvas c = MakeCanvas(32, 32, 0);
    FillPolygon(&c, {{16, 10}, {20, 13}, {30, 8}, {28, 16}, {24, 15}, {21, 20}, {16, 17},
                     {11, 20}, {8, 15}, {4, 16}, {2, 8}, {12, 13}},
                Cube(Rgb(80, 60, 110)));
    FillEllipse(&c, 16, 12, 3, 4, Cube(Rgb(60, 40, 90)));
    Put(&c, 15, 11, Cube(Rgb(255, 255, 0)));
    Put(&c, 17, 11, Cube(Rgb(255, 255, 0)));
    return c;
}

static Canvas ObjectIcon(int kind) {
    Canvas c = MakeCanvas(32, 32, 0);
    for (int y = 0; y < 32; y++)
        for (int x = 0; x < 32; x++) {
            double dx = x + 0.5 - 16, dy = y + 0.5 - 16;
            double light = 0.6 - 0.025 * (dx + dy);
            if (kind == 0) {  // jar
                double r = y < 6 ? 0 : y < 9 ? 5 : 11 * std::sin((y - 7) / 25.0 * kPi) + 3;
                if (std::fabs(dx) > r || y > 29) continue;
                uint32_t base = (y > 14 && y < 19) ? Rgb(40, 70, 170) : Rgb(200, 100, 50);
                Put(&c, x, y, Cube(Mix(Rgb(0, 0, 0), base, light + 0.4 - std::fabs(dx) / 30)));
            } else if (kind == 1) {  // globe
                double r2 = dx * dx + dy * dy;
                if (r2 > 13.5 * 13.5) continue;
                bool land = Fractal(x / 6.0, y / 6.0, 0, 3, 7) > 0.52;
                uint32_t base = land ? Rgb(80, 170, 70) : Rgb(40, 90, 200);
                Put(&c, x, y, Cube(Mix(Rgb(0, 0, 0), base, 1.1 - r2 / 400 - 0.02 * (dx + dy))));
            } else {  // gem
                if (std::fabs(dx) / 14 + std::fabs(dy + 3) / (dy < -3 ? 8 : 17) > 1) continue;
                double facet = (dx > 0) == (dy < -3) ? 0.9 : 0.55;
                Put(&c, x, y, Cube(Mix(Rgb(30, 0, 60), Rgb(200, 120, 255), facet + 0.1 * std::sin(x))));
            }
        }
    return c;
}

// The colours the logo, the PDA and the icons show, each picture's
// transparent first pixel left out.
std::vector<uint32_t> InterfaceColours() {
    std::vector<uint32_t> colours;
    auto take = [&](const Canvas& c, const Palette& p) {
        for (uint8_t index : c.pixels) {
            uint32_t rgb = p.colours[index];
            if (index != c.pixels[0] &&
                std::find(colours.begin(), colours.end(), rgb) == colours.end())
                colours.push_back(rgb);
        }
    };
    Palette fixed = FixedPalette();
    Palette icons = IconPalette();
    take(LogoPicture(), fixed);
    take(PdaPicture(), fixed);
    for (int kind = 0; kind < 3; kind++) take(ObjectIcon(kind), icons);
    return colours;
}

void AddInterface(std::vector<PackMember>* members) {
    Palette fixed = FixedPalette();
    Canvas frames[4] = {CursorArrow(), CursorHand(), CursorRotate(), CursorForward()};
    for (int k = 0; k < 4; k++) {
        char name[16];
        std::snprintf(name, sizeof name, "CURS%04d.BMP", k);
        AddMember(members, name, CanvasBmp(frames[k], fixed));
    }
    AddMember(members, "ZEMLOGO.BMP", CanvasBmp(LogoPicture(), fixed));
    AddMember(members, "PDA.BMP", CanvasBmp(PdaPicture(), fixed));
    Palette icons = IconPalette();
    AddMember(members, "BATBICON.BMP", CanvasBmp(BatIcon(), icons));
    AddMember(members, "JARICON.BMP", CanvasBmp(ObjectIcon(0), icons));
    AddMember(members, "GLOBICON.BMP", CanvasBmp(ObjectIcon(1), icons));
    AddMember(members, "GEMICON.BMP", CanvasBmp(ObjectIcon(2), icons));
}

// ---------------------------------------------------------------------------
// Sounds.

// Two-pole resonator.
struct Resonator {
    double a1, a2, y1 = 0, y2 = 0;
};
static Resonator MakeResonator(double hz, double bandwidth, double rate) {
    double r = std::exp(-kPi * bandwidth / rate);
    return {2 * r * std::cos(2 * kPi * hz / rate), -r * r};
}
static double Run(Resonator* f, double x) {
    double y = x + f->a1 * f->y1 + f->a2 * f->y2;
    f->y2 = f->y1;
    f->y1 = y;
    return y;
}

static std::vector<uint8_t> Creak() {
    const uint32_t rate = 22050;
    std::vector<double> s((size_t)(1.4 * rate));
    Resonator body = MakeResonator(620, 90, rate), wood = MakeResonator(1900, 260, rate);
    double phase = 0;
    for (size_t i = 0; i < s.size(); i++) {
        double t = (double)i / rate;
        double pitch = 55 + 35 * std::sin(2 * kPi * 0.7 * t) + 25 * t;  // stick-slip rate
        phase += pitch / rate;
        double pulse = 0;
        if (phase >= 1) {
            phase -= 1;
            pulse = 1 + 0.4 * (Hash01((uint32_t)i, 3, 9) - 0.5);
        }
        double env = std::min(1.0, t / 0.08) * std::min(1.0, (1.4 - t) / 0.3);
        s[i] = env * (0.055 * Run(&body, pulse) + 0.03 * Run(&wood, pulse));
    }
    return SamplesWav(s, nullptr, rate, 16);
}

static std::vector<uint8_t> Steps() {
    const uint32_t rate = 22050;
    std::vector<double> s((size_t)(1.7 * rate), 0.0);
    for (int step = 0; step < 4; step++) {
        size_t start = (size_t)((0.05 + step * 0.42) * rate);
        double low = 0;
        for (size_t i = 0; i < (size_t)(0.16 * rate) && start + i < s.size(); i++) {
            double t = (double)i / rate;
            double noise = Hash01((uint32_t)i, (uint32_t)step, 5) * 2 - 1;
            low += (noise - low) * 0.18;  // scuff: low-passed noise
            double thump = std::sin(2 * kPi * (75 - 120 * t) * t) * std::exp(-t / 0.035);
            double env = std::exp(-t / 0.045) * (step % 2 ? 0.8 : 1.0);
            s[start + i] += 0.55 * thump + 0.9 * env * low;
        }
    }
    return SamplesWav(s, nullptr, rate, 8);
}

static std::vector<uint8_t> Chime() {
    const uint32_t rate = 22050;
    std::vector<double> left((size_t)(2.2 * rate)), right(left.size());
    const double partials[5] = {1.0, 2.0, 2.76, 4.07, 5.4};
    const double amps[5] = {0.5, 0.25, 0.3, 0.15, 0.1};
    for (int note = 0; note < 2; note++) {
        double base = note == 0 ? 1046.5 : 1318.5;  // C6, then E6
        size_t start = (size_t)(note * 0.18 * rate);
        for (size_t i = start; i < left.size(); i++) {
            double t = (double)(i - start) / rate, v = 0;
            for (int p = 0; p < 5; p++)
                v += amps[p] * std::sin(2 * kPi * base * partials[p] * t) * std::exp(-t * (1.5 + p * 1.2));
            v *= std::min(1.0, t / 0.002) * 0.45;
            left[i] += note == 0 ? v : 0.6 * v;
            right[i] += note == 0 ? 0.6 * v : v;
        }
    }
    return SamplesWav(left, &right, rate, 16);
}

void AddSounds(std::vector<PackMember>* members) {
    AddMember(members, "CREAK.WAV", Creak());
    AddMember(members, "STEPS.WAV", Steps());
    AddMember(members, "CHIME.WAV", Chime());
}

// Palettes, canvases, dithering, noise, the item-view renderer and sound
// writing for the world generators.
#include "tools/demoworld/paint.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "tools/assets/assets.h"
#include "tools/zempack/pack.h"

uint32_t Rgb(int r, int g, int b) {
    r = std::clamp(r, 0, 255);
    g = std::clamp(g, 0, 255);
    b = std::clamp(b, 0, 255);
    return (uint32_t)r << 16 | (uint32_t)g << 8 | (uint32_t)b;
}

uint32_t Mix(uint32_t a, uint32_t b, double t) {
    auto ch = [&](int shift) {
        double x = ((a >> shift) & 255) * (1 - t) + ((b >> shift) & 255) * t;
        return (int)std::lround(x);
    };
    return Rgb(ch(16), ch(8), ch(0));
}

Palette FixedPalette() {
    Palette p;
    const uint32_t low[10] = {Rgb(0, 0, 0),       Rgb(255, 255, 255), Rgb(200, 200, 205),
                              Rgb(128, 128, 134), Rgb(64, 64, 70),    Rgb(22, 20, 30),
                              Rgb(244, 200, 70),  Rgb(232, 122, 36),  Rgb(96, 172, 240),
                              Rgb(212, 44, 40)};
    for (int i = 0; i < 10; i++) p.colours[i] = low[i];
    for (int i = 0; i < 16; i++) p.colours[FIX_GREYS + i] = Mix(Rgb(16, 16, 20), Rgb(248, 248, 244), i / 15.0);
    for (int i = 0; i < 8; i++)
        p.colours[FIX_GOLDS + i] = i < 4 ? Mix(Rgb(70, 40, 10), Rgb(200, 140, 30), i / 3.0)
                                         : Mix(Rgb(200, 140, 30), Rgb(255, 240, 170), (i - 3) / 4.0);
    for (int i = 0; i < 8; i++) p.colours[FIX_BLUES + i] = Mix(Rgb(14, 24, 70), Rgb(150, 200, 255), i / 7.0);
    for (int i = 0; i < 8; i++) p.colours[FIX_PANEL + i] = Mix(Rgb(14, 16, 26), Rgb(70, 78, 100), i / 7.0);
    const uint32_t extra[6] = {Rgb(60, 200, 90), Rgb(40, 120, 220), Rgb(230, 60, 150),
                               Rgb(250, 250, 120), Rgb(120, 70, 30), Rgb(255, 170, 200)};
    for (int i = 0; i < 6; i++) p.colours[FIX_EXTRA + i] = extra[i];
    return p;
}

Ramp AddRamp(Palette* palette, uint32_t a, uint32_t b, int count) {
    Ramp r;
    r.first = palette->next;
    r.count = count;
    for (int i = 0; i < count && palette->next < 210; i++)
        palette->colours[palette->next++] = Mix(a, b, count > 1 ? (double)i / (count - 1) : 0);
    if (r.first + r.count > 210) r.count = 210 - r.first;
    if (r.count < 1) r.count = 1;
    return r;
}

Ramp AddRamp3(Palette* palette, uint32_t a, uint32_t mid, uint32_t b, int count) {
    Ramp r;
    r.first = palette->next;
    r.count = count;
    for (int i = 0; i < count && palette->next < 210; i++) {
        double t = count > 1 ? (double)i / (count - 1) : 0;
        palette->colours[palette->next++] = t < 0.5 ? Mix(a, mid, t * 2) : Mix(mid, b, t * 2 - 1);
    }
    if (r.first + r.count > 210) r.count = 210 - r.first;
    if (r.count < 1) r.count = 1;
    return r;
}

static int Distance2(uint32_t a, uint32_t b) {
    int dr = (int)(a >> 16 & 255) - (int)(b >> 16 & 255);
    int dg = (int)(a >> 8 & 255) - (int)(b >> 8 & 255);
    int db = (int)(a & 255) - (int)(b & 255);
    return dr * dr + dg * dg + db * db;
}

void AddAccents(Palette* palette, const std::vector<uint32_t>& colours) {
    const int closeEnough = 10 * 10;
    while (palette->next < 210) {
        int worst = -1, worstDistance = closeEnough;
        for (size_t i = 0; i < colours.size(); i++) {
            int best = 1 << 30;
            for (int j = 10; j < palette->next; j++)
                best = std::min(best, Distance2(colours[i], palette->colours[j]));
            if (best > worstDistance) {
                worst = (int)i;
                worstDistance = best;
            }
        }
        if (worst < 0) return;
        palette->colours[palette->next++] = colours[worst];
    }
}

Ramp FixedRamp(int first, int count) {
    Ramp r;
    r.first = first;
    r.count = count;
    return r;
}

Canvas MakeCanvas(int32_t width, int32_t height, uint8_t fill) {
    Canvas c;
    c.width = width;
    c.height = height;
    c.pixels.assign((size_t)width * height, fill);
    return c;
}

void Put(Canvas* canvas, int32_t x, int32_t y, uint8_t index) {
    if (x < 0 || y < 0 || x >= canvas->width || y >= canvas->height) return;
    canvas->pixels[(size_t)y * canvas->width + x] = index;
}

uint8_t Get(const Canvas& canvas, int32_t x, int32_t y) {
    if (x < 0 || y < 0 || x >= canvas.width || y >= canvas.height) return 0;
    return canvas.pixels[(size_t)y * canvas.width + x];
}

void PutWrap(Canvas* canvas, int32_t x, int32_t y, uint8_t index) {
    x %= canvas->width;
    if (x < 0) x += canvas->width;
    Put(canvas, x, y, index);
}

void FillPolygon(Canvas* canvas, const std::vector<Point>& points, uint8_t index) {
    size_t n = points.size();
    for (int32_t y = 0; y < canvas->height; y++) {
        double py = y + 0.5;
        std::vector<double> xs;
        for (size_t i = 0; i < n; i++) {
            Point a = points[i], b = points[(i + 1) % n];
            if ((a.y <= py && b.y > py) || (b.y <= py && a.y > py))
                xs.push_back(a.x + (py - a.y) / (b.y - a.y) * (b.x - a.x));
        }
        std::sort(xs.begin(), xs.end());
        for (size_t i = 0; i + 1 < xs.size(); i += 2) {
            for (int32_t x = (int32_t)std::ceil(xs[i] - 0.5); x + 0.5 < xs[i + 1]; x++) Put(canvas, x, y, index);
        }
    }
}

void FillEllipse(Canvas* canvas, double cx, double cy, double rx, double ry, uint8_t index) {
    for (int32_t y = (int32_t)(cy - ry - 1); y <= (int32_t)(cy + ry + 1); y++)
        for (int32_t x = (int32_t)(cx - rx - 1); x <= (int32_t)(cx + rx + 1); x++) {
            double dx = (x + 0.5 - cx) / rx, dy = (y + 0.5 - cy) / ry;
            if (dx * dx + dy * dy <= 1) Put(canvas, x, y, index);
        }
}

void OutlineShape(Canvas* canvas, uint8_t background, uint8_t ink) {
    Canvas before = *canvas;
    for (int32_t y = 0; y < canvas->height; y++)
        for (int32_t x = 0; x < canvas->width; x++) {
            if (Get(before, x, y) != background) continue;
            bool edge = false;
            for (int d = 0; d < 4; d++) {
                int32_t nx = x + (d == 0) - (d == 1), ny = y + (d == 2) - (d == 3);
                if (nx < 0 || ny < 0 || nx >= canvas->width || ny >= canvas->height) continue;
                uint8_t v = Get(before, nx, ny);
                if (v != background && v != ink) edge = true;
            }
            if (edge) Put(canvas, x, y, ink);
        }
}

double Dither(int32_t x, int32_t y) {
    static const int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    return (bayer[y & 3][x & 3] + 0.5) / 16.0;
}

uint8_t Shade(const Ramp& ramp, double t, int32_t x, int32_t y) {
    t = std::clamp(t, 0.0, 1.0);
    int i = (int)std::floor(t * (ramp.count - 1) + Dither(x, y));
    i = std::clamp(i, 0, ramp.count - 1);
    return (uint8_t)(ramp.first + i);
}

uint8_t Blend(uint8_t a, uint8_t b, double t, int32_t x, int32_t y) {
    return t > Dither(x, y) ? b : a;
}

double Hash01(uint32_t a, uint32_t b, uint32_t seed) {
    uint32_t h = a * 0x8da6b343u ^ b * 0xd8163841u ^ seed * 0xcb1ab31fu;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return (h & 0xffffff) / (double)0x1000000;
}

double Noise(double x, double y, int periodX, uint32_t seed) {
    double fx = std::floor(x), fy = std::floor(y);
    int ix = (int)fx, iy = (int)fy;
    double tx = x - fx, ty = y - fy;
    tx = tx * tx * (3 - 2 * tx);
    ty = ty * ty * (3 - 2 * ty);
    auto at = [&](int cx, int cy) {
        if (periodX > 0) cx = ((cx % periodX) + periodX) % periodX;
        return Hash01((uint32_t)cx, (uint32_t)cy, seed);
    };
    double a = at(ix, iy) * (1 - tx) + at(ix + 1, iy) * tx;
    double b = at(ix, iy + 1) * (1 - tx) + at(ix + 1, iy + 1) * tx;
    return a * (1 - ty) + b * ty;
}

double Fractal(double x, double y, int periodX, int octaves, uint32_t seed) {
    double sum = 0, amp = 0.5, norm = 0;
    for (int o = 0; o < octaves; o++) {
        sum += amp * Noise(x, y, periodX, seed + o * 101);
        norm += amp;
        x *= 2;
        y *= 2;
        if (periodX > 0) periodX *= 2;
        amp *= 0.5;
    }
    return sum / norm;
}

uint8_t GammaOf(uint8_t file) {
    double q = std::pow(file * 0.00390625, 1.2);
    return (uint8_t)(int)(q * 256);
}

uint8_t UnGamma(uint8_t want) {
    int best = 0, bestErr = 1000;
    for (int c = 0; c < 256; c++) {
        int err = std::abs((int)GammaOf((uint8_t)c) - (int)want);
        if (err < bestErr) {
            bestErr = err;
            best = c;
        }
    }
    return (uint8_t)best;
}

std::vector<uint8_t> CanvasBmp(const Canvas& canvas, const Palette& palette) {
    BmpLayout layout;
    layout.width = canvas.width;
    layout.height = canvas.height;
    layout.pixels = canvas.pixels;
    for (uint32_t c : palette.colours) {
        layout.colours.push_back((uint32_t)UnGamma((uint8_t)(c >> 16)) << 16 |
                               (uint32_t)UnGamma((uint8_t)(c >> 8)) << 8 | UnGamma((uint8_t)c));
    }
    return MakeBmp(layout);
}

// ---------------------------------------------------------------------------
// Item-view renderer.

static Vec3 Sub(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
static Vec3 Cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
static double Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
static Vec3 Norm(Vec3 a) {
    double l = std::sqrt(Dot(a, a));
    return l > 0 ? Vec3{a.x / l, a.y / l, a.z / l} : a;
}

static Vec3 Turn(Vec3 p, double angle, double tilt) {
    double c = std::cos(angle), s = std::sin(angle);
    Vec3 q{p.x * c + p.z * s, p.y, -p.x * s + p.z * c};
    double ct = std::cos(tilt), st = std::sin(tilt);
    return {q.x, q.y * ct - q.z * st, q.y * st + q.z * ct};
}

void RenderMesh(Canvas* canvas, const std::vector<Tri>& mesh, double angle, double tilt,
                double scale) {
    std::vector<double> depth((size_t)canvas->width * canvas->height, -1e9);
    const Vec3 light = Norm({-0.5, 0.7, 0.6});
    const double eye = 6.0;  // distance of the viewer in mesh units
    double cx = canvas->width / 2.0, cy = canvas->height / 2.0;
    for (const Tri& t : mesh) {
        Vec3 v[3] = {Turn(t.a, angle, tilt), Turn(t.b, angle, tilt), Turn(t.c, angle, tilt)};
        Vec3 n = Norm(Cross(Sub(v[1], v[0]), Sub(v[2], v[0])));
        if (n.z <= 0) continue;  // facing away
        double diffuse = std::max(0.0, Dot(n, light));
        Vec3 half = Norm({light.x, light.y, light.z + 1});
        double highlight = std::pow(std::max(0.0, Dot(n, half)), 24) * t.gloss;
        double shade = std::clamp(0.18 + 0.72 * diffuse + highlight, 0.0, 1.0);
        double sx[3], sy[3];
        for (int i = 0; i < 3; i++) {
            double f = eye / (eye - v[i].z);
            sx[i] = cx + v[i].x * scale * f;
            sy[i] = cy - v[i].y * scale * f;
        }
        int x0 = std::max(0, (int)std::floor(std::min({sx[0], sx[1], sx[2]})));
        int x1 = std::min(canvas->width - 1, (int)std::ceil(std::max({sx[0], sx[1], sx[2]})));
        int y0 = std::max(0, (int)std::floor(std::min({sy[0], sy[1], sy[2]})));
        int y1 = std::min(canvas->height - 1, (int)std::ceil(std::max({sy[0], sy[1], sy[2]})));
        double area = (sx[1] - sx[0]) * (sy[2] - sy[0]) - (sx[2] - sx[0]) * (sy[1] - sy[0]);
        if (std::fabs(area) < 1e-9) continue;
        for (int y = y0; y <= y1; y++) {
            for (int x = x0; x <= x1; x++) {
                double px = x + 0.5, py = y + 0.5;
                double w0 = ((sx[1] - px) * (sy[2] - py) - (sx[2] - px) * (sy[1] - py)) / area;
                double w1 = ((sx[2] - px) * (sy[0] - py) - (sx[0] - px) * (sy[2] - py)) / area;
                double w2 = 1 - w0 - w1;
                if (w0 < 0 || w1 < 0 || w2 < 0) continue;
                double z = w0 * v[0].z + w1 * v[1].z + w2 * v[2].z;
                double& d = depth[(size_t)y * canvas->width + x];
                if (z <= d) continue;
                d = z;
                Put(canvas, x, y, Shade(t.ramp, shade, x, y));
            }
        }
    }
}

void AddLathe(std::vector<Tri>* mesh, const std::vector<double>& radius,
              const std::vector<double>& height, int sides, BandRamp ramp, void* context) {
    const double pi = 3.14159265358979323846;
    for (size_t band = 0; band + 1 < radius.size(); band++) {
        for (int s = 0; s < sides; s++) {
            double a0 = 2 * pi * s / sides, a1 = 2 * pi * (s + 1) / sides;
            Vec3 p00{radius[band] * std::sin(a0), height[band], radius[band] * std::cos(a0)};
            Vec3 p01{radius[band] * std::sin(a1), height[band], radius[band] * std::cos(a1)};
            Vec3 p10{radius[band + 1] * std::sin(a0), height[band + 1], radius[band + 1] * std::cos(a0)};
            Vec3 p11{radius[band + 1] * std::sin(a1), height[band + 1], radius[band + 1] * std::cos(a1)};
            Ramp r = ramp((int)band, s, context);
            mesh->push_back({p00, p01, p11, r, 0.3});
            mesh->push_back({p00, p11, p10, r, 0.3});
        }
    }
}

// ---------------------------------------------------------------------------

std::vector<uint8_t> SamplesWav(const std::vector<double>& left, const std::vector<double>* right,
                                uint32_t rate, int bits) {
    WavLayout layout;
    layout.samplesPerSec = rate;
    layout.bitsPerSample = (uint16_t)bits;
    layout.channels = right ? 2 : 1;
    for (size_t i = 0; i < left.size(); i++) {
        for (int ch = 0; ch < layout.channels; ch++) {
            double v = std::clamp(ch == 0 ? left[i] : (*right)[i], -1.0, 1.0);
            if (bits == 8) {
                layout.data.push_back((uint8_t)std::lround(128 + v * 127));
            } else {
                int16_t s = (int16_t)std::lround(v * 32767);
                layout.data.push_back((uint8_t)s);
                layout.data.push_back((uint8_t)((uint16_t)s >> 8));
            }
        }
    }
    return MakeWav(layout);
}

void AddMember(std::vector<PackMember>* members, const std::string& name,
               const std::vector<uint8_t>& data) {
    PackMember m;
    m.name = name;
    m.data = data;
    members->push_back(std::move(m));
}

void AddText(std::vector<PackMember>* members, const std::string& name, const std::string& text) {
    AddMember(members, name, std::vector<uint8_t>(text.begin(), text.end()));
}

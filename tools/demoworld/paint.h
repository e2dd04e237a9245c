// A small painting kit for 8-bit worlds: palettes built from colour ramps,
// canvases of palette indices, ordered dithering between the shades of a
// ramp, wrap-around noise for panoramas, a flat-shaded triangle renderer for
// the item views, and the sound synthesis helpers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PackMember;

// Colours are 0x00RRGGBB as they should look on the screen.
uint32_t Rgb(int r, int g, int b);
uint32_t Mix(uint32_t a, uint32_t b, double t);

// Every picture the program shows through a location's palette shares these
// entries: 0 black and 1..9, 210..255 fixed colours for the cursor, the logo
// at start-up and the item-view frames. Remapping only ever targets 10..209,
// so each location keeps those 200 entries for its scene.
enum FixedColour {
    FIX_BLACK = 0,
    FIX_WHITE = 1,
    FIX_LIGHT = 2,
    FIX_GREY = 3,
    FIX_DARK = 4,
    FIX_INK = 5,
    FIX_GOLD = 6,
    FIX_ORANGE = 7,
    FIX_SKY = 8,
    FIX_RED = 9,
    FIX_GREYS = 210,     // 16 greys, dark to light
    FIX_GOLDS = 226,     // 8 golds, dark to light
    FIX_BLUES = 234,     // 8 blues, dark to light
    FIX_PANEL = 242,     // 8 dark blue-greys for panels
    FIX_EXTRA = 250,     // 6 spare accents
};

struct Palette {
    std::vector<uint32_t> colours = std::vector<uint32_t>(256, 0);
    int next = 10;  // first free entry of the scene range
};

struct Ramp {
    int first = 0;
    int count = 1;
};

// A palette holding the fixed entries and nothing else yet.
Palette FixedPalette();
// count shades from a to b (through mid when given), into the scene range.
Ramp AddRamp(Palette* palette, uint32_t a, uint32_t b, int count);
Ramp AddRamp3(Palette* palette, uint32_t a, uint32_t mid, uint32_t b, int count);
Ramp FixedRamp(int first, int count);

// Pixels as palette indices, top row first.
struct Canvas {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> pixels;
};
Canvas MakeCanvas(int32_t width, int32_t height, uint8_t fill);
void Put(Canvas* canvas, int32_t x, int32_t y, uint8_t index);
uint8_t Get(const Canvas& canvas, int32_t x, int32_t y);
// x wraps around (panoramas); rows outside are dropped.
void PutWrap(Canvas* canvas, int32_t x, int32_t y, uint8_t index);

// Shapes in one index; polygons by the even-odd rule.
struct Point {
    double x, y;
};
void FillPolygon(Canvas* canvas, const std::vector<Point>& points, uint8_t index);
void FillEllipse(Canvas* canvas, double cx, double cy, double rx, double ry, uint8_t index);
// Every background pixel beside a painted one becomes ink: a one-pixel outline.
void OutlineShape(Canvas* canvas, uint8_t background, uint8_t ink);

// The shade t (0 dark .. 1 light) of a ramp, dithered by position.
double Dither(int32_t x, int32_t y);
uint8_t Shade(const Ramp& ramp, double t, int32_t x, int32_t y);
// Chooses between two indices with probability t of b, dithered.
uint8_t Blend(uint8_t a, uint8_t b, double t, int32_t x, int32_t y);

// Value noise in [0, 1], periodic in x with the given period (in lattice
// cells) so a panorama's seam does not show.
double Noise(double x, double y, int periodX, uint32_t seed);
double Fractal(double x, double y, int periodX, int octaves, uint32_t seed);
double Hash01(uint32_t a, uint32_t b, uint32_t seed);

// A BMP file of the canvas with the palette, each colour written so that it
// shows as designed after the loader's gamma of 1.2.
std::vector<uint8_t> CanvasBmp(const Canvas& canvas, const Palette& palette);
// The file colour whose gamma-1.2 display value is closest to want.
uint8_t UnGamma(uint8_t want);
// What the loader makes of a file colour with gamma 1.2.
uint8_t GammaOf(uint8_t file);

// Flat-shaded triangles for the rotating item views.
struct Vec3 {
    double x, y, z;
};
struct Tri {
    Vec3 a, b, c;
    Ramp ramp;
    double gloss;  // 0 matt .. 1 shiny
};
// Rotates the mesh by angle about the vertical axis, tilts it towards the
// viewer, projects it with a little perspective into the canvas centre
// (scale: pixels per unit) and paints the faces with Lambert shading.
void RenderMesh(Canvas* canvas, const std::vector<Tri>& mesh, double angle,
                double tilt, double scale);
// A surface of revolution: profile points (radius, height) from bottom to
// top, sides segments around; ramps chosen per band by the callback.
typedef Ramp (*BandRamp)(int band, int segment, void* context);
void AddLathe(std::vector<Tri>* mesh, const std::vector<double>& radius,
              const std::vector<double>& height, int sides, BandRamp ramp,
              void* context);

// Sound: samples in -1..1 at a rate, written as 8- or 16-bit PCM WAV.
std::vector<uint8_t> SamplesWav(const std::vector<double>& left,
                                const std::vector<double>* right, uint32_t rate,
                                int bits);

// Adds a member (name 8.3) to the world.
void AddMember(std::vector<PackMember>* members, const std::string& name,
               const std::vector<uint8_t>& data);
void AddText(std::vector<PackMember>* members, const std::string& name,
             const std::string& text);

// The two worlds.
void BuildDemoWorld(std::vector<PackMember>* members);
void BuildTestWorld(std::vector<PackMember>* members);

// The demo world: a village square, a round cottage room and the desk in it.
// This file puts the pieces together: sprites, item views, the script.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tools/demoworld/demo.h"
#include "tools/zempack/pack.h"

double Smooth(double a, double b, double x) {
    double t = std::clamp((x - a) / (b - a), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

double Around(double x, double centre) {
    double d = std::fmod(x - centre, (double)kPanoWidth);
    if (d > kPanoWidth / 2) d -= kPanoWidth;
    if (d < -kPanoWidth / 2) d += kPanoWidth;
    return d;
}

// Offset-file words 2 to 5 are read from their sixth character on, so each
// carries a five-character label.
std::string PanoramaOffset(int frame, int top, int left, int width) {
    char line[128];
    std::snprintf(line, sizeof line, "frame%04d xpos=%d prow=%d pcol=%d ypos=%d - -\n", frame, left, top,
                  left + width - 1, top);
    return line;
}

std::string CloseupOffset(int frame, int left, int top) {
    char line[128];
    std::snprintf(line, sizeof line, "frame%04d xpos=%d prow=0 pcol=0 ypos=%d - -\n", frame, left, top);
    return line;
}

void AddSprite(std::vector<PackMember>* members, const SpriteSeries& series, const Palette& palette) {
    for (size_t f = 0; f < series.frames.size(); f++) {
        char name[16];
        std::snprintf(name, sizeof name, "%s%04d.BMP", series.prefix.c_str(), (int)f);
        AddMember(members, name, CanvasBmp(series.frames[f], palette));
    }
    AddText(members, series.prefix + "info.txt", series.info);
}

// ---------------------------------------------------------------------------
// Item views: 128 x 128 frames on a dark panel with a gold rim, drawn in the
// fixed colours plus the object's own ramps of its location's palette.

void AddItemView(std::vector<PackMember>* members, const std::string& prefix,
                 const std::vector<Tri>& mesh, const Palette& palette, double tilt, double scale) {
    for (int f = 0; f < 24; f++) {
        Canvas c = MakeCanvas(128, 128, FIX_PANEL);
        for (int y = 0; y < 128; y++)
            for (int x = 0; x < 128; x++) {
                double dx = (x - 64) / 64.0, dy = (y - 50) / 64.0;
                uint8_t px = Shade(FixedRamp(FIX_PANEL, 8), 0.8 - 0.7 * std::sqrt(dx * dx + dy * dy), x, y);
                if (x < 2 || y < 2 || x > 125 || y > 125) px = (uint8_t)(FIX_GOLDS + ((x + y) % 7 == 0 ? 7 : 5));
                Put(&c, x, y, px);
            }
        RenderMesh(&c, mesh, f * 2 * kPi / 24, tilt, scale);
        char name[16];
        std::snprintf(name, sizeof name, "%s%04d.BMP", prefix.c_str(), f);
        AddMember(members, name, CanvasBmp(c, palette));
    }
}

namespace {
struct LatheInk {
    std::vector<Ramp> ramps;
};
}  // namespace

static Ramp JarBand(int band, int segment, void* context) {
    const LatheInk* ink = (const LatheInk*)context;
    bool glaze = band >= 7 && band <= 9 && !(band == 8 && segment % 4 == 0);
    if (band == 4 && segment % 2 == 0) glaze = true;  // a dotted line below the band
    return glaze ? ink->ramps[1] : ink->ramps[0];
}

std::vector<Tri> JarMesh(const Scene& court) {
    std::vector<double> radius, height;
    for (int i = 0; i <= 14; i++) {
        double h = i / 14.0;
        double r = h > 0.86 ? 9 + 3 * std::max(0.0, (h - 0.94) / 0.06) : 11 + 15 * std::sin(std::min(1.0, h / 0.86) * kPi) * (1 - 0.25 * h);
        radius.push_back(r / 36.0);
        height.push_back(h * 2 - 1);
    }
    radius.insert(radius.begin(), 0.0);  // closed bottom
    height.insert(height.begin(), -1.0);
    LatheInk ink{court.itemRamps};
    std::vector<Tri> mesh;
    AddLathe(&mesh, radius, height, 20, JarBand, &ink);
    return mesh;
}

static Ramp GlobeFace(int band, int segment, void* context) {
    const LatheInk* ink = (const LatheInk*)context;
    if (band >= 14) return ink->ramps[2];  // the stand
    double land = Fractal(segment / 4.0, band / 3.0, 8, 3, 77);
    return land > 0.53 ? ink->ramps[1] : ink->ramps[0];
}

std::vector<Tri> GlobeMesh(const Scene& house) {
    std::vector<double> radius, height;
    // The stand first (bottom), then the sphere from its south pole up.
    const double standR[5] = {0.0, 0.55, 0.5, 0.12, 0.1};
    const double standH[5] = {-1.55, -1.55, -1.45, -1.35, -1.0};
    std::vector<double> r2, h2;
    for (int i = 0; i <= 14; i++) {
        double a = -kPi / 2 + kPi * i / 14;
        r2.push_back(std::cos(a));
        h2.push_back(std::sin(a) + 0.2);
    }
    LatheInk ink{house.itemRamps};
    std::vector<Tri> mesh;
    AddLathe(&mesh, r2, h2, 24, GlobeFace, &ink);
    for (int i = 0; i < 5; i++) {
        radius.push_back(standR[i]);
        height.push_back(standH[i] + 0.2);
    }
    AddLathe(&mesh, radius, height, 16, [](int, int, void* c) { return ((const LatheInk*)c)->ramps[2]; }, &ink);
    return mesh;
}

static Ramp GemFacet(int band, int segment, void* context) {
    const LatheInk* ink = (const LatheInk*)context;
    return ink->ramps[(band + segment) % 2];
}

std::vector<Tri> GemMesh(const Scene& desk) {
    std::vector<double> radius = {0.0, 1.0, 1.0, 0.62, 0.0};
    std::vector<double> height = {-0.95, 0.0, 0.12, 0.5, 0.5};
    LatheInk ink{desk.itemRamps};
    std::vector<Tri> mesh;
    AddLathe(&mesh, radius, height, 8, GemFacet, &ink);
    for (Tri& t : mesh) t.gloss = 1.0;
    return mesh;
}

// ---------------------------------------------------------------------------

static void AddScene(std::vector<PackMember>* members, const Scene& scene, const std::string& view,
                     const std::vector<std::string>& stampNames) {
    AddMember(members, view, CanvasBmp(scene.view, scene.palette));
    for (size_t i = 0; i < scene.stamps.size() && i < stampNames.size(); i++)
        AddMember(members, stampNames[i], CanvasBmp(scene.stamps[i].picture, scene.palette));
    for (const SpriteSeries& s : scene.sprites) AddSprite(members, s, scene.palette);
}

void BuildDemoWorld(std::vector<PackMember>* members) {
    Scene court, house, desk;
    court.palette = house.palette = desk.palette = FixedPalette();
    PaintCourt(&court);
    PaintHouse(&house);
    PaintDesk(&desk);
    const std::vector<uint32_t> accents = InterfaceColours();
    for (Scene* scene : {&court, &house, &desk}) AddAccents(&scene->palette, accents);
    AddScene(members, court, "COURT.BMP", {"JAR.BMP"});
    AddScene(members, house, "HOUSE.BMP", {"GLOBE.BMP"});
    AddScene(members, desk, "DESK.BMP", {"GEM.BMP"});
    AddItemView(members, "JAR", JarMesh(court), court.palette, 0.3, 40);
    AddItemView(members, "GLOB", GlobeMesh(house), house.palette, 0.25, 34);
    AddItemView(members, "GEM", GemMesh(desk), desk.palette, 0.55, 44);
    AddGateTransition(members);
    AddOutTransition(members);
    AddInterface(members);
    AddSounds(members);

    auto stampLine = [](const Scene& s, const char* name, const char* item) {
        const StampPicture& p = s.stamps[0];
        char line[160];
        std::snprintf(line, sizeof line, "stamp %s %d %d %d %d CHIME.WAV %s\n", name, p.x, p.y,
                      p.picture.width, p.picture.height, item);
        return std::string(line);
    };
    std::string script =
        "rem zemVR demo world: a village square, a round cottage room and its desk.\n"
        "rem Doors: target x y w h sound transition arrivalPanX arrivalPanY\n"
        "location court\n"
        "panorama COURT.BMP\n"
        "sprite MILL0000.BMP on\n"
        "sprite LAMP0000.BMP on\n" +
        stampLine(court, "JAR.BMP", "jar0000.bmp") +
        "pda PDA.BMP\n"
        "door house 280 286 60 94 CREAK.WAV gate0001.bmp 420 67\n"
        "door EXIT 1525 250 70 130\n"
        "\n"
        "location house\n"
        "panorama HOUSE.BMP\n"
        "sprite FIRE0000.BMP on\n"
        "sprite WHEL0000.BMP on\n" +
        stampLine(house, "GLOBE.BMP", "glob0000.bmp") +
        "door court 96 170 108 230 STEPS.WAV out0001.bmp 1240 67\n"
        "door housedesk 1450 300 200 100 STEPS.WAV\n"
        "\n"
        "location housedesk\n"
        "closeup DESK.BMP\n"
        "sprite CNDL0000.BMP on\n" +
        stampLine(desk, "GEM.BMP", "gem0000.bmp") +
        "door house 0 440 520 39 STEPS.WAV - 1230 67\n";
    AddText(members, "game.txt", script);
}

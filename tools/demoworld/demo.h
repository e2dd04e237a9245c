// Pieces of the demo world, shared between its source files.
#pragma once

#include <string>
#include <vector>

#include "tools/demoworld/paint.h"

static const int kPanoWidth = 2048;   // columns of a 360-degree panorama
static const int kPanoHeight = 512;   // rows; the warp reads up to about 510
static const double kPi = 3.14159265358979323846;

// 0 below a, 1 above b, a smooth step between.
double Smooth(double a, double b, double x);
// Signed distance in columns from centre to x round the panorama.
double Around(double x, double centre);

// One stamp: its picture cut from the scene with the object painted in, and
// the place where it goes.
struct StampPicture {
    Canvas picture;
    int x, y;
};

// A sprite series: frames with a transparent background (index 0) and the
// offset file's lines.
struct SpriteSeries {
    std::string prefix;  // up to 4 characters: PREFIX0000.BMP, PREFIXinfo.txt
    std::vector<Canvas> frames;
    std::string info;
};
// Offset-file line for a frame on a panorama (top row, rightmost column) or
// on a closeup (left column, top row).
std::string PanoramaOffset(int frame, int top, int left, int width);
std::string CloseupOffset(int frame, int left, int top);
void AddSprite(std::vector<PackMember>* members, const SpriteSeries& series,
               const Palette& palette);

// A location's pictures.
struct Scene {
    Palette palette;
    Canvas view;
    std::vector<StampPicture> stamps;
    std::vector<SpriteSeries> sprites;
    std::vector<Ramp> itemRamps;  // ramps the item view is painted with
};

void PaintCourt(Scene* scene);
void PaintHouse(Scene* scene);
void PaintDesk(Scene* scene);
// Door transitions, each in a palette of its own.
void AddGateTransition(std::vector<PackMember>* members);
void AddOutTransition(std::vector<PackMember>* members);

void AddInterface(std::vector<PackMember>* members);  // cursor, logo, PDA, icons
std::vector<uint32_t> InterfaceColours();
// The logo, PDA and icons are remapped onto entries 10 to 209 of each
// location's palette: the free entries of that range take the interface
// colours that match worst, until every one is close.
void AddAccents(Palette* palette, const std::vector<uint32_t>& colours);
// The desktop icon, 128 x 128 in the fixed colours; index 0 is transparent.
Canvas DemoIcon();
void AddSounds(std::vector<PackMember>* members);
// 24 frames prefix0000.BMP.. of a turning object in the scene's palette.
void AddItemView(std::vector<PackMember>* members, const std::string& prefix,
                 const std::vector<Tri>& mesh, const Palette& palette, double tilt,
                 double scale);
std::vector<Tri> JarMesh(const Scene& court);
std::vector<Tri> GlobeMesh(const Scene& house);
std::vector<Tri> GemMesh(const Scene& desk);

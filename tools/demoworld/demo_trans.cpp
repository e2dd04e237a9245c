// Door transitions, each series in a palette of its own: the cottage door
// swinging open (320 x 240, shown doubled) and stepping out into the square
// (480 x 270, shown at its size).
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "tools/demoworld/demo.h"

void AddGateTransition(std::vector<PackMember>* members) {
    Palette p = FixedPalette();
    Ramp wood = AddRamp(&p, Rgb(40, 22, 10), Rgb(170, 110, 58), 16);
    Ramp stone = AddRamp(&p, Rgb(40, 38, 38), Rgb(190, 180, 166), 14);
    Ramp warm = AddRamp3(&p, Rgb(40, 16, 8), Rgb(200, 110, 40), Rgb(255, 236, 170), 16);
    Ramp iron = AddRamp(&p, Rgb(16, 16, 18), Rgb(90, 90, 96), 6);
    const int w = 320, h = 240, x0 = 90, x1 = 230, top = 100, r = 70;
    for (int f = 0; f < 10; f++) {
        double open = f / 9.0;
        double angle = open * open * 1.3;  // radians each wing has turned
        Canvas c = MakeCanvas(w, h, 0);
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++) {
                double dx = x + 0.5 - (x0 + x1) / 2.0, dy = y < top ? top - y : 0;
                bool opening = std::fabs(dx) < r && dx * dx + dy * dy < r * r && y < 232;
                if (!opening) {
                    int row = y / 12, col = (x + (row % 2) * 10) / 20;
                    bool joint = y % 12 == 0 || (x + (row % 2) * 10) % 20 == 0;
                    double t = 0.3 + 0.3 * Hash01(row, col, 111) - (joint ? 0.2 : 0) + 0.2 * (1 - std::fabs(dx) / 160);
                    Put(&c, x, y, Shade(stone, t, x, y));
                    continue;
                }
                // The room beyond: firelight at the far wall.
                double fx = (x - 170) / 50.0, fy = (y - 200) / 40.0;
                double t = 0.15 + 0.75 * std::exp(-(fx * fx + fy * fy)) + 0.1 * (y - 30) / 200.0;
                Put(&c, x, y, Shade(warm, t, x, y));
            }
        // Two wings, hinged at the sides, turning away from the viewer.
        for (int side = 0; side < 2; side++) {
            double hinge = side == 0 ? x0 : x1, dir = side == 0 ? 1 : -1;
            double width = r * std::cos(angle);
            double shrink = 0.12 * std::sin(angle);  // the far edge looks shorter
            for (int x = 0; x < w; x++) {
                double u = (x + 0.5 - hinge) * dir / std::max(0.5, width);
                if (u < 0 || u > 1) continue;
                double lift = shrink * u * 130;
                for (int y = (int)(top - r + lift * 0.6); y < 232 - lift * 0.4; y++) {
                    double dx = x + 0.5 - (x0 + x1) / 2.0, dy = y < top ? top - y : 0;
                    if (dx * dx + dy * dy > r * r && y < top) continue;
                    int plank = (int)(u * 6);
                    double t = 0.55 - 0.35 * std::sin(angle) + 0.15 * Hash01(plank, side, 112) -
                               (std::fmod(u * 6, 1.0) < 0.08 ? 0.25 : 0);
                    uint8_t px = Shade(wood, t, x, y);
                    if (std::abs(y - 130) < 4 || std::abs(y - 200) < 4) px = Shade(iron, 0.4 - 0.3 * std::sin(angle), x, y);
                    Put(&c, x, y, px);
                }
            }
        }
        char name[16];
        std::snprintf(name, sizeof name, "GATE%04d.BMP", f + 1);
        AddMember(members, name, CanvasBmp(c, p));
    }
}

void AddOutTransition(std::vector<PackMember>* members) {
    Palette p = FixedPalette();
    Ramp plank = AddRamp(&p, Rgb(30, 18, 10), Rgb(140, 94, 56), 12);
    Ramp sky = AddRamp(&p, Rgb(70, 120, 200), Rgb(250, 236, 200), 14);
    Ramp plaster = AddRamp(&p, Rgb(110, 92, 74), Rgb(240, 222, 186), 10);
    Ramp roof = AddRamp(&p, Rgb(90, 30, 20), Rgb(226, 130, 90), 8);
    Ramp stone = AddRamp(&p, Rgb(60, 56, 52), Rgb(190, 180, 166), 10);
    const int w = 480, h = 270;
    for (int f = 0; f < 6; f++) {
        double s = 1 + 1.9 * f * f / 25.0 * 3.2;  // the doorway grows as we walk out
        double dw = 80 * s, dh = 170 * s, cx = 240, cy = 150 + 6 * f;
        double glare = f / 5.0;
        Canvas c = MakeCanvas(w, h, 0);
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++) {
                double u = (x + 0.5 - (cx - dw / 2)) / dw, v = (y + 0.5 - (cy - dh / 2)) / dh;
                if (u < 0 || u > 1 || v < 0 || v > 1) {
                    int board = (int)((x - cx) / (26 * s) + 100);
                    double t = 0.15 + 0.25 * Hash01(board, 0, 121) - 0.15 * std::fabs(x - cx) / w;
                    Put(&c, x, y, Shade(plank, t, x, y));
                    continue;
                }
                // Outside: sky, a row of houses, the square.
                double zoom = 1 + glare * 0.6;
                double ov = 0.5 + (v - 0.5) / zoom, ou = 0.5 + (u - 0.5) / zoom;
                uint8_t px;
                double roofLine = 0.42 - 0.08 * std::fabs(std::fmod(ou * 3, 1.0) - 0.5);
                if (ov < roofLine - 0.1) px = Shade(sky, 0.4 + 0.6 * ov + glare * 0.3, x, y);
                else if (ov < roofLine) px = Shade(roof, 0.5 + 0.3 * glare, x, y);
                else if (ov < 0.62) px = Shade(plaster, 0.55 + 0.35 * glare - (std::fmod(ou * 12, 1.0) < 0.2 && ov > 0.46 && ov < 0.56 ? 0.4 : 0), x, y);
                else px = Shade(stone, 0.4 + 0.3 * Hash01((int)(ou * 40), (int)(ov * 30), 122) + 0.2 * glare, x, y);
                Put(&c, x, y, px);
            }
        char name[16];
        std::snprintf(name, sizeof name, "OUT%04d.BMP", f + 1);
        AddMember(members, name, CanvasBmp(c, p));
    }
}

// Colours as the viewer will show them. The cursor is encoded through the
// identity once, so its indices are shown in every location's palette as
// they are; so is the logo until the first location change. The logo, the
// PDA panel and the icons are remapped onto entries 10 to 209 of each
// location's palette (the nearest colour wins).
//
// Distances are Euclidean in 8-bit red, green and blue as shown (after the
// gamma), from 0 to 441. Two colours count as the same within SameColour;
// a remapped colour is a poor match beyond PoorMatch, about one step of a
// 32-level ramp in each channel.
#include <cmath>
#include <cstdio>

#include "image/image.h"
#include "tools/zemworld/check.h"

static const double SameColour = 6.0;
static const double PoorMatch = 24.0;

static double Distance(const uint8_t* a, const uint8_t* b) {
    double dr = a[0] - b[0], dg = a[1] - b[1], db = a[2] - b[2];
    return std::sqrt(dr * dr + dg * dg + db * db);
}

static std::string Rgb(const uint8_t* e) {
    char text[32];
    std::snprintf(text, sizeof text, "(%d, %d, %d)", e[0], e[1], e[2]);
    return text;
}

static std::string Number(double d) {
    char text[16];
    std::snprintf(text, sizeof text, "%.0f", d);
    return text;
}

// Indices that must show the picture's own colours in a location's palette.
static void SameIndices(CheckContext* c, const std::string& file, const std::set<int>& used,
                        const std::vector<uint8_t>& own, const Location* only, const std::string& why) {
    if (own.empty()) return;
    for (const Location* l = c->locations; l; l = l->next) {
        if (only && l != only) continue;
        auto it = c->palettes.find(l);
        if (it == c->palettes.end()) continue;
        const uint8_t* palette = it->second.data();
        int worst = -1;
        double worstDistance = SameColour;
        for (int i : used) {
            double d = Distance(palette + 4 * i, own.data() + 4 * i);
            if (d > worstDistance) {
                worst = i;
                worstDistance = d;
            }
        }
        if (worst >= 0)
            CheckWarning(c, file, 0,
                         "colour " + std::to_string(worst) + " " + Rgb(own.data() + 4 * worst) +
                             " shows as " + Rgb(palette + 4 * worst) + " in location '" + l->name +
                             "' (distance " + Number(worstDistance) + "): " + why);
    }
}

// The worst remapped colour of a picture over every location.
static void Remapped(CheckContext* c, const std::string& file, const std::set<int>& used,
                     const std::vector<uint8_t>& source, const std::string& what) {
    if (source.empty()) return;
    double worstDistance = PoorMatch;
    int worst = -1, target = 0;
    const Location* where = nullptr;
    for (const Location* l = c->locations; l; l = l->next) {
        auto it = c->palettes.find(l);
        if (it == c->palettes.end()) continue;
        const uint8_t* palette = it->second.data();
        for (int i : used) {
            // The remap table's choice: the lowest of the nearest.
            int best = 10;
            int bestSquare = 200000;
            for (int j = 10; j <= 209; j++) {
                int dr = source[4 * i] - palette[4 * j], dg = source[4 * i + 1] - palette[4 * j + 1],
                    db = source[4 * i + 2] - palette[4 * j + 2];
                int d = dr * dr + dg * dg + db * db;
                if (d < bestSquare) {
                    bestSquare = d;
                    best = j;
                }
            }
            double d = std::sqrt((double)bestSquare);
            if (d > worstDistance) {
                worstDistance = d;
                worst = i;
                target = best;
                where = l;
            }
        }
    }
    if (worst >= 0)
        CheckWarning(c, file, 0,
                     "poor colour match: " + what + " colour " + std::to_string(worst) + " " +
                         Rgb(source.data() + 4 * worst) + " becomes entry " + std::to_string(target) + " " +
                         Rgb(c->palettes[where].data() + 4 * target) + " in location '" + where->name +
                         "' (distance " + Number(worstDistance) +
                         "); the viewer remaps the logo, PDA and icons onto entries 10 to 209 of each "
                         "location's palette");
}

// A picture whose own colour table the viewer does not use.
static void OwnTableIgnored(CheckContext* c, const std::string& file, const std::set<int>& used,
                            const std::vector<uint8_t>& used_palette, const std::string& owner) {
    if (used_palette.empty()) return;
    std::vector<uint8_t> own(1024);
    if (!zemLoadBMP(file.c_str(), nullptr, own.data(), nullptr, 0, 0, 0, 0)) return;
    for (int i : used) {
        double d = Distance(own.data() + 4 * i, used_palette.data() + 4 * i);
        if (d > SameColour) {
            CheckWarning(c, file, 0,
                         "its own colour table is not used: the viewer draws it in " + owner +
                             "'s colours, and colour " + std::to_string(i) + " is " + Rgb(own.data() + 4 * i) +
                             " here but " + Rgb(used_palette.data() + 4 * i) + " there");
            return;
        }
    }
}

void CheckPalettes(CheckContext* c) {
    SameIndices(c, "CURS0000.BMP", c->cursorColours, c->cursorPalette, nullptr,
                "the cursor keeps its colour indices in every location, so each location's palette needs "
                "the cursor's colours at the same indices");
    SameIndices(c, "ZEMLOGO.BMP", c->logoColours, c->logoPalette, c->locations,
                "until the first location change the logo keeps its own colour indices");
    Remapped(c, "ZEMLOGO.BMP", c->logoColours, c->logoPalette, "the logo's");
    for (const auto& pda : c->pdaColours) {
        OwnTableIgnored(c, pda.first, pda.second, c->logoPalette, "ZEMLOGO.BMP");
        Remapped(c, pda.first, pda.second, c->logoPalette, "the PDA picture's");
    }
    for (const auto& icon : c->iconColours) {
        OwnTableIgnored(c, icon.first, icon.second, c->iconPalette, "BATBICON.BMP");
        Remapped(c, icon.first, icon.second, c->iconPalette, "the icon's");
    }
}

// zemworld render: what the viewer shows, composed by the viewer's own frame
// code over the headless backend and written as a true-colour PNG.
//
// The status line and the cursor are left out of the picture: over the
// headless backend the status text is drawn in block glyphs, not in the
// viewer's font, and the cursor would only stand where the mouse happens to
// be. Everything else is the viewer's frame: the background with its
// painted stamps and its sprites at their first frame, the logo (at the
// first location as start-up loads it, elsewhere remapped as a location
// change does), the lowered PDA panel's top rows.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/zempack/pack.h"
#include "app/app.h"
#include "backend/headless/headless.h"
#include "image/image.h"
#include "scene/scene.h"
#include "tools/zemworld/world.h"
#include "tools/zemworld/zemworld.h"

namespace fs = std::filesystem;

static const int32_t FrameWidth = 640;
static const int32_t FrameHeight = 480;

struct RenderOptions {
    std::string world;
    std::string out;
    std::string location;
    int havePan = 0;
    int32_t panX = 0;
    int32_t panY = 0;
    int hotspots = 0;
    int all = 0;
    int force = 0;
};

static int RenderUsage() {
    std::fprintf(stderr,
                 "usage: zemworld render WORLD OUT.png [--location NAME] [--pan X,Y] [--hotspots] [--force]\n"
                 "       zemworld render WORLD OUTDIR --all [--pan X,Y] [--hotspots] [--force]\n"
                 "WORLD is an archive or a folder of viewer files. Without --location the first\n"
                 "location is drawn; without --pan the pan is the one the viewer enters with: the\n"
                 "start values at the first location, elsewhere the arrival pan of the first door\n"
                 "in the script that leads there (the start values when none does). --all writes\n"
                 "OUTDIR/01-NAME.png, 02-NAME.png, ... in script order. --hotspots outlines the\n"
                 "doors, stamps and sprites. The status line and the cursor are left out. A file\n"
                 "render did not write is not replaced without --force; none is written through\n"
                 "a link.\n");
    return 2;
}

static int ParseNumber(const char* text, const char** end, int32_t* value) {
    errno = 0;
    char* stop = nullptr;
    long long n = std::strtoll(text, &stop, 10);
    if (stop == text || errno || n < INT32_MIN || n > INT32_MAX) return 0;
    *value = (int32_t)n;
    *end = stop;
    return 1;
}

static int ParsePan(const char* text, int32_t* x, int32_t* y) {
    const char* p = text;
    if (!ParseNumber(p, &p, x) || *p != ',') return 0;
    return ParseNumber(p + 1, &p, y) && *p == 0;
}

static int ParseOptions(int argc, char** argv, RenderOptions* o) {
    std::vector<std::string> plain;
    for (int i = 0; i < argc; i++) {
        std::string a = argv[i];
        if (a == "--hotspots") {
            o->hotspots = 1;
        } else if (a == "--all") {
            o->all = 1;
        } else if (a == "--force") {
            o->force = 1;
        } else if (a == "--location" && i + 1 < argc) {
            o->location = argv[++i];
        } else if (a == "--pan" && i + 1 < argc) {
            if (!ParsePan(argv[++i], &o->panX, &o->panY)) {
                std::fprintf(stderr, "zemworld render: --pan wants X,Y (two whole numbers), not \"%s\"\n",
                             argv[i]);
                return 0;
            }
            o->havePan = 1;
        } else if (a.size() > 1 && a[0] == '-') {
            std::fprintf(stderr, "zemworld render: unknown option %s\n", a.c_str());
            return 0;
        } else {
            plain.push_back(a);
        }
    }
    if (plain.size() != 2) return 0;
    if (o->all && !o->location.empty()) {
        std::fprintf(stderr, "zemworld render: --all draws every location; leave out --location\n");
        return 0;
    }
    o->world = plain[0];
    o->out = plain[1];
    return 1;
}

// The pan the viewer has on entering: the start values at the first
// location; elsewhere the arrival pan of the first door in the script that
// leads there, or the start values when no door does.
static void EntryPan(const Location* target, int32_t startX, int32_t startY, int32_t* x,
                     int32_t* y, std::string* why) {
    *x = startX;
    *y = startY;
    *why = "start values";
    if (target == Locations) return;
    for (const Location* l = Locations; l; l = l->next)
        for (const Door* d = l->doors; d; d = d->next)
            if (std::strncmp(d->target, target->name, sizeof d->target) == 0) {
                *x = d->arrivalPanX;
                *y = d->arrivalPanY;
                *why = std::string("arrival pan of the door from '") + l->name + "'";
                return;
            }
    *why = "start values: no door leads here";
}

// One frame, composed as the viewer composes it, without status line and
// cursor.
static void ComposeFrame(int hotspots) {
    Sprite* cursor = Cursor;
    Cursor = nullptr;
    StatusShown = 0;
    HotspotsShown = hotspots;
    UpdateFrame();
    Cursor = cursor;
}

// The screen's indices through the attached palette.
static int WriteScreen(const std::string& path, std::string* error) {
    const uint8_t* screen = HeadlessScreen();
    const uint8_t* palette = HeadlessPalette();
    if (!screen || !palette) {
        *error = "no frame on the screen";
        return 0;
    }
    std::vector<uint8_t> rgb((size_t)FrameWidth * FrameHeight * 3), png;
    for (size_t i = 0; i < (size_t)FrameWidth * FrameHeight; i++)
        std::memcpy(&rgb[3 * i], palette + 4 * screen[i], 3);
    if (!EncodeRenderedPng(rgb.data(), FrameWidth, FrameHeight, &png)) {
        *error = "the picture cannot be encoded";
        return 0;
    }
    return PackWriteFile(path, png, error);
}

// A file name for a location: only letters, digits, '.', '_' and '-'.
static std::string FileNameFor(int index, const char* name) {
    char number[16];
    std::snprintf(number, sizeof number, "%02d-", index + 1);
    std::string out = number;
    for (const char* p = name; *p; p++) {
        char c = *p;
        bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '.' || c == '_' || c == '-';
        out += keep ? c : '_';
    }
    if (!*name) out += "location";
    return out + ".png";
}

static int LocationIndex(const std::string& name, int* index) {
    int i = 0;
    for (const Location* l = Locations; l; l = l->next, i++)
        if (name == l->name) {
            *index = i;
            return 1;
        }
    std::string list, alike;
    for (const Location* l = Locations; l; l = l->next) {
        list += std::string(list.empty() ? "" : ", ") + l->name;
        if (alike.empty() && strcasecmp(l->name, name.c_str()) == 0) alike = l->name;
    }
    std::fprintf(stderr, "zemworld render: no location \"%s\"%s; the world has: %s\n", name.c_str(),
                 alike.empty() ? "" : (" (names are exact: \"" + alike + "\"?)").c_str(),
                 list.c_str());
    return 0;
}

static int RenderOne(const RenderOptions& o, Location* target, int32_t startX, int32_t startY,
                     const std::string& path) {
    int32_t x = o.panX, y = o.panY;
    std::string why = "--pan";
    if (!o.havePan) EntryPan(target, startX, startY, &x, &y, &why);
    PanX = x;
    PanY = y;
    ComposeFrame(o.hotspots);
    std::string error;
    if (!WriteScreen(path, &error)) {
        std::fprintf(stderr, "zemworld render: error: %s\n", error.c_str());
        return 0;
    }
    std::string settled;
    if (PanX != x || PanY != y)
        settled = ", drawn at " + std::to_string(PanX) + "," + std::to_string(PanY);
    std::printf("%s: pan %d,%d (%s%s) -> %s\n", target->name, (int)x, (int)y, why.c_str(),
                settled.c_str(), path.c_str());
    if (!target->view || !target->view->picture)
        std::fprintf(stderr, "zemworld render: location '%s' did not load completely; zemworld check %s says why\n",
                     target->name, o.world.c_str());
    return 1;
}

int CommandRender(int argc, char** argv) {
    RenderOptions o;
    if (!ParseOptions(argc, argv, &o)) return RenderUsage();

    std::vector<uint8_t> archive;
    std::string error;
    if (!ReadWorld(o.world, &archive, &error)) {
        std::fprintf(stderr, "%s: error: %s\n", o.world.c_str(), error.c_str());
        return 1;
    }
    std::string message;
    if (!StartViewer(archive, &message)) {
        std::fprintf(stderr, "%s: error: the viewer does not start: \"%s\"; zemworld check %s says why\n",
                     o.world.c_str(), message.c_str(), o.world.c_str());
        StopViewer();
        return 1;
    }
    int32_t startX = PanX, startY = PanY;

    int count = 0;
    for (Location* l = Locations; l; l = l->next) count++;
    std::vector<int> wanted;
    if (o.all) {
        for (int i = 0; i < count; i++) wanted.push_back(i);
        std::error_code ec;
        fs::create_directories(o.out, ec);
        std::string reason = ec ? ec.message() : "";
        if (reason.empty() && !fs::is_directory(o.out, ec)) reason = "it is there and not a folder";
        if (!reason.empty()) {
            std::fprintf(stderr, "%s: error: cannot make the folder: %s\n", o.out.c_str(), reason.c_str());
            StopViewer();
            return 1;
        }
    } else {
        int index = 0;
        if (!o.location.empty() && !LocationIndex(o.location, &index)) {
            StopViewer();
            return 1;
        }
        wanted.push_back(index);
    }

    // Every picture's place is looked at before the first is written.
    std::vector<std::string> paths;
    int i = 0;
    for (const Location* l = Locations; l; l = l->next, i++)
        if (std::find(wanted.begin(), wanted.end(), i) != wanted.end())
            paths.push_back(o.all ? JoinPath(o.out, FileNameFor(i, l->name)) : o.out);
    std::string why;
    int free = 1;
    for (const std::string& path : paths)
        if (!OutputReplaceable(path, IsRenderedPng, o.force, &why)) {
            std::fprintf(stderr, "zemworld render: error: %s\n", why.c_str());
            free = 0;
        }
    if (!free) {
        StopViewer();
        return 1;
    }

    // Locations are entered the way Enter walks them, so each is loaded,
    // palette and logo included, exactly as the viewer loads it.
    int ok = 1, current = 0;
    for (size_t k = 0; k < wanted.size(); k++) {
        for (; current != wanted[k]; current = (current + 1) % count) zemChangeLoc(nullptr);
        if (!RenderOne(o, CurrentLocation, startX, startY, paths[k])) ok = 0;
    }
    int32_t left = StopViewer();
    if (left != 0) {
        std::fprintf(stderr, "zemworld render: %d tracked blocks left after shutdown\n", (int)left);
        ok = 0;
    }
    return ok ? 0 : 1;
}

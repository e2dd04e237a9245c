// Every location as zemRefreshLoc would enter it: its view (and palette),
// stamps, sprites, PDA picture, the stamps' item views and icons, and the
// doors with their targets, sounds and transitions.
#include <strings.h>

#include <cstdio>
#include <cstring>

#include "backend/backend.h"
#include "backend/backend.h"
#include "image/image.h"
#include "platform/platform.h"
#include "sound/sound.h"
#include "tools/zemworld/check.h"
#include "tools/zemworld/check_sprite.h"

static const int32_t ItemFrames = 24;
static const int32_t LeastPanoramaRows = 400;  // 480 / 1.2: the warp's reach at the bottom row
static const int32_t MostPanoramaRows = 1024;  // the row index has 10 integer bits

static std::string Size(int64_t w, int64_t h) { return std::to_string(w) + " x " + std::to_string(h); }

// "-" stands for "none" in the script's optional names.
static bool NoName(const char* name) { return !name[0] || std::strcmp(name, "-") == 0; }

// The view picture's size in picture terms (a panorama is held transposed).
struct ViewSize {
    int64_t w = 0, h = 0;
    bool known = false;
};

static void CheckSound(CheckContext* c, const char* name, int32_t line, const char* what) {
    if (NoName(name)) return;
    const PackListing* member = FindMember(c, name);
    if (!member) {
        CheckError(c, c->script, line, MissingText(what, name));
        return;
    }
    BkSoundBuffer* buffer = SoundObject ? LoadSound(name) : nullptr;
    if (!buffer) {
        if (SoundObject && c->explained.insert(member->name + "|sound").second)
            CheckError(c, member->name, 0,
                       std::string("the viewer cannot play this ") + what + " (" + c->script + ":" +
                           std::to_string(line) + "): " + WhySoundRefused(c, *member));
        return;
    }
    // The records take it; the backends that play it take only so long a
    // sound and drop a longer one unheard.
    WaveFormat format;
    uint32_t bytes = 0;
    std::string tooLong;
    if (SoundBufferGetFormat(buffer, &format, &bytes) == BK_OK)
        tooLong = SoundTooLong(format.samplesPerSec, format.bitsPerSample, format.channels, bytes);
    if (!tooLong.empty() && c->explained.insert(member->name + "|long").second)
        CheckWarning(c, member->name, 0,
                     std::string("this ") + what + " (" + c->script + ":" + std::to_string(line) + ") " + tooLong);
    SoundBufferRelease(buffer);
}

// Picture rectangles against the view picture: wholly or partly outside.
static void CheckInside(CheckContext* c, int32_t line, const std::string& what, int64_t x, int64_t y,
                        int64_t w, int64_t h, const ViewSize& view) {
    if (!view.known) return;
    bool outside = x >= view.w || y >= view.h || x + w <= 0 || y + h <= 0;
    bool partly = x < 0 || y < 0 || x + w > view.w || y + h > view.h;
    if (outside || partly)
        CheckWarning(c, c->script, line,
                     what + " (" + std::to_string(x) + ", " + std::to_string(y) + ", " + Size(w, h) +
                         ") lies " + (outside ? "wholly" : "partly") + " outside the view picture (" +
                         Size(view.w, view.h) + ")");
}

// The frame's name for frame k: four digits and ".bmp" in place of those
// before the first ".bmp".
static std::string ItemFrame(const std::string& name, size_t digits, int32_t k) {
    char number[16];
    std::snprintf(number, sizeof number, "%04d.bmp", (int)k);
    return name.substr(0, digits) + number;
}

static void CheckItemView(CheckContext* c, const Stamp* stamp, int32_t line) {
    std::string name = stamp->itemView;
    size_t bmp = name.find(".bmp");
    if (name.empty()) {
        CheckWarning(c, c->script, line,
                     "stamp " + std::string(stamp->name) +
                         " has no item view, so it has no icon: the viewer never paints it into the scene "
                         "(its rectangle still reacts to clicks)");
        if (!NoName(stamp->sound))
            CheckWarning(c, c->script, line,
                         "stamp sound " + std::string(stamp->sound) + " is never played: only an item view plays it");
        return;
    }
    if (bmp == std::string::npos || bmp < 4) {
        CheckError(c, c->script, line,
                   "item view " + Quoted(name) +
                       " must be four digits and '.bmp' in small letters after a prefix (like key0000.bmp): "
                       "the viewer finds its frames and its icon by that name");
        return;
    }
    size_t digits = bmp - 4;
    std::vector<std::string> missing;
    for (int32_t k = 0; k < ItemFrames; k++) {
        std::string frame = ItemFrame(name, digits, k);
        if (!FindMember(c, frame)) {
            missing.push_back(frame);
            continue;
        }
        Image* picture = nullptr;
        PictureUse use = {"item-view frame", 0, 0, 0, 0};
        if (CheckPicture(c, frame, use, line, &picture, nullptr) && picture->width > 640)
            CheckError(c, FindMember(c, frame)->name, 0,
                       "the item-view frame is " + std::to_string(picture->width) +
                           " pixels wide, wider than the screen, so the viewer never draws it");
        FreeImageList(&picture);
    }
    if (!missing.empty()) {
        std::string list;
        for (size_t i = 0; i < missing.size() && i < 4; i++) list += (i ? ", " : "") + missing[i];
        if (missing.size() > 4) list += ", ...";
        CheckError(c, c->script, line,
                   "item view " + name + " has " + std::to_string(ItemFrames - (int)missing.size()) +
                       " of its 24 frames (missing: " + list + ")");
    }
    std::string icon = name.substr(0, digits) + "icon.bmp";
    if (!FindMember(c, icon)) {
        CheckError(c, c->script, line,
                   "item view " + name + " has no icon " + icon +
                       ": without it the viewer never paints the stamp into the scene");
    } else {
        Image* picture = nullptr;
        PictureUse use = {"item icon", 0, 1, 0, 0};
        if (CheckPicture(c, icon, use, line, &picture, nullptr)) {
            FreeImageList(&picture);
            Image* raw = nullptr;
            if (zemLoadBMP(icon.c_str(), &raw, nullptr, nullptr, 0, 0, 0, 0))
                UsedColours(raw, 1, &c->iconColours[FindMember(c, icon)->name]);
            FreeImageList(&raw);
        }
    }
    CheckSound(c, stamp->sound, line, "stamp sound");
}

static void CheckStamp(CheckContext* c, const Stamp* stamp, const View* view, const ViewSize& size) {
    int32_t line = LineOf(c, stamp);
    Image* picture = nullptr;
    PictureUse use = {"stamp picture", 0, 0, view->panorama, 0};
    if (CheckPicture(c, stamp->name, use, line, &picture, nullptr)) {
        int64_t w = view->panorama ? picture->height : picture->width;
        int64_t h = view->panorama ? picture->width : picture->height;
        if (w != stamp->w || h != stamp->h)
            CheckWarning(c, c->script, line,
                         "stamp rectangle " + Size(stamp->w, stamp->h) + " differs from " + stamp->name +
                             "'s size " + Size(w, h) +
                             (view->panorama ? ": on a panorama the picture is placed by w, so it shifts"
                                             : ": clicks react on the rectangle, not on the picture"));
        CheckInside(c, line, std::string("stamp picture ") + stamp->name, stamp->x, stamp->y, w, h, size);
    }
    FreeImageList(&picture);
    if (stamp->w <= 1 || stamp->h <= 1)
        CheckWarning(c, c->script, line,
                     "stamp rectangle " + Size(stamp->w, stamp->h) +
                         " can never be clicked: a stamp reacts inside its edges only");
    else
        CheckInside(c, line, "stamp rectangle", stamp->x, stamp->y, stamp->w, stamp->h, size);
    CheckItemView(c, stamp, line);
}

static void CheckTransition(CheckContext* c, const Door* door, int32_t line) {
    if (NoName(door->transition)) return;
    std::string name = door->transition;
    size_t bmp = name.find(".bmp");
    std::vector<uint8_t> palette(1024);
    PictureUse use = {"transition frame", 1, 0, 0, 0};
    bool numbered = bmp != std::string::npos && bmp >= 4;
    int32_t number = 0;
    if (numbered)
        for (size_t i = bmp - 4; i < bmp && name[i] >= '0' && name[i] <= '9'; i++)
            number = number * 10 + (name[i] - '0');
    for (int32_t k = 0; k < 10000; k++) {
        // The first frame is the name as written; the next ones have their
        // number rewritten in front of ".bmp".
        std::string frame = k == 0 || !numbered ? name : name.substr(0, bmp - 4) + ItemFrame("", 0, number + k);
        if (k > 0 && !FindMember(c, frame)) break;
        Image* picture = nullptr;
        if (!CheckPicture(c, frame, use, k == 0 ? line : 0, &picture, palette.data())) break;
        // 480-wide frames are shown at their size, others doubled.
        bool shown = picture->width == 480 ? picture->height <= 480
                                           : picture->width <= 320 && picture->height <= 240;
        if (!shown && c->explained.insert(frame + "|size").second)
            CheckError(c, FindMember(c, frame)->name, 0,
                       "the transition frame is " + Size(picture->width, picture->height) +
                           ": the viewer shows frames 480 wide (at most 480 high) at their size and doubles "
                           "others of at most 320 x 240, so it never draws this one");
        FreeImageList(&picture);
        if (!numbered) {
            CheckWarning(c, c->script, line,
                         "transition " + name + " has no four digits and '.bmp' in small letters: only this one frame is shown");
            break;
        }
    }
}

static void CheckDoor(CheckContext* c, const Location* location, const Door* door, const ViewSize& size) {
    int32_t line = LineOf(c, door);
    std::string target = door->target;
    if (strcasecmp(door->target, "EXIT") != 0) {
        const Location* found = nullptr;
        const Location* alike = nullptr;
        const Location* near = nullptr;
        int nearest = 3;
        for (const Location* l = c->locations; l; l = l->next) {
            if (!found && target == l->name) found = l;
            if (!alike && strcasecmp(l->name, door->target) == 0) alike = l;
            int d = EditDistance(target, l->name);
            if (d < nearest) {
                nearest = d;
                near = l;
            }
        }
        if (!found) {
            std::string text = "door target " + Quoted(target) + " names no location: a click leads to the first location " +
                               Quoted(c->locations->name);
            if (alike)
                text += " (location " + Quoted(alike->name) + " differs only in case; names are compared exactly)";
            else if (near)
                text += "; did you mean " + Quoted(near->name) + "?";
            CheckError(c, c->script, line, text);
        } else if (found == location) {
            CheckWarning(c, c->script, line,
                         "the door leads to its own location " + Quoted(target) + ": a click reloads it");
        }
    }
    if (door->w < 0 || door->h < 0)
        CheckWarning(c, c->script, line,
                     "door rectangle " + Size(door->w, door->h) + " has a negative size and can never be clicked");
    else
        CheckInside(c, line, "door rectangle", door->x, door->y, door->w, door->h, size);
    CheckSound(c, door->sound, line, "door sound");
    CheckTransition(c, door, line);
}

static void CheckSprites(CheckContext* c, const Location* location, const Image* picture, const ViewSize& size) {
    const View* view = location->view;
    for (const SpriteRef* ref = location->sprites; ref; ref = ref->next) {
        int32_t line = LineOf(c, ref);
        SpriteLoad load = {ref->name, line, "sprite", "sprite frame", 1, view->panorama,
                           picture ? picture->height : 0, picture ? picture->width : 0, 1};
        Sprite* sprite = CheckSprite(c, load);
        if (!sprite) continue;
        int32_t k = 0;
        for (const Image* f = sprite->first; f && size.known; f = f->next, k++) {
            int64_t x = f->x, y = f->y, w = f->width, h = f->height;
            if (view->panorama) {  // x is the top row, y the stored column of the right edge
                x = size.w - (int64_t)f->y - f->height;
                y = f->x;
                w = f->height;
                h = f->width;
            }
            if (x < 0 || y < 0 || x + w > size.w || y + h > size.h) {
                CheckWarning(c, c->script, line,
                             "sprite frame " + std::to_string(k) + " (" + std::to_string(x) + ", " + std::to_string(y) +
                                 ", " + Size(w, h) + ") lies outside the view picture (" + Size(size.w, size.h) +
                                 "): the viewer cuts it or leaves it out");
                break;
            }
        }
        FreeSprite(&sprite);
    }
}

static void CheckPda(CheckContext* c, const Location* location) {
    if (!location->pdaName) return;
    int32_t line = c->pdaLines[location];
    std::string name = location->pdaName;
    Image* picture = nullptr;
    PictureUse use = {"PDA picture", 0, 1, 0, 1};
    if (CheckPicture(c, name, use, line, &picture, nullptr)) {
        Image* raw = nullptr;
        if (zemLoadBMP(name.c_str(), &raw, nullptr, nullptr, 0, 0, 0, 0))
            UsedColours(raw, 1, &c->pdaColours[FindMember(c, name)->name]);
        FreeImageList(&raw);
    }
    FreeImageList(&picture);
}

static void CheckView(CheckContext* c, Location* location) {
    View* view = location->view;
    int32_t line = c->viewLines[location];
    Image* picture = nullptr;
    std::vector<uint8_t> palette(1024);
    PictureUse use = {view->panorama ? "panorama" : "closeup picture", 1, 0, view->panorama, 0};
    ViewSize size;
    if (CheckPicture(c, view->name, use, line, &picture, palette.data())) {
        c->palettes[location] = palette;
        size.known = true;
        size.w = view->panorama ? picture->height : picture->width;
        size.h = view->panorama ? picture->width : picture->height;
        if (view->panorama && size.h < LeastPanoramaRows)
            CheckError(c, c->script, line,
                       "panorama " + std::string(view->name) + " is " + std::to_string(size.h) +
                           " rows high; the warp needs at least 400 (the screen's 480 rows / 1.2) or the "
                           "bottom of the view shows the last row stretched");
        if (view->panorama && size.h > MostPanoramaRows)
            CheckWarning(c, c->script, line,
                         "panorama " + std::string(view->name) + " is " + std::to_string(size.h) +
                             " rows high; the warp reaches at most 1024 rows");
        if (!view->panorama && (size.w > 640 || size.h > 480))
            CheckError(c, c->script, line,
                       "closeup picture " + std::string(view->name) + " is " + Size(size.w, size.h) +
                           ", larger than the 640 x 480 screen: the viewer does not draw it");
    }
    for (const Stamp* stamp = location->stamps; stamp; stamp = stamp->next) CheckStamp(c, stamp, view, size);
    CheckSprites(c, location, picture, size);
    for (const Door* door = location->doors; door; door = door->next) CheckDoor(c, location, door, size);
    FreeImageList(&picture);
}

void CheckLocations(CheckContext* c) {
    for (Location* location = c->locations; location; location = location->next) {
        int32_t line = LineOf(c, location);
        const Location* first = nullptr;
        for (const Location* l = c->locations; l != location; l = l->next)
            if (!first && std::strcmp(l->name, location->name) == 0) first = l;
        if (first)
            CheckWarning(c, c->script, line,
                         "location " + Quoted(location->name) + " has the name of the one on line " +
                             std::to_string(LineOf(c, first)) + ": doors lead there, never here");
        if (!location->view) {
            CheckError(c, c->script, line,
                       "location " + Quoted(location->name) +
                           " has no view (a closeup or panorama line): the viewer shows nothing there" +
                           (location == c->locations ? " and stops at start-up" : ""));
            for (const Door* door = location->doors; door; door = door->next) {
                ViewSize none;
                CheckDoor(c, location, door, none);
            }
        } else {
            CheckView(c, location);
        }
        CheckPda(c, location);

        // Reached through a door of another location, or only by Enter.
        bool reached = location == c->locations || first;
        for (const Location* l = c->locations; l && !reached; l = l->next)
            for (const Door* d = l->doors; d && !reached; d = d->next)
                reached = l != location && std::strcmp(d->target, location->name) == 0;
        if (!reached)
            CheckWarning(c, c->script, line,
                         "no door leads to location " + Quoted(location->name) + ": only the Enter key reaches it");
    }
}

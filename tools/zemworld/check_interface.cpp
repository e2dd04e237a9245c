// The pictures every world needs: the logo, the icon palette and the
// cursor series, loaded as start-up loads them.
#include "image/image.h"
#include "platform/platform.h"
#include "tools/zemworld/check.h"
#include "tools/zemworld/check_sprite.h"

static const int32_t CursorFramesNeeded = 4;

void CheckInterface(CheckContext* c) {
    Image* logo = nullptr;
    std::vector<uint8_t> palette(1024);
    PictureUse logoUse = {"logo", 1, 1, 0, 0};
    if (!FindMember(c, "ZEMLOGO.BMP")) {
        CheckError(c, "ZEMLOGO.BMP", 0,
                   "every world needs this logo picture: without it the viewer stops at start-up with "
                   "\"Failed zemLoadBMP logo\"");
    } else if (CheckPicture(c, "ZEMLOGO.BMP", logoUse, 0, &logo, palette.data())) {
        c->logoPalette = palette;
        if (logo->width > 640 || logo->height > 480)
            CheckWarning(c, "ZEMLOGO.BMP", 0, "the logo is larger than the screen, so the viewer never draws it");
        FreeImageList(&logo);
        // Its colours, from a raw load of the same file.
        Image* raw = nullptr;
        if (zemLoadBMP("ZEMLOGO.BMP", &raw, nullptr, nullptr, 0, 0, 0, 0)) UsedColours(raw, 1, &c->logoColours);
        FreeImageList(&raw);
    }

    // Only the colour table is read; any file with both headers will do.
    const PackListing* icons = FindMember(c, "BATBICON.BMP");
    if (!icons) {
        CheckError(c, "BATBICON.BMP", 0,
                   "every world needs this icon palette picture (the item icons are drawn in its colours): "
                   "without it the viewer stops at start-up with \"Failed zemLoadBMP item\"");
    } else if (!zemLoadBMP("BATBICON.BMP", nullptr, palette.data(), nullptr, 0, 0, 0, 0)) {
        std::vector<uint8_t> head = MemberBytes(c, *icons, 0, 54);
        const uint8_t* p = head.data();
        uint32_t used = icons->size >= 54 ? (uint32_t)(p[46] | p[47] << 8 | p[48] << 16 | (uint32_t)p[49] << 24) : 0;
        CheckError(c, icons->name, 0,
                   "the viewer cannot read its colour table (and stops at start-up with \"Failed zemLoadBMP item\"): " +
                       (icons->size < 54 ? "it is " + std::to_string(icons->size) +
                                               " bytes long, too short for the 54 bytes of BMP headers"
                                         : "its colours-used field is " + std::to_string(used) + ", more than 256"));
    } else {
        c->iconPalette = palette;
        if (BmpHeaderSize(c, *icons) != 40)
            CheckError(c, icons->name, 0,
                       "its info header is " + std::to_string(BmpHeaderSize(c, *icons)) +
                           " bytes, not 40, so the viewer does not read its colour table and every item "
                           "icon shows in wrong colours");
    }

    if (!FindMember(c, "CURS0000.BMP")) {
        CheckError(c, "CURS0000.BMP", 0,
                   "every world needs the cursor series CURS0000.BMP to CURS0003.BMP: without it the "
                   "viewer stops at start-up with \"Failed zemLoadSprite cursor\"");
        return;
    }
    SpriteLoad load = {"CURS0000.BMP", 0, "cursor", "cursor frame", 0, 0, 0, 0, 0};
    Sprite* cursor = CheckSprite(c, load);
    if (!cursor) return;
    int32_t count = cursor->count;
    FreeSprite(&cursor);
    if (count < CursorFramesNeeded) {
        CheckError(c, "CURS0000.BMP", 0,
                   "the cursor has " + std::to_string(count) +
                       " frames; the viewer needs four (CURS0000.BMP to CURS0003.BMP: nothing under it, "
                       "something to take or a nearby door, the item view, a door elsewhere) and stops "
                       "at start-up with \"Failed zemLoadSprite cursor\"");
        return;
    }
    // The frames are encoded through the identity once: their indices are
    // shown in whatever palette the location has.
    for (const std::string& name : SpriteFrameNames("CURS0000.BMP", count)) {
        Image* raw = nullptr;
        bool first = c->cursorPalette.empty();
        if (zemLoadBMP(name.c_str(), &raw, first ? palette.data() : nullptr, nullptr, 0, 0, 0, 0)) {
            UsedColours(raw, 1, &c->cursorColours);
            if (first && BmpHeaderSize(c, *FindMember(c, name)) == 40) c->cursorPalette = palette;
        }
        FreeImageList(&raw);
    }
}

// Entering a location: its view picture and palette, sprites, stamps, the
// PDA picture and the stamp icons in the new colours, and the stamps still in
// the scene painted into the view picture.
#include <cstdint>
#include <cstring>

#include "image/image.h"
#include "platform/platform.h"
#include "scene/scene.h"
#include "screen/screen.h"

static const int32_t NameBytes = 32;

// Encoded loads decode into the back buffer's pixels, which are only valid
// while it is locked. Without a back buffer (or a lock) there is no scratch.
struct Scratch {
    uint8_t* pixels;
    int32_t size;
    int locked;
};

static Scratch LockScratch() {
    Scratch scratch = {nullptr, 0, 0};
    if (!BackBuffer || !LockImage(BackBuffer)) return scratch;
    scratch.locked = 1;
    int64_t bytes = (int64_t)BackBuffer->pitch * BackBuffer->height;
    if (BackBuffer->pixels && bytes > 0 && bytes <= INT32_MAX) {
        scratch.pixels = BackBuffer->pixels;
        scratch.size = (int32_t)bytes;
    }
    return scratch;
}

static void UnlockScratch(const Scratch& scratch) {
    if (scratch.locked) UnlockImage(BackBuffer);
}

static int LoadSprites(Location* location) {
    View* view = location->view;
    Image* picture = view->picture;
    Scratch scratch = LockScratch();
    int ok = 1;
    for (SpriteRef* ref = location->sprites; ref && ok; ref = ref->next) {
        if (ref->sprite) continue;
        ok = zemLoadSprite(ref->name, &ref->sprite, scratch.pixels, scratch.size, 1,
                           view->panorama, picture->height, picture->width);
    }
    UnlockScratch(scratch);
    return ok;
}

// Two copies of each stamp picture, placed in view-picture coordinates. On
// a panorama (held column-major) the stamp's columns x .. x + w - 1 are the
// stored columns N - x - w onwards and its rows the stored row offset.
static int LoadStamps(Location* location) {
    View* view = location->view;
    int32_t columns = view->picture->height;
    for (Stamp* stamp = location->stamps; stamp; stamp = stamp->next) {
        if (stamp->picture) continue;
        if (!zemLoadBMP(stamp->name, &stamp->picture, nullptr, nullptr, 0, 0, 0, view->panorama))
            return 0;
        // A fresh load must not overwrite a record that is still held.
        FreeImageList(&stamp->swapPicture);
        if (!zemLoadBMP(stamp->name, &stamp->swapPicture, nullptr, nullptr, 0, 0, 0,
                        view->panorama))
            return 0;
        Image* picture = stamp->picture;
        if (view->panorama) {
            picture->x = stamp->y;
            // Script numbers are not range-checked: wrap as 32-bit sums do.
            picture->y = (int32_t)((uint32_t)columns - (uint32_t)stamp->x - (uint32_t)stamp->w);
        } else {
            picture->x = stamp->x;
            picture->y = stamp->y;
        }
        stamp->swapPicture->x = picture->x;
        stamp->swapPicture->y = picture->y;
    }
    return 1;
}

// The icon file of an item view: the four characters before the first
// ".bmp" and everything after them become "icon.bmp" (keys0000.bmp gives
// keysicon.bmp). 0 when there is no such name.
static int IconName(const char* itemView, char* name) {
    std::memcpy(name, itemView, NameBytes);
    name[NameBytes - 1] = 0;
    const char* bmp = std::strstr(name, ".bmp");
    if (!name[0] || !bmp || bmp - name < 4) return 0;
    // ".bmp" ends by byte 31, so "icon.bmp" and its zero fit from 4 before it.
    std::memcpy(name + (bmp - name) - 4, "icon.bmp", 9);
    return 1;
}

void zemLoadIcons() {
    Scratch scratch = LockScratch();
    for (Location* location = Locations; location; location = location->next) {
        for (Stamp* stamp = location->stamps; stamp; stamp = stamp->next) {
            char name[NameBytes];
            if (stamp->icon) {
                // Same record, so its x (the taken state) survives. The name
                // is copied first: a refused reuse releases the record.
                std::memcpy(name, stamp->icon->name, NameBytes);
                name[NameBytes - 1] = 0;
                zemLoadBMP(name, &stamp->icon, nullptr, scratch.pixels, scratch.size, 1, 1, 0);
            } else if (IconName(stamp->itemView, name)) {
                if (zemLoadBMP(name, &stamp->icon, nullptr, nullptr, 0, 0, 1, 0))
                    stamp->icon->x = -1;
            }
        }
    }
    UnlockScratch(scratch);
}

// The PDA picture, made with the logo's palette: the current location's own
// name, else the picture already loaded reloaded by its name.
static void LoadPda() {
    char name[NameBytes];
    if (CurrentLocation && CurrentLocation->pdaName)
        std::memcpy(name, CurrentLocation->pdaName, NameBytes);
    else if (Pda)
        std::memcpy(name, Pda->name, NameBytes);
    else
        return;
    name[NameBytes - 1] = 0;
    Scratch scratch = LockScratch();
    zemLoadBMP(name, &Pda, nullptr, scratch.pixels, scratch.size, 1, 1, 0);
    UnlockScratch(scratch);
}

int zemRefreshLoc(Location* location) {
    if (!location) return 0;
    View* view = location->view;
    if (view && !view->picture) {
        if (!zemLoadBMP(view->name, &view->picture, CurrentPalette, nullptr, 0, 0, 0, view->panorama))
            return 0;
        if (!view->panorama) {
            view->picture->x = 320 - view->picture->width / 2;
            view->picture->y = 240 - view->picture->height / 2;
        }
    }
    // Sprites and stamps are placed on the view picture; a location without
    // a view has neither loaded.
    if (view && !LoadSprites(location)) return 0;
    ClearRequested = 1;
    if (view && !LoadStamps(location)) return 0;

    BuildRemapTable(CurrentPalette, LogoPalette);
    LoadPda();
    BuildRemapTable(CurrentPalette, IconPalette);
    zemLoadIcons();
    BuildRemapTable(nullptr, nullptr);

    if (Pda && Pda->x == 0) {
        Pda->x = 320 - Pda->width / 2;
        Pda->y = 470;
        PdaShown = 0;
    }
    DoorUnderCursor = nullptr;
    StampUnderCursor = nullptr;
    SpriteUnderCursor = nullptr;

    if (view) {
        for (Stamp* stamp = location->stamps; stamp; stamp = stamp->next)
            if (stamp->icon && stamp->icon->x < 0)
                BlitImage(view->picture, stamp->picture, stamp->swapPicture);
    }
    return 1;
}

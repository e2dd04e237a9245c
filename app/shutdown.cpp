// Shutdown: everything start-up created, released in a fixed order. Every
// reference is cleared after its object goes, so a second run (the failed
// start-up's own call followed by the window's destruction) releases nothing.
#include "app/app.h"
#include "app/parts.h"
#include "backend/backend.h"
#include "image/image.h"
#include "platform/platform.h"
#include "scene/scene.h"
#include "sound/sound.h"

void FreeWorldPictures() {
    FreeImageList(&Logo);
    FreeSprite(&Cursor);
    AuthorFreeMap();
    zemFreeLocations(&Locations);
    CurrentLocation = nullptr;
    DoorUnderCursor = nullptr;
    StampUnderCursor = nullptr;
    SpriteUnderCursor = nullptr;
}

void ShutdownApp() {
    ReleaseSounds(1);
    FreeSoundList();
    if (SoundObject) {
        SoundRelease(SoundObject);
        SoundObject = nullptr;
    }

    // Releasing the display object gives the display mode back; the back
    // buffer goes with its primary surface.
    if (DisplayObject) {
        if (PrimarySurface) {
            SurfaceRelease(PrimarySurface);
            PrimarySurface = nullptr;
            BackSurface = nullptr;
        }
        if (PaletteObject) {
            PaletteRelease(PaletteObject);
            PaletteObject = nullptr;
        }
        DisplayRelease(DisplayObject);
        DisplayObject = nullptr;
    }

    if (StatusFont) {
        FontDelete(StatusFont);
        StatusFont = nullptr;
    }

    // The record only: its pixels were the surface's memory.
    TrackedFree(BackBuffer);
    BackBuffer = nullptr;

    FreeImageList(&Pda);
    FreeWorldPictures();

    if (UseArchive) {
        ArchiveRelease();
    } else if (DataDirectoryEntered) {
        DataDirectoryLeave();
        DataDirectoryEntered = 0;
    }
}

// Start-up: window, display, data source, sound, fixed pictures, the script
// and its first location, palette, cursor, warp tables and font, in a fixed
// order. The first failed step releases everything and tells the user which
// step it was.
#include <cstdio>
#include <cstring>

#include "app/app.h"
#include "app/parts.h"
#include "backend/backend.h"
#include "image/image.h"
#include "panorama/panorama.h"
#include "platform/platform.h"
#include "scene/scene.h"
#include "sound/sound.h"

// The hit tests step the cursor up to its frame 3.
static const int32_t CursorFramesNeeded = 4;

// The display mode is given back before the message is shown; the number is
// the last result start-up recorded. The text also goes to the console, and
// after it the reason in words where the failed step gave one.
static int FailStartupWhy(const char* text, const char* reason) {
    std::snprintf(MessageText, sizeof MessageText, "%s", text);
    ShutdownApp();
    size_t used = std::strlen(MessageText);
    std::snprintf(MessageText + used, sizeof MessageText - used, " %d", (int)LastResult);
    ConsoleWrite(MessageText);
    if (reason) ConsoleWrite(reason);
    MessageBoxShow(MainWindow, MessageText, "zemVR");
    WindowDestroy(MainWindow);
    return 0;
}

static int FailStartup(const char* text) { return FailStartupWhy(text, nullptr); }

static int TakeDisplay() {
    LastResult = DisplayCreate(&DisplayObject);
    if (LastResult != BK_OK) {
        DisplayObject = nullptr;
        return FailStartup("Failed DirectDrawCreate");
    }
    LastResult = DisplaySetCooperativeLevel(DisplayObject, MainWindow,
                                            DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN);
    if (LastResult != BK_OK) return FailStartup("Failed SetCooperativeLevel");
    LastResult = DisplaySetMode(DisplayObject, 640, 480, 8);
    if (LastResult != BK_OK) return FailStartup("Failed SetDisplayMode");

    SurfaceDesc desc;
    std::memset(&desc, 0, sizeof desc);
    desc.size = sizeof desc;
    desc.flags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.caps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX |
                DDSCAPS_SYSTEMMEMORY;
    desc.backBufferCount = 1;
    LastResult = DisplayCreateSurface(DisplayObject, &desc, &PrimarySurface);
    if (LastResult != BK_OK) {
        PrimarySurface = nullptr;
        return FailStartup("Failed CreateSurface");
    }

    BackBuffer = (Image*)TrackedAlloc((int32_t)sizeof(Image));
    if (!BackBuffer) return FailStartup("Failed TrackedAlloc BackBuffer");
    std::memset(BackBuffer, 0, sizeof(Image));
    BackBuffer->surface = PrimarySurface;

    LastResult = SurfaceGetAttached(PrimarySurface, DDSCAPS_BACKBUFFER, &BackSurface);
    if (LastResult != BK_OK) {
        BackSurface = nullptr;
        return FailStartup("Failed GetAttachedSurface");
    }
    // One lock teaches the record the back buffer's geometry.
    BackBuffer->surface = BackSurface;
    if (LockImage(BackBuffer)) UnlockImage(BackBuffer);
    return 1;
}

static int OpenDataSource() {
    if (UseArchive) {
        if (FastFileInit("data.zem", 40)) return 1;
        // A world named on the command line is named in the message too.
        const char* name = ArchivePath ? ArchivePath : "data.zem";
        char text[sizeof MessageText], reason[sizeof MessageText * 2];
        std::snprintf(text, sizeof text, "Failed FastFileInit %s", name);
        std::snprintf(reason, sizeof reason, "cannot play %s: %s", name,
                      ArchiveFailure ? ArchiveFailure : "it is no world archive");
        return FailStartupWhy(text, reason);
    } else {
        if (!DataDirectoryEnter()) return FailStartup("Failed chdir to data directory");
        DataDirectoryEntered = 1;
    }
    return 1;
}

// Without a sound device the program runs silent; neither call stops
// start-up, but the result stays in LastResult.
static void OpenSound() {
    LastResult = SoundCreate(&SoundObject);
    if (LastResult != BK_OK) {
        SoundObject = nullptr;
        return;
    }
    LastResult = SoundSetCooperativeLevel(SoundObject, MainWindow, DSSCL_NORMAL);
}

const char* LoadFixedPictures() {
    if (!zemLoadBMP("ZEMLOGO.BMP", &Logo, LogoPalette, nullptr, 0, 0, 1, 0))
        return "Failed zemLoadBMP logo";
    Logo->x = 639 - Logo->width;
    Logo->y = 479 - Logo->height;
    if (!zemLoadBMP("BATBICON.BMP", nullptr, IconPalette, nullptr, 0, 0, 0, 0))
        return "Failed zemLoadBMP item";
    BuildRemapTable(nullptr, nullptr);
    return nullptr;
}

static int LoadWorld() {
    if (!zemLoadScript("game.txt", &Locations)) return FailStartup("Failed Tesrin");
    CurrentLocation = Locations;
    if (!zemRefreshLoc(CurrentLocation)) return FailStartup("Failed zemRefreshLoc");

    LastResult = DisplayCreatePalette(DisplayObject, DDPCAPS_8BIT, CurrentPalette,
                                      &PaletteObject);
    if (LastResult != BK_OK) {
        PaletteObject = nullptr;
        return FailStartup("Failed CreatePalette");
    }
    LastResult = SurfaceSetPalette(PrimarySurface, PaletteObject);
    if (LastResult != BK_OK) return FailStartup("Failed SetPalette");
    return 1;
}

const char* LoadCursor(int32_t x, int32_t y) {
    if (!zemLoadSprite("CURS0000.BMP", &Cursor, nullptr, 0, 1, 0, 0, 0) ||
        Cursor->count < CursorFramesNeeded || !Cursor->first || !Cursor->saveUnder)
        return "Failed zemLoadSprite cursor";
    Cursor->first->x = x;
    Cursor->first->y = y;
    // The save-under picture is a second load of a cursor frame, not what
    // lies under the cursor: marked as holding nothing until the first draw
    // saves there, or the first erase would paint a second cursor.
    Cursor->saveUnder->x = -1;
    return nullptr;
}

int initFont() {
    if (StatusFont) {
        FontDelete(StatusFont);
        StatusFont = nullptr;
    }
    StatusFont = FontCreate(18, FW_BOLD, NONANTIALIASED_QUALITY, VARIABLE_PITCH,
                            "Comic Sans MS");
    return StatusFont != nullptr;
}

int InitApp() {
    BkWindow* window = WindowCreate("zemVR", WindowProc, ScreenWidth(), ScreenHeight());
    if (!window) return 0;
    WindowShow(window);
    ResetGlobals();
    MainWindow = window;
    CursorHide();

    if (!TakeDisplay()) return 0;
    if (!OpenDataSource()) return 0;
    OpenSound();
    const char* failed = LoadFixedPictures();
    if (failed) return FailStartup(failed);
    if (!LoadWorld()) return 0;
    failed = LoadCursor(320, 240);
    if (failed) return FailStartup(failed);
    BuildWarpTables();
    if (!initFont()) return FailStartup("Failed initFont");
    if (AuthorMode) AuthorLoadMap();

    LastAnimTime = ClockMilliseconds();
    CurrentTime = ClockMilliseconds();
    FillRows(BackBuffer, 0, 0, 480);
    PresentFrame();
    return 1;
}

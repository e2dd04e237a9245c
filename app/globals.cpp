// Program-wide state of the shell, and the one function that sets every
// program-wide variable of the system to its start value.
#include <cstring>

#include "app/app.h"
#include "image/image.h"
#include "platform/platform.h"
#include "scene/scene.h"
#include "sound/sound.h"

#ifndef ZEM_USE_ARCHIVE
#define ZEM_USE_ARCHIVE 1
#endif

BkWindow* MainWindow = nullptr;
BkDisplay* DisplayObject = nullptr;
BkSurface* PrimarySurface = nullptr;
BkSurface* BackSurface = nullptr;
Image* BackBuffer = nullptr;
BkPalette* PaletteObject = nullptr;
BkFont* StatusFont = nullptr;
Image* Logo = nullptr;
Sprite* Cursor = nullptr;
Image* Pda = nullptr;

int32_t PanX = 0;
int32_t PanY = 67;
int32_t CursorX = 320;
int32_t CursorY = 240;
int32_t PrevCursorX = 320;
int32_t PrevCursorY = 240;
int32_t LetterboxX = 0;
int32_t LetterboxY = 0;
int32_t AnimInterval = 50;
int32_t StatusShown = 1;
int32_t PdaShown = 0;
int32_t ItemViewActive = 0;
int32_t ClearRequested = 0;
int32_t PalettePending = 0;
int32_t LastResult = 0;
int32_t DataDirectoryEntered = 0;

int32_t RedrawRequested = 0;
int32_t CursorOnlyRequested = 0;
int32_t ShrinkRequested = 0;
int32_t GrowRequested = 0;

uint32_t LastAnimTime = 0;
uint32_t CurrentTime = 0;
uint32_t FrameCount = 0;
uint32_t FramesPerSecond = 0;
uint32_t FpsSampleTime = 0;
uint32_t FpsSampleFrames = 0;

char MessageText[128];

// (1.2 x 512 - 480) truncated, then halved: the pan that centres the
// horizon of a 512-row panorama.
static int32_t StartPanY() {
    int32_t full = (int32_t)(1.2 * 512 - 480);
    return full / 2;
}

void ResetGlobals() {
    MainWindow = nullptr;
    DisplayObject = nullptr;
    PrimarySurface = nullptr;
    BackSurface = nullptr;
    BackBuffer = nullptr;
    PaletteObject = nullptr;
    StatusFont = nullptr;
    Logo = nullptr;
    Cursor = nullptr;
    Pda = nullptr;

    PanX = 0;
    PanY = StartPanY();
    CursorX = 320;
    CursorY = 240;
    PrevCursorX = 320;
    PrevCursorY = 240;
    LetterboxX = 0;
    LetterboxY = 0;
    AnimInterval = 50;
    StatusShown = 1;
    PdaShown = 0;
    ItemViewActive = 0;
    ClearRequested = 0;
    PalettePending = 0;
    LastResult = 0;
    DataDirectoryEntered = 0;

    RedrawRequested = 0;
    CursorOnlyRequested = 0;
    ShrinkRequested = 0;
    GrowRequested = 0;

    LastAnimTime = 0;
    CurrentTime = 0;
    FrameCount = 0;
    FramesPerSecond = 0;
    FpsSampleTime = 0;
    FpsSampleFrames = 0;
    std::memset(MessageText, 0, sizeof MessageText);

    LiveBlocks = 0;
    LiveBytes = 0;
    UseArchive = ZEM_USE_ARCHIVE;

    Gamma = 1.2;
    for (int i = 0; i < 256; i++) RemapTable[i] = (uint8_t)i;

    Locations = nullptr;
    CurrentLocation = nullptr;
    DoorUnderCursor = nullptr;
    StampUnderCursor = nullptr;
    SpriteUnderCursor = nullptr;
    HotspotsShown = 0;
    std::memset(CurrentPalette, 0, sizeof CurrentPalette);
    std::memset(LogoPalette, 0, sizeof LogoPalette);
    std::memset(IconPalette, 0, sizeof IconPalette);

    SoundObject = nullptr;
    SoundList = nullptr;
}

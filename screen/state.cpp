// Program-wide screen state. Each variable's start value is written once,
// in the list below: the definitions and the reset both take it from there.
#include "screen/screen.h"

// (1.2 x 512 - 480) truncated, then halved: the pan that centres the
// horizon of a 512-row panorama.
#define START_PAN_Y ((int32_t)(1.2 * 512 - 480) / 2)

#define SCREEN_STATE(X)                       \
    X(BkWindow*, MainWindow, nullptr)         \
    X(BkDisplay*, DisplayObject, nullptr)     \
    X(BkSurface*, PrimarySurface, nullptr)    \
    X(BkSurface*, BackSurface, nullptr)       \
    X(Image*, BackBuffer, nullptr)            \
    X(BkPalette*, PaletteObject, nullptr)     \
    X(Image*, Logo, nullptr)                  \
    X(Sprite*, Cursor, nullptr)               \
    X(Image*, Pda, nullptr)                   \
    X(int32_t, PanX, 0)                       \
    X(int32_t, PanY, START_PAN_Y)             \
    X(int32_t, CursorX, 320)                  \
    X(int32_t, CursorY, 240)                  \
    X(int32_t, PrevCursorX, 320)              \
    X(int32_t, PrevCursorY, 240)              \
    X(int32_t, LetterboxX, 0)                 \
    X(int32_t, LetterboxY, 0)                 \
    X(int32_t, AnimInterval, 50)              \
    X(int32_t, StatusShown, 1)                \
    X(int32_t, PdaShown, 0)                   \
    X(int32_t, ItemViewActive, 0)             \
    X(int32_t, ClearRequested, 0)             \
    X(int32_t, PalettePending, 0)             \
    X(int32_t, LastResult, 0)                 \
    X(uint32_t, LastAnimTime, 0)              \
    X(uint32_t, CurrentTime, 0)               \
    X(uint32_t, FrameCount, 0)                \
    X(uint32_t, FramesPerSecond, 0)           \
    X(uint32_t, FpsSampleTime, 0)             \
    X(uint32_t, FpsSampleFrames, 0)

#define DEFINE(type, name, start) type name = start;
SCREEN_STATE(DEFINE)

void ResetScreenState() {
#define RESET(type, name, start) name = start;
    SCREEN_STATE(RESET)
}

// The application shell: start-up and shutdown, present, input, idle tick,
// frame composition and the status line.
#pragma once

#include <cstdint>

struct BkWindow;
struct BkDisplay;
struct BkSurface;
struct BkPalette;
struct BkFont;
struct Image;
struct Sprite;

// Display and fixed pictures.
extern BkWindow* MainWindow;
extern BkDisplay* DisplayObject;
extern BkSurface* PrimarySurface;
extern BkSurface* BackSurface;
extern Image* BackBuffer;
extern BkPalette* PaletteObject;
extern BkFont* StatusFont;
extern Image* Logo;
extern Sprite* Cursor;
extern Image* Pda;

// View state.
extern int32_t PanX;
extern int32_t PanY;
extern int32_t CursorX;
extern int32_t CursorY;
extern int32_t PrevCursorX;
extern int32_t PrevCursorY;
extern int32_t LetterboxX;
extern int32_t LetterboxY;
extern int32_t AnimInterval;
extern int32_t StatusShown;
extern int32_t PdaShown;
extern int32_t ItemViewActive;
extern int32_t ClearRequested;
extern int32_t PalettePending;
extern int32_t LastResult;
// Start-up changed into the data directory (plain-file mode), so shutdown
// goes back out of it exactly once.
extern int32_t DataDirectoryEntered;

// Requests of the message being handled.
extern int32_t RedrawRequested;
extern int32_t CursorOnlyRequested;
extern int32_t ShrinkRequested;
extern int32_t GrowRequested;

// Timing.
extern uint32_t LastAnimTime;
extern uint32_t CurrentTime;
extern uint32_t FrameCount;
extern uint32_t FramesPerSecond;
extern uint32_t FpsSampleTime;
extern uint32_t FpsSampleFrames;

extern char MessageText[128];

// Every program-wide variable of every subsystem back to its start value
// (references none, nothing released).
void ResetGlobals();

int RunMessageLoop();
int InitApp();
void ShutdownApp();
void PresentFrame();

intptr_t WindowProc(BkWindow* window, uint32_t message, uintptr_t wParam,
                    intptr_t lParam);
void UpdateCursorOnly();

void IdleTick();
void UpdateFrame();
void RedrawAll();
void RestoreSpriteBackgrounds();
void DrawStatusLine(Image* destination);
int initFont();

// Program-wide screen state that the layers above share: the display
// objects and fixed pictures, the view state, timing, the last result of a
// platform call, and the one way a composed frame reaches the screen.
#pragma once

#include <cstdint>

struct BkWindow;
struct BkDisplay;
struct BkSurface;
struct BkPalette;
struct Image;
struct Sprite;

// Display and fixed pictures.
extern BkWindow* MainWindow;
extern BkDisplay* DisplayObject;
extern BkSurface* PrimarySurface;
extern BkSurface* BackSurface;
extern Image* BackBuffer;
extern BkPalette* PaletteObject;
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

// Timing.
extern uint32_t LastAnimTime;
extern uint32_t CurrentTime;
extern uint32_t FrameCount;
extern uint32_t FramesPerSecond;
extern uint32_t FpsSampleTime;
extern uint32_t FpsSampleFrames;

// Every variable above back to its start value (references none, nothing
// released).
void ResetScreenState();

// Flips the composed back buffer onto the screen, attaching a pending
// palette first; afterwards the back buffer holds the frame on the screen.
void PresentFrame();

// The application shell: start-up and shutdown, input, the idle tick, frame
// composition and the status line. The screen state it shares with the
// layers below is in screen/.
#pragma once

#include <cstdint>

#include "screen/screen.h"

struct BkFont;

extern BkFont* StatusFont;
// Start-up changed into the data directory (plain-file mode), so shutdown
// goes back out of it exactly once.
extern int32_t DataDirectoryEntered;

// Requests of the message being handled.
extern int32_t RedrawRequested;
extern int32_t CursorOnlyRequested;
extern int32_t ShrinkRequested;
extern int32_t GrowRequested;

extern char MessageText[128];

// The shell's own variables back to their start values.
void ResetAppState();
// Every program-wide variable of every subsystem back to its start value
// (references none, nothing released): each subsystem's own reset.
void ResetGlobals();

int RunMessageLoop();
int InitApp();
void ShutdownApp();

intptr_t WindowProc(BkWindow* window, uint32_t message, uintptr_t wParam,
                    intptr_t lParam);
void UpdateCursorOnly();

void IdleTick();
void UpdateFrame();
void RedrawAll();
void RestoreSpriteBackgrounds();
void DrawStatusLine(Image* destination);
int initFont();

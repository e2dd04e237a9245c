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

// The author's mode (zemvr --author, the viewer of zemworld play), chosen
// on the command line before start-up and kept by every reset: commands
// reload the world in place or show an error over the picture; the status
// line, the outlines and the copied positions speak of the author's files
// and pixels. Off, nothing the player sees changes.
extern int32_t AuthorMode;
// One command line: "reload PATH", "error TEXT" or "clear".
void AuthorCommand(const char* line);
// The world in the archive at path in place of the one open now, at the
// same location (found by name, else the first) and pan; the view size,
// status line, speed and gamma stay. On failure the world before is opened
// again. 1 on success; the error to show is AuthorErrorText.
int ReloadWorld(const char* path);
// The error drawn over the picture, "" for none.
extern char AuthorErrorText[512];
// Author mode's keys and mouse; 1 when the message was theirs.
int AuthorKeyDown(uintptr_t key);
int AuthorButtonDown();
int AuthorMouseMove();
int AuthorButtonUp();
// The status line's text in author mode; its length.
int AuthorStatusText(char* text, int size);
// The error and the rectangle being dragged, over the frame.
void DrawAuthorOverlay(Image* destination);

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

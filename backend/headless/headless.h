// What tests can do with the headless backend: fill the message queue, drive
// the clock, make platform calls fail, and read back what was shown, played
// and released.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "backend/backend.h"

// Operations whose result a test can choose.
enum HeadlessOp {
    HOP_WINDOW_CREATE,
    HOP_DISPLAY_CREATE,
    HOP_SET_COOPERATIVE_LEVEL,
    HOP_SET_DISPLAY_MODE,
    HOP_CREATE_SURFACE,
    HOP_GET_ATTACHED_SURFACE,
    HOP_CREATE_PALETTE,
    HOP_SET_PALETTE,
    HOP_FLIP,
    HOP_RESTORE,
    HOP_LOCK,
    HOP_GET_DC,
    HOP_FONT_CREATE,  // any nonzero code: no font can be had
    HOP_SOUND_CREATE,
    HOP_SOUND_COOPERATIVE_LEVEL,
    HOP_SOUND_CREATE_BUFFER,
    HOP_SOUND_LOCK,
    HOP_COUNT
};

// Back to a fresh platform: empty queue, clock at 0 without stepping, no
// faults, nothing shown, played or released, no window.
void HeadlessReset();

// The next `times` calls of op give `code` (times < 0: every call from now
// on). A code of 0 removes the fault.
void HeadlessFail(HeadlessOp op, int32_t code, int32_t times);
// The same after the next `skip` calls of op have succeeded.
void HeadlessFailAfter(HeadlessOp op, int32_t code, int32_t skip, int32_t times);
// Number of times op was called since the reset.
int HeadlessCallCount(HeadlessOp op);

// Messages for the program's window (posted behind anything queued).
void HeadlessPushMessage(uint32_t message, uintptr_t wParam, intptr_t lParam);
void HeadlessPushMouse(uint32_t message, int32_t x, int32_t y);
void HeadlessSetKeyState(int32_t virtualKey, int down);
// As the SDL backend does: characters come as WM_CHAR from the layout, and
// translation adds only Enter's.
void HeadlessCharactersFromText(int on);
int HeadlessQueueLength();

// Clock: set it, and let every read move it on by step milliseconds (0 keeps
// it still) so that busy waits end.
void HeadlessSetClock(uint32_t ms);
void HeadlessSetClockStep(uint32_t stepPerRead);
uint32_t HeadlessClock();

// Screen and palette.
const uint8_t* HeadlessScreen();       // front buffer, 640 x 480, pitch 640
const uint8_t* HeadlessBackPixels();   // back buffer, 640 x 480, pitch 640
const uint8_t* HeadlessPalette();      // attached palette, 1024 bytes, or null
int HeadlessFlipCount();               // flips that showed a frame
int HeadlessPaletteAttachCount();
int HeadlessDisplayModeSet();          // 1 while the 640 x 480 x 8 mode is held
int HeadlessWindowAlive();
int HeadlessCursorHidden();

// Message box.
int HeadlessMessageBoxCount();
std::string HeadlessMessageBoxText();
std::string HeadlessMessageBoxCaption();
// Whether the display mode was still held when the last box was shown.
int HeadlessMessageBoxDuringMode();
// Every console line since the reset, each ended by a newline.
std::string HeadlessConsoleText();

// Releases in order, as words: "sound-buffer", "sound", "surface",
// "palette", "display", "font", "window".
std::vector<std::string> HeadlessReleaseLog();

// Text: the last string written to a device context, and its position.
std::string HeadlessLastText();
int32_t HeadlessLastTextX();
int32_t HeadlessLastTextY();
int HeadlessTextCount();

// Sound: every buffer that was played, with its format and bytes.
struct HeadlessPlayed {
    WaveFormat format;
    std::vector<uint8_t> bytes;
};
int HeadlessPlayedCount();
const HeadlessPlayed* HeadlessPlayedAt(int index);
// Buffers that exist now (created and not released).
int HeadlessLiveSoundBuffers();
// Every buffer that is playing stops (its status becomes 0).
void HeadlessFinishSounds();

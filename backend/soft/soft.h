// What both backends share: the in-memory display (flipping chain, palettes,
// locks, device contexts), the message queue of the one window and the sound
// buffer records. Private to backend/: the system sees only backend.h.
//
// Each backend provides the hooks declared at the end (Backend*): how a frame
// reaches a screen, how text is shaped, how a sound is heard, and which
// results a test has injected.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "backend/backend.h"

#define SOFT_WIDTH 640
#define SOFT_HEIGHT 480
#define SOFT_PALETTE_BYTES 1024

// Operations whose result a backend may override (the headless backend lets
// tests choose them). Same order as HeadlessOp.
enum SoftOp {
    SOP_WINDOW_CREATE,
    SOP_DISPLAY_CREATE,
    SOP_SET_COOPERATIVE_LEVEL,
    SOP_SET_DISPLAY_MODE,
    SOP_CREATE_SURFACE,
    SOP_GET_ATTACHED_SURFACE,
    SOP_CREATE_PALETTE,
    SOP_SET_PALETTE,
    SOP_FLIP,
    SOP_RESTORE,
    SOP_LOCK,
    SOP_GET_DC,
    SOP_FONT_CREATE,
    SOP_SOUND_CREATE,
    SOP_SOUND_COOPERATIVE_LEVEL,
    SOP_SOUND_CREATE_BUFFER,
    SOP_SOUND_LOCK,
    SOP_COUNT
};

// ---------------------------------------------------------------------------
// Objects behind the handles of backend.h.

struct BkWindow {
    BkWindowProc proc;
    int alive;
};

struct BkDisplay {
    BkWindow* window;
    uint32_t cooperativeFlags;
    int modeHeld;
};

// refs: one for the program until it releases the palette, plus one for each
// chain it is attached to; the memory goes when both are gone.
struct BkPalette {
    BkDisplay* display;
    uint8_t entries[SOFT_PALETTE_BYTES];
    int refs;
    int released;
};

// A primary surface and its back buffer. The chain's state (lost, palette)
// lives in the primary; `primary` of either surface points there.
struct BkSurface {
    BkDisplay* display;
    BkSurface* primary;
    BkSurface* back;
    uint8_t* pixels;
    int32_t width;
    int32_t height;
    int32_t pitch;
    uint32_t caps;
    int lost;
    int locks;
    BkPalette* palette;
};

struct BkDC {
    BkSurface* surface;
    int32_t bkMode;
    uint32_t textColor;  // 0x00BBGGRR
    uint32_t bkColor;
    BkFont* font;
};

struct BkSoundDevice {
    BkWindow* window;
    uint32_t level;
};

// Sample rates a sound buffer may have: what recorded sound uses. Beyond
// them a conversion to the device's rate would cost without bound.
#define SOUND_LOWEST_RATE 4000
#define SOUND_HIGHEST_RATE 192000
// The longest sound every backend plays. A sound is converted whole when
// it starts (to the device's format, or to the browser's 32-bit samples), so
// its length is bounded: six minutes, and at most SOUND_MOST_SAMPLES samples
// of all channels together (64 MB as the web page holds them).
#define SOUND_LONGEST_SECONDS 360
#define SOUND_MOST_SAMPLES (16u * 1024u * 1024u)
// Bytes of sample data in that format that every backend plays: whole
// frames of at most the bounds above, in a buffer the records can make.
uint32_t SoundMostBytes(const WaveFormat* format);

struct BkSoundBuffer {
    BkSoundDevice* device;
    WaveFormat format;
    uint8_t* bytes;
    uint32_t size;
    uint32_t writePosition;
    int locked;
    void* backend;  // the backend's own playback record, or none
};

// ---------------------------------------------------------------------------
// Shared state, for the backends.

BkWindow* SoftWindow();        // the program's one window record
int SoftQueueLength();
// on: the backend posts WM_CHAR for the text the keyboard layout types, and
// translation adds only Enter's character 13. Off after a reset.
void SoftCharactersFromText(int on);
BkSurface* SoftPrimary();      // the live primary surface, or none
int SoftSurfaceLive(const BkSurface* surface);
int SoftLiveSoundBuffers();
// The palette that colours a surface: the one attached to its chain.
const uint8_t* SoftChainPalette(const BkSurface* surface);
// Index of the palette entry nearest to a COLORREF (0x00BBGGRR).
int SoftNearestIndex(const uint8_t* palette, uint32_t colorref);

struct SoftTextRecord {
    std::string text;
    int32_t x;
    int32_t y;
    int count;
};
const SoftTextRecord* SoftLastText();

// Frees the device contexts of a surface that goes away.
void SoftFreeDCsOf(const BkSurface* surface);

// Releases every object and message without telling the backend (tests
// start again from nothing).
void SoftReset();
void SoftResetDisplay();
void SoftResetText();
void SoftResetSound();

// ---------------------------------------------------------------------------
// Hooks each backend implements.

// 0, or the result a test chose for this call of op.
BkResult BackendFault(SoftOp op);
// A word of the release log: "surface", "palette", "display", "window",
// "sound-buffer", "sound", "font".
void BackendReleased(const char* what);

// Window: 1 when the platform's window could be opened.
int BackendWindowOpen(const char* title, int32_t width, int32_t height);
void BackendWindowShow();
void BackendWindowClose();
// Moves platform events into the queue (MessagePost) until a message is
// queued or none is left. Never waits.
void BackendPumpMessages();
// The queue stayed empty: the backend may give up the processor for at
// most 1 ms.
void BackendIdle();

// The exclusive 640 x 480 x 8 mode is taken / given back.
BkResult BackendTakeDisplay();
void BackendGiveDisplay();

enum SoftShowReason { SOFT_SHOW_FLIP, SOFT_SHOW_PALETTE };
// The front buffer (640 x 480) is to be shown through palette (1024 bytes,
// or none when no palette is attached).
void BackendShow(const uint8_t* pixels, int32_t pitch, const uint8_t* palette,
                 SoftShowReason reason);
void BackendWaitVerticalBlank();

// Coverage of a string in a font: width x height bytes, 1 where the glyphs
// set a pixel and 0 elsewhere; height is the font's cell height. 0 when
// nothing can be drawn.
struct SoftTextMask {
    int32_t width;
    int32_t height;
    std::vector<uint8_t> bits;
};
int BackendTextMask(BkFont* font, const char* text, int32_t length,
                    SoftTextMask* out);

// Sound: open the device, start a buffer from its start, tell whether it
// still plays, and stop it and free what the backend kept for it.
BkResult BackendSoundOpen();
void BackendSoundClose();
BkResult BackendSoundStart(BkSoundBuffer* buffer);
int BackendSoundPlaying(BkSoundBuffer* buffer);
void BackendSoundStop(BkSoundBuffer* buffer);

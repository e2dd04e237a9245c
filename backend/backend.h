// The operations the system relies on from the platform: display, window and
// messages, clock, message box, text and sound. Three implementations exist:
// backend/sdl (the real program), backend/web (the program in a web page)
// and backend/headless (tests), over what they share in backend/soft. The
// system is linked with exactly one of them and never sees an SDL type.
#pragma once

#include <cstdint>

// ---------------------------------------------------------------------------
// Result codes. 0 is success; failures are negative 32-bit values.
typedef int32_t BkResult;

#define BK_OK 0
#define DDERR_SURFACELOST ((int32_t)0x887601C2u)
#define DDERR_WASSTILLDRAWING ((int32_t)0x8876021Cu)
#define DDERR_GENERIC ((int32_t)0x80004005u)
#define DDERR_OUTOFMEMORY ((int32_t)0x8007000Eu)
#define DDERR_INVALIDPARAMS ((int32_t)0x80070057u)
#define DDERR_NOTLOCKED ((int32_t)0x887601E6u)
#define DSERR_NODRIVER ((int32_t)0x88780078u)
#define DSERR_BUFFERLOST ((int32_t)0x88780096u)
#define DSERR_BADFORMAT ((int32_t)0x88780064u)
#define DSERR_INVALIDPARAM ((int32_t)0x80070057u)

// Flags and capabilities the system passes.
#define DDSCL_FULLSCREEN 0x1u
#define DDSCL_EXCLUSIVE 0x10u
#define DDSD_CAPS 0x1u
#define DDSD_BACKBUFFERCOUNT 0x20u
#define DDSCAPS_BACKBUFFER 0x4u
#define DDSCAPS_COMPLEX 0x8u
#define DDSCAPS_FLIP 0x10u
#define DDSCAPS_PRIMARYSURFACE 0x200u
#define DDSCAPS_SYSTEMMEMORY 0x800u
#define DDPCAPS_8BIT 0x4u
#define DDWAITVB_BLOCKBEGIN 0x1u

#define DSSCL_NORMAL 0x1u
#define DSBCAPS_CTRLFREQUENCY 0x20u
#define DSBCAPS_CTRLPAN 0x40u
#define DSBCAPS_CTRLVOLUME 0x80u
#define DSBLOCK_FROMWRITECURSOR 0x1u
#define DSBSTATUS_PLAYING 0x1u

// Background modes of a device context.
#define TRANSPARENT 1
#define OPAQUE 2

// Font request values.
#define FW_BOLD 700
#define NONANTIALIASED_QUALITY 3
#define VARIABLE_PITCH 2

// ---------------------------------------------------------------------------
// Messages and keys (values as the system's window procedure expects them).
#define WM_DESTROY 0x0002u
#define WM_CLOSE 0x0010u
#define WM_QUIT 0x0012u
#define WM_SETCURSOR 0x0020u
#define WM_KEYDOWN 0x0100u
#define WM_KEYUP 0x0101u
#define WM_CHAR 0x0102u
#define WM_MOUSEMOVE 0x0200u
#define WM_LBUTTONDOWN 0x0201u
#define WM_LBUTTONUP 0x0202u
#define WM_LBUTTONDBLCLK 0x0203u
#define WM_RBUTTONDOWN 0x0204u
#define WM_RBUTTONUP 0x0205u
// A line of the author's command channel (zemvr --author), in the range a
// program keeps for its own messages: lParam points to the zero-terminated
// text, which lasts until the next message is taken.
#define WM_AUTHOR_COMMAND 0x8001u

#define VK_LBUTTON 0x01
#define VK_RBUTTON 0x02
#define VK_BACK 0x08
#define VK_TAB 0x09
#define VK_RETURN 0x0D
#define VK_SHIFT 0x10
#define VK_CONTROL 0x11
#define VK_ESCAPE 0x1B
#define VK_SPACE 0x20
#define VK_LEFT 0x25
#define VK_UP 0x26
#define VK_RIGHT 0x27
#define VK_DOWN 0x28
#define VK_ADD 0x6B
#define VK_SUBTRACT 0x6D
#define VK_F11 0x7A
#define VK_F12 0x7B
#define VK_OEM_PLUS 0xBB
#define VK_OEM_COMMA 0xBC
#define VK_OEM_MINUS 0xBD
#define VK_OEM_PERIOD 0xBE

// lParam of a mouse message: x in the low 16 bits, y in the high 16 bits.
#define MAKE_MOUSE_LPARAM(x, y) \
    ((intptr_t)(((uint32_t)(uint16_t)(x)) | (((uint32_t)(uint16_t)(y)) << 16)))

// ---------------------------------------------------------------------------
// Objects. Their contents belong to the backend.
struct BkWindow;
struct BkDisplay;
struct BkSurface;
struct BkPalette;
struct BkDC;
struct BkFont;
struct BkSoundDevice;
struct BkSoundBuffer;

struct BkMsg {
    BkWindow* window;
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
};

typedef intptr_t (*BkWindowProc)(BkWindow* window, uint32_t message,
                                 uintptr_t wParam, intptr_t lParam);

// Surface description: what is asked for when a surface is created and what
// a lock reports back.
struct SurfaceDesc {
    uint32_t size;  // sizeof(SurfaceDesc)
    uint32_t flags;
    int32_t height;
    int32_t width;
    int32_t pitch;
    uint32_t backBufferCount;
    uint32_t caps;
    void* surface;  // memory address after a lock
};

// PCM format: the 16 bytes of a WAV format chunk plus the extra size.
struct WaveFormat {
    uint16_t formatTag;
    uint16_t channels;
    uint32_t samplesPerSec;
    uint32_t avgBytesPerSec;
    uint16_t blockAlign;
    uint16_t bitsPerSample;
    uint16_t extraSize;
};

// What a sound buffer may be in every backend, and what the tools hold a
// world's sounds to: sample rates of recorded sound (beyond them a
// conversion to a device's rate would cost without bound) and the largest
// buffer a device accepts.
#define SOUND_LOWEST_RATE 4000
#define SOUND_HIGHEST_RATE 192000
#define SOUND_MAX_BUFFER_BYTES 0x0FFFFFFFu
// The longest sound every backend plays. A sound is converted whole when it
// starts (to the device's format, or to the browser's 32-bit samples), so
// its length is bounded: six minutes, and at most SOUND_MOST_SAMPLES samples
// of all channels together (64 MB as the web page holds them).
#define SOUND_LONGEST_SECONDS 360
#define SOUND_MOST_SAMPLES (16u * 1024u * 1024u)

struct SoundBufferDesc {
    uint32_t size;  // 20 on the original platform; not checked
    uint32_t flags;
    uint32_t bufferBytes;
    uint32_t reserved;
    const WaveFormat* format;
};

// ---------------------------------------------------------------------------
// Window and messages.

// Creates the program's one window covering the screen. Returns none on
// failure.
BkWindow* WindowCreate(const char* title, BkWindowProc proc, int32_t width,
                       int32_t height);
void WindowShow(BkWindow* window);
// Destroys the window: the window procedure receives WM_DESTROY before this
// returns. Destroying a window twice does nothing the second time.
void WindowDestroy(BkWindow* window);
// Takes one message out of the queue without waiting; 1 when one was taken.
// May give up the processor for at most 1 ms when the queue is empty.
int MessagePeek(BkMsg* out);
// Adds the character message that belongs to a key press (Enter gives 13).
void MessageTranslate(const BkMsg* msg);
intptr_t MessageDispatch(const BkMsg* msg);
// Default processing: WM_CLOSE destroys the window; everything else gives 0.
intptr_t WindowDefaultProc(BkWindow* window, uint32_t message,
                           uintptr_t wParam, intptr_t lParam);
void MessagePost(BkWindow* window, uint32_t message, uintptr_t wParam,
                 intptr_t lParam);
void MessagePostQuit(int32_t exitCode);
// High bit (0x8000) set while the key or button is down.
int16_t KeyState(int32_t virtualKey);
int32_t ScreenWidth();
int32_t ScreenHeight();
// Hides the system's own mouse pointer.
void CursorHide();

// Milliseconds, wrapping modulo 2^32.
uint32_t ClockMilliseconds();

// One OK button; returns when it is answered. The system writes the text to
// the console as well (ConsoleWrite), so it is never lost where no box can
// be shown.
void MessageBoxShow(BkWindow* owner, const char* text, const char* caption);
// A line for whoever started the program, never shown to the player:
// standard error as "zemVR: TEXT" (the browser's console on the web).
void ConsoleWrite(const char* text);

// ---------------------------------------------------------------------------
// Display.
BkResult DisplayCreate(BkDisplay** out);
BkResult DisplaySetCooperativeLevel(BkDisplay* display, BkWindow* window,
                                    uint32_t flags);
BkResult DisplaySetMode(BkDisplay* display, int32_t width, int32_t height,
                        int32_t bitsPerPixel);
BkResult DisplayCreateSurface(BkDisplay* display, const SurfaceDesc* desc,
                              BkSurface** out);
// entries: 256 entries of 4 bytes (red, green, blue, flags).
BkResult DisplayCreatePalette(BkDisplay* display, uint32_t caps,
                              const uint8_t* entries, BkPalette** out);
BkResult DisplayWaitForVerticalBlank(BkDisplay* display, uint32_t flags);
// Gives the display mode back and releases the object.
void DisplayRelease(BkDisplay* display);

BkResult SurfaceGetAttached(BkSurface* surface, uint32_t caps,
                            BkSurface** out);
// Attaching a palette recolours what is on the screen at once.
BkResult SurfaceSetPalette(BkSurface* surface, BkPalette* palette);
// Swaps the two buffers of the flipping chain and shows the new front one.
BkResult SurfaceFlip(BkSurface* surface);
BkResult SurfaceRestore(BkSurface* surface);
BkResult SurfaceLock(BkSurface* surface, SurfaceDesc* desc);
BkResult SurfaceUnlock(BkSurface* surface, void* pixels);
BkResult SurfaceGetDC(BkSurface* surface, BkDC** out);
BkResult SurfaceReleaseDC(BkSurface* surface, BkDC* dc);
// Releasing the primary surface also releases its attached back buffer.
void SurfaceRelease(BkSurface* surface);
void PaletteRelease(BkPalette* palette);

// ---------------------------------------------------------------------------
// Text.

// Matched to an installed face the way a font mapper does. None when no font
// at all can be had.
BkFont* FontCreate(int32_t height, int32_t weight, int32_t quality,
                   int32_t pitchAndFamily, const char* face);
void FontDelete(BkFont* font);
void DCSetBkMode(BkDC* dc, int32_t mode);
void DCSelectFont(BkDC* dc, BkFont* font);
// colorref: 0x00BBGGRR, matched to the nearest entry of the attached palette.
void DCSetTextColor(BkDC* dc, uint32_t colorref);
int DCTextOut(BkDC* dc, int32_t x, int32_t y, const char* text,
              int32_t length);

// ---------------------------------------------------------------------------
// Sound.
BkResult SoundCreate(BkSoundDevice** out);
BkResult SoundSetCooperativeLevel(BkSoundDevice* device, BkWindow* window,
                                  uint32_t level);
BkResult SoundCreateBuffer(BkSoundDevice* device, const SoundBufferDesc* desc,
                           BkSoundBuffer** out);
// Up to two regions; the second is null with length 0 when not needed.
BkResult SoundBufferLock(BkSoundBuffer* buffer, uint32_t offset,
                         uint32_t bytes, void** region1, uint32_t* length1,
                         void** region2, uint32_t* length2, uint32_t flags);
BkResult SoundBufferUnlock(BkSoundBuffer* buffer, void* region1,
                           uint32_t length1, void* region2, uint32_t length2);
// Plays once from the current position.
BkResult SoundBufferPlay(BkSoundBuffer* buffer, uint32_t reserved,
                         uint32_t priority, uint32_t flags);
BkResult SoundBufferGetStatus(BkSoundBuffer* buffer, uint32_t* status);
// The format a buffer was made with and its size in bytes.
BkResult SoundBufferGetFormat(BkSoundBuffer* buffer, WaveFormat* format, uint32_t* bytes);
void SoundBufferRelease(BkSoundBuffer* buffer);
void SoundRelease(BkSoundDevice* device);
// Bytes of sample data in this format that every backend plays: whole
// frames within the bounds above (0 for a format with no frame).
uint32_t SoundMostBytes(const WaveFormat* format);

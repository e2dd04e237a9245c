// Showing the 8-bit front buffer on the page's canvas: the colour indices
// and the palette handed to the page, which has them looked up and drawn off
// its own thread, or where it cannot, a palette lookup here into a
// 640 x 480 RGBA picture that the page puts on the canvas. Flips follow
// the display's frames, at most one a frame and about 60 a second, so edge
// scrolling (one step a presented frame) keeps its speed on faster screens.
#include <cstring>

#include "backend/soft/soft.h"
#include "backend/web/parts.h"

// Shortest time between two flips: a 60 Hz period less a margin for the
// jitter of frame times, so that a 60 Hz screen gets every frame and a
// 120 Hz one every second.
#define FLIP_GAP_MS (1000.0 / 60.0 - 4.0)

static_assert(SOFT_WIDTH % 4 == 0, "rows are converted four pixels at a time");

static uint32_t Lookup[256];  // RGBA in memory order: 0xAABBGGRR
static uint32_t Picture[SOFT_WIDTH * SOFT_HEIGHT];
static int DisplayOpen = 0;
static int Indexed = 0;  // the page looks the colours up
static uint32_t LastFlipFrame = 0;
static double LastFlipTime = -1.0e9;
// A palette attached right after the wait for the vertical blank is shown
// with the flip that follows, as one picture; until then it waits here.
static int BlankWaited = 0;
static int PaletteDeferred = 0;

// What the canvas shows now, so that presenting the same picture again costs
// a comparison instead of a conversion and a draw: an idle world redraws the
// same frame on every animation tick.
static uint8_t Shown[SOFT_WIDTH * SOFT_HEIGHT];
static uint32_t ShownLookup[256];
static int ShownValid = 0;

static void DefaultLookup() {
    // Without a palette: a 3-3-2 colour cube, as the text colour matching
    // assumes.
    for (int i = 0; i < 256; i++) {
        uint32_t r = (uint32_t)((i >> 5) & 7) * 255 / 7;
        uint32_t g = (uint32_t)((i >> 2) & 7) * 255 / 7;
        uint32_t b = (uint32_t)(i & 3) * 255 / 3;
        Lookup[i] = 0xFF000000u | b << 16 | g << 8 | r;
    }
}

BkResult BackendTakeDisplay() {
    if (DisplayOpen) return BK_OK;
    int32_t kind = zem_web_display_open();
    if (kind != WEB_DISPLAY_RGBA && kind != WEB_DISPLAY_INDEXED) return DDERR_GENERIC;
    Indexed = kind == WEB_DISPLAY_INDEXED;
    DefaultLookup();
    DisplayOpen = 1;
    LastFlipFrame = 0;
    LastFlipTime = -1.0e9;
    BlankWaited = 0;
    PaletteDeferred = 0;
    ShownValid = 0;
    return BK_OK;
}

void BackendGiveDisplay() {
    DisplayOpen = 0;
    ShownValid = 0;
    BlankWaited = 0;
    PaletteDeferred = 0;
    zem_web_display_close();
}

// The blank itself is waited for by the flip that follows.
void BackendWaitVerticalBlank() {
    WebClockQuiet();
    BlankWaited = 1;
}

// Waits for a display frame in which nothing was flipped yet, and that is
// far enough from the last flip.
static void PaceFlip() {
    for (;;) {
        uint32_t frame = zem_web_frame();
        double time = zem_web_frame_time();
        if (frame != LastFlipFrame && time - LastFlipTime >= FLIP_GAP_MS) {
            LastFlipFrame = frame;
            LastFlipTime = time;
            return;
        }
        zem_web_wait(WEB_WAIT_FRAME);
    }
}

static int SameAsShown(const uint8_t* pixels, int32_t pitch) {
    if (!ShownValid || std::memcmp(ShownLookup, Lookup, sizeof Lookup) != 0) return 0;
    if (pitch == SOFT_WIDTH) return std::memcmp(Shown, pixels, sizeof Shown) == 0;
    for (int y = 0; y < SOFT_HEIGHT; y++)
        if (std::memcmp(Shown + (size_t)y * SOFT_WIDTH, pixels + (size_t)y * pitch, SOFT_WIDTH) != 0)
            return 0;
    return 1;
}

static void Present(const uint8_t* pixels, int32_t pitch) {
    BlankWaited = 0;
    PaletteDeferred = 0;
    if (!DisplayOpen || !pixels || SameAsShown(pixels, pitch)) return;
    std::memcpy(ShownLookup, Lookup, sizeof Lookup);
    ShownValid = 1;
    for (int y = 0; y < SOFT_HEIGHT; y++)
        std::memcpy(Shown + (size_t)y * SOFT_WIDTH, pixels + (size_t)y * pitch, SOFT_WIDTH);
    if (Indexed) {
        zem_web_draw_indexed(Shown, (const uint8_t*)ShownLookup);
        return;
    }
    for (int y = 0; y < SOFT_HEIGHT; y++) {
        const uint8_t* src = Shown + (size_t)y * SOFT_WIDTH;
        uint32_t* dst = Picture + (size_t)y * SOFT_WIDTH;
        for (int x = 0; x < SOFT_WIDTH; x += 4) {
            uint32_t four;
            std::memcpy(&four, src + x, 4);
            dst[x] = Lookup[four & 0xFF];
            dst[x + 1] = Lookup[(four >> 8) & 0xFF];
            dst[x + 2] = Lookup[(four >> 16) & 0xFF];
            dst[x + 3] = Lookup[four >> 24];
        }
    }
    zem_web_draw((const uint8_t*)Picture);
}

void BackendShow(const uint8_t* pixels, int32_t pitch, const uint8_t* palette,
                 SoftShowReason reason) {
    WebClockQuiet();
    if (palette) {
        for (int i = 0; i < 256; i++)
            Lookup[i] = 0xFF000000u | (uint32_t)palette[i * 4 + 2] << 16 |
                        (uint32_t)palette[i * 4 + 1] << 8 | (uint32_t)palette[i * 4];
    }
    if (reason == SOFT_SHOW_PALETTE && BlankWaited) {
        PaletteDeferred = 1;
        return;
    }
    if (reason == SOFT_SHOW_FLIP) PaceFlip();
    Present(pixels, pitch);
}

void WebFlushDeferred() {
    BkSurface* primary = SoftPrimary();
    if (PaletteDeferred && primary)
        Present(primary->pixels, primary->pitch);
    BlankWaited = 0;
    PaletteDeferred = 0;
}

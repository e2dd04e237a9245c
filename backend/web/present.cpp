// Showing the 8-bit front buffer on the page's canvas: the colour indices
// and the palette handed to the page, which has them looked up and drawn off
// its own thread, or where it cannot, a palette lookup here into a
// 640 x 480 RGBA picture that the page puts on the canvas. Flips follow
// the display's frames, at most one a frame and about 60 a second, so edge
// scrolling (one step a presented frame) keeps its speed on faster screens.
#include "backend/soft/soft.h"
#include "backend/web/parts.h"

// Shortest time between two flips: a 60 Hz period less a margin for the
// jitter of frame times, so that a 60 Hz screen gets every frame and a
// 120 Hz one every second.
#define FLIP_GAP_MS (1000.0 / 60.0 - 4.0)

// The page's colours: RGBA in memory order.
static const SoftColourOrder PageOrder = {0, 8, 16};

static uint32_t Picture[SOFT_WIDTH * SOFT_HEIGHT];
static int DisplayOpen = 0;
static int Indexed = 0;  // the page looks the colours up
static uint32_t LastFlipFrame = 0;
static double LastFlipTime = -1.0e9;

BkResult BackendTakeDisplay() {
    if (DisplayOpen) return BK_OK;
    int32_t kind = zem_web_display_open();
    if (kind != WEB_DISPLAY_RGBA && kind != WEB_DISPLAY_INDEXED) return DDERR_GENERIC;
    Indexed = kind == WEB_DISPLAY_INDEXED;
    SoftScreenOpen(PageOrder);
    DisplayOpen = 1;
    LastFlipFrame = 0;
    LastFlipTime = -1.0e9;
    return BK_OK;
}

void BackendGiveDisplay() {
    DisplayOpen = 0;
    SoftScreenClose();
    zem_web_display_close();
}

// The blank itself is waited for by the flip that follows.
void BackendWaitVerticalBlank() {
    WebClockQuiet();
    SoftScreenBlankWaited();
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

static void Present(const uint8_t* pixels, int32_t pitch) {
    if (!DisplayOpen || !SoftScreenChanged(pixels, pitch)) return;
    if (Indexed) {
        zem_web_draw_indexed(SoftScreenPixels(), (const uint8_t*)SoftScreenColours());
        return;
    }
    SoftScreenConvert((uint8_t*)Picture, SOFT_WIDTH * 4);
    zem_web_draw((const uint8_t*)Picture);
}

void BackendShow(const uint8_t* pixels, int32_t pitch, const uint8_t* palette,
                 SoftShowReason reason) {
    WebClockQuiet();
    if (!SoftScreenTake(palette, reason)) return;
    if (reason == SOFT_SHOW_FLIP) PaceFlip();
    Present(pixels, pitch);
}

// The test platform's screen: what the last flip or palette change showed
// (every one, without the present policy of a real screen), the display
// mode, and fonts with a built-in fixed-size glyph shape.
#include <cstring>
#include <string>

#include "backend/headless/headless.h"
#include "backend/headless/parts.h"
#include "backend/soft/soft.h"

#define GLYPH_WIDTH 8

static uint8_t Shown[SOFT_WIDTH * SOFT_HEIGHT];
static uint8_t ShownPalette[SOFT_PALETTE_BYTES];
static int HaveShownPalette = 0;
static int Flips = 0;
static int PaletteAttaches = 0;
static int ModeHeld = 0;

void HeadlessResetScreen() {
    std::memset(Shown, 0, sizeof Shown);
    std::memset(ShownPalette, 0, sizeof ShownPalette);
    HaveShownPalette = 0;
    Flips = 0;
    PaletteAttaches = 0;
    ModeHeld = 0;
}

BkResult BackendTakeDisplay() {
    ModeHeld = 1;
    return BK_OK;
}

void BackendGiveDisplay() { ModeHeld = 0; }

void BackendWaitVerticalBlank() {}

void BackendShow(const uint8_t* pixels, int32_t pitch, const uint8_t* palette,
                 SoftShowReason reason) {
    for (int y = 0; y < SOFT_HEIGHT; y++)
        std::memcpy(Shown + y * SOFT_WIDTH, pixels + y * pitch, SOFT_WIDTH);
    if (palette) {
        std::memcpy(ShownPalette, palette, SOFT_PALETTE_BYTES);
        HaveShownPalette = 1;
    }
    if (reason == SOFT_SHOW_FLIP)
        Flips++;
    else
        PaletteAttaches++;
}

// What the last flip or palette change put on the screen, as the SDL
// backend shows it: later writes into the front buffer's memory (through a
// pointer kept from before a flip) are not seen until the next show.
const uint8_t* HeadlessScreen() { return Shown; }

const uint8_t* HeadlessBackPixels() {
    BkSurface* primary = SoftPrimary();
    return primary && primary->back ? primary->back->pixels : nullptr;
}

const uint8_t* HeadlessPalette() {
    BkSurface* primary = SoftPrimary();
    if (primary) return SoftChainPalette(primary);
    return HaveShownPalette ? ShownPalette : nullptr;
}

int HeadlessFlipCount() { return Flips; }
int HeadlessPaletteAttachCount() { return PaletteAttaches; }
int HeadlessDisplayModeSet() { return ModeHeld; }

// ---------------------------------------------------------------------------
// Text.

// The cell is the height asked for, whichever way it is meant.
int BackendFontOpen(BkFont* font, int32_t height, int32_t weight, const char* face) {
    (void)weight;
    (void)face;
    font->cellHeight = height < 0 ? -height : height;
    font->backend = nullptr;
    return 1;
}

void BackendFontClose(BkFont* font) { (void)font; }

// Every character is GLYPH_WIDTH pixels wide. A printable character other
// than the blank is a block whose columns follow the bits of its code, so
// different strings leave different pixels.
int BackendTextMask(BkFont* font, const char* text, int32_t length,
                    SoftTextMask* out) {
    int32_t cell = font->cellHeight;
    out->width = length * GLYPH_WIDTH;
    out->height = cell;
    out->bits.assign((size_t)out->width * (size_t)cell, 0);
    for (int32_t i = 0; i < length; i++) {
        unsigned char ch = (unsigned char)text[i];
        if (ch <= ' ' || ch == 0x7F) continue;
        for (int32_t row = 2; row < cell - 2; row++)
            for (int col = 0; col < GLYPH_WIDTH - 1; col++)
                if (col == 0 || ((ch >> (col - 1)) & 1))
                    out->bits[(size_t)row * out->width + i * GLYPH_WIDTH +
                              col] = 1;
    }
    return 1;
}

std::string HeadlessLastText() { return SoftLastText()->text; }
int32_t HeadlessLastTextX() { return SoftLastText()->x; }
int32_t HeadlessLastTextY() { return SoftLastText()->y; }
int HeadlessTextCount() { return SoftLastText()->count; }

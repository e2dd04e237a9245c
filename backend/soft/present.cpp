// The present policy of a backend with a real screen: the colours the
// screen is given (the attached palette as 32-bit colours in the backend's
// order), a palette change that waits for the flip after the wait for the
// vertical blank, and the picture the screen shows, so that showing it
// again is skipped.
#include <cstring>

#include "backend/soft/soft.h"

static_assert(SOFT_WIDTH % 4 == 0, "rows are converted four pixels at a time");

static SoftColourOrder Order = {16, 8, 0};
static uint32_t Lookup[256];
static int BlankWaited = 0;
static int PaletteDeferred = 0;
static uint8_t Shown[SOFT_WIDTH * SOFT_HEIGHT];
static uint32_t ShownLookup[256];
static int ShownValid = 0;

static uint32_t Colour(uint32_t r, uint32_t g, uint32_t b) {
    return 0xFF000000u | r << Order.red | g << Order.green | b << Order.blue;
}

void SoftScreenOpen(SoftColourOrder order) {
    Order = order;
    for (int i = 0; i < 256; i++)
        Lookup[i] = Colour((uint32_t)((i >> 5) & 7) * 255 / 7, (uint32_t)((i >> 2) & 7) * 255 / 7,
                           (uint32_t)(i & 3) * 255 / 3);
    SoftScreenClose();
}

void SoftScreenClose() {
    BlankWaited = 0;
    PaletteDeferred = 0;
    ShownValid = 0;
}

void SoftScreenBlankWaited() { BlankWaited = 1; }

int SoftScreenTake(const uint8_t* palette, SoftShowReason reason) {
    if (palette)
        for (int i = 0; i < 256; i++)
            Lookup[i] = Colour(palette[i * 4], palette[i * 4 + 1], palette[i * 4 + 2]);
    if (reason == SOFT_SHOW_PALETTE && BlankWaited) {
        PaletteDeferred = 1;
        return 0;
    }
    return 1;
}

static int SameAsShown(const uint8_t* pixels, int32_t pitch) {
    if (!ShownValid || std::memcmp(ShownLookup, Lookup, sizeof Lookup) != 0) return 0;
    if (pitch == SOFT_WIDTH) return std::memcmp(Shown, pixels, sizeof Shown) == 0;
    for (int y = 0; y < SOFT_HEIGHT; y++)
        if (std::memcmp(Shown + (size_t)y * SOFT_WIDTH, pixels + (size_t)y * pitch, SOFT_WIDTH) != 0)
            return 0;
    return 1;
}

int SoftScreenChanged(const uint8_t* pixels, int32_t pitch) {
    BlankWaited = 0;
    PaletteDeferred = 0;
    if (!pixels || SameAsShown(pixels, pitch)) return 0;
    for (int y = 0; y < SOFT_HEIGHT; y++)
        std::memcpy(Shown + (size_t)y * SOFT_WIDTH, pixels + (size_t)y * pitch, SOFT_WIDTH);
    std::memcpy(ShownLookup, Lookup, sizeof Lookup);
    ShownValid = 1;
    return 1;
}

void SoftScreenForget() { ShownValid = 0; }

const uint8_t* SoftScreenPixels() { return Shown; }
const uint32_t* SoftScreenColours() { return ShownLookup; }

void SoftScreenConvert(uint8_t* out, int32_t pitch) {
    for (int y = 0; y < SOFT_HEIGHT; y++) {
        const uint8_t* src = Shown + (size_t)y * SOFT_WIDTH;
        uint32_t* dst = (uint32_t*)(out + (size_t)y * pitch);
        for (int x = 0; x < SOFT_WIDTH; x += 4) {
            uint32_t four;
            std::memcpy(&four, src + x, 4);
            dst[x] = ShownLookup[four & 0xFF];
            dst[x + 1] = ShownLookup[(four >> 8) & 0xFF];
            dst[x + 2] = ShownLookup[(four >> 16) & 0xFF];
            dst[x + 3] = ShownLookup[four >> 24];
        }
    }
}

// Shown again as a palette change is, now that no flip took it along.
void SoftScreenFlush() {
    BkSurface* primary = SoftPrimary();
    int deferred = PaletteDeferred;
    BlankWaited = 0;
    PaletteDeferred = 0;
    if (deferred && primary)
        BackendShow(primary->pixels, primary->pitch, SoftChainPalette(primary), SOFT_SHOW_PALETTE);
}

int SoftShownPicture(uint8_t* rgb) {
    const uint8_t* pixels = Shown;
    int32_t pitch = SOFT_WIDTH;
    const uint32_t* lookup = ShownLookup;
    uint32_t chain[256];
    if (!ShownValid) {
        // Nothing presented yet on this screen: the front buffer as it
        // would be shown.
        BkSurface* primary = SoftPrimary();
        if (!primary || !primary->pixels) return 0;
        pixels = primary->pixels;
        pitch = primary->pitch;
        const uint8_t* palette = SoftChainPalette(primary);
        for (int i = 0; i < 256; i++)
            chain[i] = palette ? Colour(palette[i * 4], palette[i * 4 + 1], palette[i * 4 + 2])
                               : Lookup[i];
        lookup = chain;
    }
    for (int y = 0; y < SOFT_HEIGHT; y++)
        for (int x = 0; x < SOFT_WIDTH; x++) {
            uint32_t c = lookup[pixels[(size_t)y * pitch + x]];
            uint8_t* out = rgb + ((size_t)y * SOFT_WIDTH + x) * 3;
            out[0] = (uint8_t)(c >> Order.red);
            out[1] = (uint8_t)(c >> Order.green);
            out[2] = (uint8_t)(c >> Order.blue);
        }
    return 1;
}

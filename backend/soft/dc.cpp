// Device contexts on a surface: background mode, font, text colour, and text
// output into the 8-bit pixels. The backend shapes the glyphs; here they are
// coloured and clipped. Text is never anti-aliased: a pixel is either the
// text colour or left as it was (or the background colour, when opaque).
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "backend/soft/soft.h"

#define WHITE 0x00FFFFFFu
// More characters than this cannot reach the screen from any position that
// shows the string's start.
#define MAX_DRAWN_CHARACTERS 4096

static std::vector<BkDC*> LiveDCs;
static SoftTextRecord LastText = {std::string(), 0, 0, 0};

static int IsLiveDC(const BkDC* dc) {
    return dc && std::find(LiveDCs.begin(), LiveDCs.end(), dc) != LiveDCs.end();
}

static void FreeDC(BkDC* dc) {
    LiveDCs.erase(std::remove(LiveDCs.begin(), LiveDCs.end(), dc),
                  LiveDCs.end());
    delete dc;
}

void SoftFreeDCsOf(const BkSurface* surface) {
    std::vector<BkDC*> list = LiveDCs;
    for (BkDC* dc : list)
        if (dc->surface == surface) FreeDC(dc);
}

BkResult SurfaceGetDC(BkSurface* surface, BkDC** out) {
    if (!out) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (!SoftSurfaceLive(surface)) return DDERR_INVALIDPARAMS;
    BkResult fault = BackendFault(SOP_GET_DC);
    if (fault) return fault;
    if (surface->primary->lost) return DDERR_SURFACELOST;
    BkDC* dc = new (std::nothrow) BkDC();
    if (!dc) return DDERR_OUTOFMEMORY;
    dc->surface = surface;
    dc->bkMode = OPAQUE;
    dc->textColor = 0;  // black
    dc->bkColor = WHITE;
    LiveDCs.push_back(dc);
    *out = dc;
    return BK_OK;
}

BkResult SurfaceReleaseDC(BkSurface* surface, BkDC* dc) {
    if (!IsLiveDC(dc) || dc->surface != surface) return DDERR_INVALIDPARAMS;
    FreeDC(dc);
    return BK_OK;
}

void DCSetBkMode(BkDC* dc, int32_t mode) {
    if (!IsLiveDC(dc)) return;
    if (mode == TRANSPARENT || mode == OPAQUE) dc->bkMode = mode;
}

void DCSelectFont(BkDC* dc, BkFont* font) {
    if (IsLiveDC(dc)) dc->font = font;
}

void DCSetTextColor(BkDC* dc, uint32_t colorref) {
    if (IsLiveDC(dc)) dc->textColor = colorref & 0x00FFFFFFu;
}

// The string's cell (glyph advance x cell height) starts at (x, y). Colours
// are matched when drawing, against the palette the chain has then.
int DCTextOut(BkDC* dc, int32_t x, int32_t y, const char* text,
              int32_t length) {
    if (!IsLiveDC(dc) || !text || length < 0) return 0;
    // Never read past the string's end, whatever length says.
    size_t n = strnlen(text, (size_t)length);
    LastText.text.assign(text, n);
    LastText.x = x;
    LastText.y = y;
    LastText.count++;

    SoftTextMask mask = {0, 0, std::vector<uint8_t>()};
    if (n == 0) return 1;
    if (n > MAX_DRAWN_CHARACTERS) n = MAX_DRAWN_CHARACTERS;
    BkFont* font = SoftFontOrDefault(dc->font);
    if (!font || !BackendTextMask(font, text, (int32_t)n, &mask)) return 0;
    if (mask.width <= 0 || mask.height <= 0 ||
        mask.bits.size() < (size_t)mask.width * (size_t)mask.height)
        return 0;

    BkSurface* s = dc->surface;
    const uint8_t* palette = SoftChainPalette(s);
    uint8_t fore = (uint8_t)SoftNearestIndex(palette, dc->textColor);
    uint8_t back = (uint8_t)SoftNearestIndex(palette, dc->bkColor);
    int opaque = dc->bkMode == OPAQUE;

    int64_t x0 = std::max<int64_t>(x, 0);
    int64_t y0 = std::max<int64_t>(y, 0);
    int64_t x1 = std::min<int64_t>((int64_t)x + mask.width, s->width);
    int64_t y1 = std::min<int64_t>((int64_t)y + mask.height, s->height);
    for (int64_t row = y0; row < y1; row++) {
        uint8_t* dst = s->pixels + row * s->pitch;
        const uint8_t* src = mask.bits.data() + (row - y) * mask.width;
        for (int64_t col = x0; col < x1; col++) {
            if (src[col - x])
                dst[col] = fore;
            else if (opaque)
                dst[col] = back;
        }
    }
    return 1;
}

const SoftTextRecord* SoftLastText() { return &LastText; }

void SoftResetText() {
    for (BkDC* dc : LiveDCs) delete dc;
    LiveDCs.clear();
    LastText = SoftTextRecord{std::string(), 0, 0, 0};
}

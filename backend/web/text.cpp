// Fonts from the browser: the page draws each character once with the
// canvas's own text drawing and keeps only the pixels at least half
// covered, so text is never anti-aliased; the face is matched by the
// browser's font lookup. Strings are laid out here from those glyphs at
// whole-pixel advances, without kerning, as a font mapper's text output
// does.
#include <algorithm>
#include <new>
#include <vector>

#include "backend/soft/soft.h"
#include "backend/web/parts.h"

// Wider glyphs than this are left out; no face has them at these sizes.
#define MAX_GLYPH_WIDTH 1024
// More pixels than this in one string's mask are not drawn: no string the
// screen can show is that wide.
#define MAX_MASK_WIDTH 16384

struct Glyph {
    int loaded;
    int32_t advance;
    int32_t left;   // how far the mask starts left of the pen
    int32_t width;  // of the mask; its height is the cell's
    std::vector<uint8_t> bits;
};

// The page's font and the glyphs drawn from it so far. The page draws its
// glyphs in its own cell, which may be taller than the one text is drawn in
// (a character height at the limit).
struct WebFont {
    int32_t id;
    int32_t cell;
    Glyph glyphs[256];
};

int BackendFontOpen(BkFont* font, int32_t height, int32_t weight, const char* face) {
    int32_t cell = 0;
    int32_t id = zem_web_font_create(height, weight, face, &cell);
    if (id <= 0) return 0;
    WebFont* web = cell >= 1 && cell <= 2 * SOFT_MAX_CELL_HEIGHT ? new (std::nothrow) WebFont()
                                                                : nullptr;
    if (!web) {
        zem_web_font_delete(id);
        return 0;
    }
    web->id = id;
    web->cell = cell;
    font->cellHeight = cell;
    font->backend = web;
    return 1;
}

void BackendFontClose(BkFont* font) {
    WebFont* web = (WebFont*)font->backend;
    zem_web_font_delete(web->id);
    delete web;
}

// The page's numbers are checked like a file's before they size anything.
static const Glyph& GlyphOf(BkFont* font, unsigned char code) {
    WebFont* web = (WebFont*)font->backend;
    Glyph& g = web->glyphs[code];
    if (g.loaded) return g;
    g.loaded = 1;
    int32_t metrics[2] = {0, 0};
    int32_t width = zem_web_glyph_size(web->id, code, metrics);
    if (width <= 0 || width > MAX_GLYPH_WIDTH || metrics[0] < 0 || metrics[0] > width ||
        metrics[1] < 0 || metrics[1] > width)
        return g;
    g.bits.assign((size_t)width * (size_t)web->cell, 0);
    zem_web_glyph_bits(web->id, code, g.bits.data());
    g.advance = metrics[0];
    g.left = metrics[1];
    g.width = width;
    return g;
}

int BackendTextMask(BkFont* font, const char* text, int32_t length,
                    SoftTextMask* out) {
    if (!text || length <= 0) return 0;
    int64_t width = 0;
    for (int32_t i = 0; i < length; i++) width += GlyphOf(font, (unsigned char)text[i]).advance;
    if (width <= 0 || width > MAX_MASK_WIDTH) return 0;
    const int32_t cell = font->cellHeight;
    out->width = (int32_t)width;
    out->height = cell;
    out->bits.assign((size_t)width * (size_t)cell, 0);
    int32_t pen = 0;
    for (int32_t i = 0; i < length; i++) {
        const Glyph& g = GlyphOf(font, (unsigned char)text[i]);
        int32_t x0 = std::max<int32_t>(0, g.left - pen);
        int32_t x1 = std::min<int32_t>(g.width, (int32_t)width - pen + g.left);
        for (int32_t y = 0; y < cell && x0 < x1; y++) {
            const uint8_t* src = g.bits.data() + (size_t)y * g.width;
            uint8_t* row = out->bits.data() + (size_t)y * width;
            for (int32_t x = x0; x < x1; x++) row[pen - g.left + x] |= src[x];
        }
        pen += g.advance;
    }
    return 1;
}

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

#define DEFAULT_CELL_HEIGHT 16
#define MAX_CELL_HEIGHT 256
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

struct BkFont {
    int32_t id;
    int32_t cellHeight;
    Glyph glyphs[256];
};

static std::vector<BkFont*> LiveFonts;
static BkFont* DefaultFont = nullptr;
static int DefaultTried = 0;

static BkFont* MakeFont(int32_t height, int32_t weight, const char* face) {
    if (height == 0) height = DEFAULT_CELL_HEIGHT;
    height = std::max(-MAX_CELL_HEIGHT, std::min(height, MAX_CELL_HEIGHT));
    int32_t cell = 0;
    int32_t id = zem_web_font_create(height, weight > 0 ? std::min(weight, 1000) : 400,
                                     face ? face : "", &cell);
    if (id <= 0) return nullptr;
    BkFont* font = new (std::nothrow) BkFont();
    if (!font) {
        zem_web_font_delete(id);
        return nullptr;
    }
    font->id = id;
    font->cellHeight = std::max<int32_t>(1, std::min<int32_t>(cell, MAX_CELL_HEIGHT));
    return font;
}

BkFont* FontCreate(int32_t height, int32_t weight, int32_t quality,
                   int32_t pitchAndFamily, const char* face) {
    (void)quality;  // text is never anti-aliased here
    (void)pitchAndFamily;
    BkFont* font = MakeFont(height, weight, face);
    if (font) LiveFonts.push_back(font);
    return font;
}

void FontDelete(BkFont* font) {
    auto it = std::find(LiveFonts.begin(), LiveFonts.end(), font);
    if (!font || it == LiveFonts.end()) return;
    LiveFonts.erase(it);
    zem_web_font_delete(font->id);
    delete font;
}

// A device context without a selected font writes in a plain default one.
static BkFont* FontOrDefault(BkFont* font) {
    if (font && std::find(LiveFonts.begin(), LiveFonts.end(), font) != LiveFonts.end())
        return font;
    if (!DefaultTried) {
        DefaultTried = 1;
        DefaultFont = MakeFont(DEFAULT_CELL_HEIGHT, 700, "sans-serif");
    }
    return DefaultFont;
}

// The page's numbers are checked like a file's before they size anything.
static const Glyph& GlyphOf(BkFont* font, unsigned char code) {
    Glyph& g = font->glyphs[code];
    if (g.loaded) return g;
    g.loaded = 1;
    int32_t metrics[2] = {0, 0};
    int32_t width = zem_web_glyph_size(font->id, code, metrics);
    if (width <= 0 || width > MAX_GLYPH_WIDTH || metrics[0] < 0 || metrics[0] > width ||
        metrics[1] < 0 || metrics[1] > width)
        return g;
    g.bits.assign((size_t)width * (size_t)font->cellHeight, 0);
    zem_web_glyph_bits(font->id, code, g.bits.data());
    g.advance = metrics[0];
    g.left = metrics[1];
    g.width = width;
    return g;
}

int BackendTextMask(BkFont* font, const char* text, int32_t length,
                    SoftTextMask* out) {
    BkFont* f = FontOrDefault(font);
    if (!f || !text || length <= 0) return 0;
    int64_t width = 0;
    for (int32_t i = 0; i < length; i++) width += GlyphOf(f, (unsigned char)text[i]).advance;
    if (width <= 0 || width > MAX_MASK_WIDTH) return 0;
    const int32_t cell = f->cellHeight;
    out->width = (int32_t)width;
    out->height = cell;
    out->bits.assign((size_t)width * (size_t)cell, 0);
    int32_t pen = 0;
    for (int32_t i = 0; i < length; i++) {
        const Glyph& g = GlyphOf(f, (unsigned char)text[i]);
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

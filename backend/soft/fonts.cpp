// The font registry: fonts the program made and has not deleted, and the
// plain default font a device context writes in without one. The request
// is made sane here (the cell limit, a weight, a face string); the backend
// finds the platform's font for it.
#include <algorithm>
#include <new>
#include <vector>

#include "backend/soft/soft.h"

static std::vector<BkFont*> LiveFonts;
static BkFont* DefaultFont = nullptr;
static int DefaultTried = 0;

static BkFont* MakeFont(int32_t height, int32_t weight, const char* face) {
    if (height == 0) height = SOFT_DEFAULT_CELL_HEIGHT;
    height = std::max<int32_t>(-SOFT_MAX_CELL_HEIGHT, std::min<int32_t>(height, SOFT_MAX_CELL_HEIGHT));
    weight = weight > 0 ? std::min<int32_t>(weight, 1000) : 400;
    BkFont* font = new (std::nothrow) BkFont();
    if (!font) return nullptr;
    if (!BackendFontOpen(font, height, weight, face ? face : "")) {
        delete font;
        return nullptr;
    }
    font->cellHeight = std::max<int32_t>(1, std::min<int32_t>(font->cellHeight, SOFT_MAX_CELL_HEIGHT));
    return font;
}

static void FreeFont(BkFont* font) {
    BackendFontClose(font);
    delete font;
}

BkFont* FontCreate(int32_t height, int32_t weight, int32_t quality,
                   int32_t pitchAndFamily, const char* face) {
    (void)quality;  // text is never anti-aliased
    (void)pitchAndFamily;
    if (BackendFault(SOP_FONT_CREATE)) return nullptr;
    BkFont* font = MakeFont(height, weight, face);
    if (font) LiveFonts.push_back(font);
    return font;
}

void FontDelete(BkFont* font) {
    auto it = std::find(LiveFonts.begin(), LiveFonts.end(), font);
    if (!font || it == LiveFonts.end()) return;
    LiveFonts.erase(it);
    FreeFont(font);
    BackendReleased("font");
}

BkFont* SoftFontOrDefault(BkFont* font) {
    if (font && std::find(LiveFonts.begin(), LiveFonts.end(), font) != LiveFonts.end())
        return font;
    if (!DefaultTried) {
        DefaultTried = 1;
        DefaultFont = MakeFont(SOFT_DEFAULT_CELL_HEIGHT, FW_BOLD, "sans-serif");
    }
    return DefaultFont;
}

void SoftResetFonts() {
    for (BkFont* f : LiveFonts) FreeFont(f);
    LiveFonts.clear();
    if (DefaultFont) FreeFont(DefaultFont);
    DefaultFont = nullptr;
    DefaultTried = 0;
}

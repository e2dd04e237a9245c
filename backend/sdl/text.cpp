// Fonts: the face is matched the way a font mapper does (fontconfig turns a
// face name and weight into an installed file, substitutes included) and
// opened with SDL_ttf at the size whose cell is the requested height in
// pixels. Glyphs are rendered without anti-aliasing.
#include <SDL.h>
#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <string>

#include "backend/soft/soft.h"

static int FontsUp() {
    if (!TTF_WasInit() && TTF_Init() != 0) return 0;
    return FcInit() == FcTrue;
}

// The installed file that best answers the request; 0 when there is none.
static int MatchFace(const char* face, int32_t weight, std::string* file,
                     int* index, int* matchedWeight) {
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return 0;
    if (*face) FcPatternAddString(pattern, FC_FAMILY, (const FcChar8*)face);
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight));
    FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) return 0;
    FcChar8* path = nullptr;
    int found = FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch;
    if (found) {
        *file = (const char*)path;
        if (FcPatternGetInteger(match, FC_INDEX, 0, index) != FcResultMatch)
            *index = 0;
        if (FcPatternGetInteger(match, FC_WEIGHT, 0, matchedWeight) !=
            FcResultMatch)
            *matchedWeight = FC_WEIGHT_REGULAR;
    }
    FcPatternDestroy(match);
    return found;
}

// A positive height is the cell (ascent + descent) in pixels: the largest
// size whose cell fits. A negative one is the character height.
static TTF_Font* OpenSized(const std::string& file, int index, int32_t height,
                           int32_t* cell) {
    int32_t want = height < 0 ? -height : height;
    TTF_Font* font = TTF_OpenFontIndex(file.c_str(), want, index);
    if (!font) return nullptr;
    TTF_SetFontHinting(font, TTF_HINTING_MONO);
    if (height < 0) {
        *cell = TTF_FontHeight(font);
        return font;
    }
    int size = want;
    while (size > 1 && TTF_FontHeight(font) > want) {
        size--;
        if (TTF_SetFontSize(font, size) != 0) break;
    }
    *cell = want;
    return font;
}

// A face without a bold member is emboldened, as a font mapper does.
int BackendFontOpen(BkFont* font, int32_t height, int32_t weight, const char* face) {
    if (!FontsUp()) return 0;
    std::string file;
    int index = 0, matchedWeight = FC_WEIGHT_REGULAR;
    if (!MatchFace(face, weight, &file, &index, &matchedWeight)) return 0;
    TTF_Font* ttf = OpenSized(file, index, height, &font->cellHeight);
    if (!ttf) return 0;
    if (weight >= 600 && matchedWeight < FC_WEIGHT_DEMIBOLD) TTF_SetFontStyle(ttf, TTF_STYLE_BOLD);
    font->backend = ttf;
    return 1;
}

void BackendFontClose(BkFont* font) { TTF_CloseFont((TTF_Font*)font->backend); }

int BackendTextMask(BkFont* font, const char* text, int32_t length,
                    SoftTextMask* out) {
    if (length <= 0) return 0;
    std::string s(text, (size_t)length);
    SDL_Color white = {255, 255, 255, 255};
    // Solid rendering: an 8-bit surface, index 0 background, other indices
    // the glyphs; no blending.
    SDL_Surface* glyphs = TTF_RenderText_Solid((TTF_Font*)font->backend, s.c_str(), white);
    if (!glyphs) return 0;
    if (SDL_MUSTLOCK(glyphs)) SDL_LockSurface(glyphs);
    out->width = glyphs->w;
    out->height = font->cellHeight;
    out->bits.assign((size_t)out->width * (size_t)out->height, 0);
    int rows = std::min(glyphs->h, out->height);
    if (glyphs->format->BytesPerPixel == 1) {
        for (int y = 0; y < rows; y++) {
            const uint8_t* src = (const uint8_t*)glyphs->pixels + y * glyphs->pitch;
            for (int x = 0; x < glyphs->w; x++)
                out->bits[(size_t)y * out->width + x] = src[x] != 0;
        }
    }
    if (SDL_MUSTLOCK(glyphs)) SDL_UnlockSurface(glyphs);
    SDL_FreeSurface(glyphs);
    return 1;
}

// The hotspot overlay: every door, stamp and sprite of a location outlined
// where it falls on the screen, with a label, so an author (or a player who
// asks for it) sees what a click reaches.
//
// The outline is the edge of the area a click reaches: a door's w + 1
// columns and h + 1 rows (both edges belong to it), a stamp's inside (its
// edges do not), a sprite's current frame. Every screen pixel is mapped back
// into the view picture the way the picture was drawn there: on a panorama
// through the renderer's own column and row sequence, so outlines bend with
// the warp; on a closeup flat, at the picture's position. A pixel of the
// area is outlined when a neighbour inside the drawn window lies outside
// the area; an area cut by the window's edge stays open there.
#include <cstdint>
#include <cstring>

#include "image/image.h"
#include "panorama/panorama.h"
#include "scene/scene.h"
#include "screen/screen.h"

static const int32_t TableColumns = 640;
static const int32_t MaxRows = 1024;
static const int32_t FractionBits = 22;
static const size_t SceneNameBytes = 32;

// Fixed bright colours (0xRRGGBB), each drawn with the nearest entry of the
// current palette that no earlier one took.
static const uint32_t DoorColour = 0x00FF00u;
static const uint32_t StampColour = 0xFFFF00u;
static const uint32_t SpriteColour = 0xFF00FFu;
static const uint32_t LabelBackground = 0x000000u;

// 5 x 7 glyphs for the characters 33 to 126, one byte a row from the top,
// the leftmost pixel in bit 4. A blank is empty; anything else is drawn as a
// box.
static const int32_t GlyphWidth = 5;
static const int32_t GlyphHeight = 7;
static const int32_t CellWidth = GlyphWidth + 1;
static const uint8_t Glyphs[94][7] = {
    {0x04,0x04,0x04,0x04,0x04,0x00,0x04}, {0x0A,0x0A,0x00,0x00,0x00,0x00,0x00},  // !"
    {0x0A,0x0A,0x1F,0x0A,0x1F,0x0A,0x0A}, {0x04,0x0F,0x14,0x0E,0x05,0x1E,0x04},  // #$
    {0x18,0x19,0x02,0x04,0x08,0x13,0x03}, {0x0C,0x12,0x14,0x08,0x15,0x12,0x0D},  // %&
    {0x04,0x04,0x00,0x00,0x00,0x00,0x00}, {0x02,0x04,0x08,0x08,0x08,0x04,0x02},  // '(
    {0x08,0x04,0x02,0x02,0x02,0x04,0x08}, {0x00,0x04,0x15,0x0E,0x15,0x04,0x00},  // )*
    {0x00,0x04,0x04,0x1F,0x04,0x04,0x00}, {0x00,0x00,0x00,0x00,0x06,0x04,0x08},  // +,
    {0x00,0x00,0x00,0x1F,0x00,0x00,0x00}, {0x00,0x00,0x00,0x00,0x00,0x0C,0x0C},  // -.
    {0x00,0x01,0x02,0x04,0x08,0x10,0x00}, {0x0E,0x11,0x13,0x15,0x19,0x11,0x0E},  // /0
    {0x04,0x0C,0x04,0x04,0x04,0x04,0x0E}, {0x0E,0x11,0x01,0x02,0x04,0x08,0x1F},  // 12
    {0x1F,0x02,0x04,0x02,0x01,0x11,0x0E}, {0x02,0x06,0x0A,0x12,0x1F,0x02,0x02},  // 34
    {0x1F,0x10,0x1E,0x01,0x01,0x11,0x0E}, {0x06,0x08,0x10,0x1E,0x11,0x11,0x0E},  // 56
    {0x1F,0x01,0x02,0x04,0x08,0x08,0x08}, {0x0E,0x11,0x11,0x0E,0x11,0x11,0x0E},  // 78
    {0x0E,0x11,0x11,0x0F,0x01,0x02,0x0C}, {0x00,0x0C,0x0C,0x00,0x0C,0x0C,0x00},  // 9:
    {0x00,0x0C,0x0C,0x00,0x0C,0x04,0x08}, {0x02,0x04,0x08,0x10,0x08,0x04,0x02},  // ;<
    {0x00,0x00,0x1F,0x00,0x1F,0x00,0x00}, {0x08,0x04,0x02,0x01,0x02,0x04,0x08},  // =>
    {0x0E,0x11,0x01,0x02,0x04,0x00,0x04}, {0x0E,0x11,0x01,0x0D,0x15,0x15,0x0E},  // ?@
    {0x0E,0x11,0x11,0x1F,0x11,0x11,0x11}, {0x1E,0x11,0x11,0x1E,0x11,0x11,0x1E},  // AB
    {0x0E,0x11,0x10,0x10,0x10,0x11,0x0E}, {0x1C,0x12,0x11,0x11,0x11,0x12,0x1C},  // CD
    {0x1F,0x10,0x10,0x1E,0x10,0x10,0x1F}, {0x1F,0x10,0x10,0x1E,0x10,0x10,0x10},  // EF
    {0x0E,0x11,0x10,0x17,0x11,0x11,0x0F}, {0x11,0x11,0x11,0x1F,0x11,0x11,0x11},  // GH
    {0x0E,0x04,0x04,0x04,0x04,0x04,0x0E}, {0x07,0x02,0x02,0x02,0x02,0x12,0x0C},  // IJ
    {0x11,0x12,0x14,0x18,0x14,0x12,0x11}, {0x10,0x10,0x10,0x10,0x10,0x10,0x1F},  // KL
    {0x11,0x1B,0x15,0x15,0x11,0x11,0x11}, {0x11,0x11,0x19,0x15,0x13,0x11,0x11},  // MN
    {0x0E,0x11,0x11,0x11,0x11,0x11,0x0E}, {0x1E,0x11,0x11,0x1E,0x10,0x10,0x10},  // OP
    {0x0E,0x11,0x11,0x11,0x15,0x12,0x0D}, {0x1E,0x11,0x11,0x1E,0x14,0x12,0x11},  // QR
    {0x0F,0x10,0x10,0x0E,0x01,0x01,0x1E}, {0x1F,0x04,0x04,0x04,0x04,0x04,0x04},  // ST
    {0x11,0x11,0x11,0x11,0x11,0x11,0x0E}, {0x11,0x11,0x11,0x11,0x11,0x0A,0x04},  // UV
    {0x11,0x11,0x11,0x15,0x15,0x15,0x0A}, {0x11,0x11,0x0A,0x04,0x0A,0x11,0x11},  // WX
    {0x11,0x11,0x11,0x0A,0x04,0x04,0x04}, {0x1F,0x01,0x02,0x04,0x08,0x10,0x1F},  // YZ
    {0x0E,0x08,0x08,0x08,0x08,0x08,0x0E}, {0x00,0x10,0x08,0x04,0x02,0x01,0x00},  // [bs
    {0x0E,0x02,0x02,0x02,0x02,0x02,0x0E}, {0x04,0x0A,0x11,0x00,0x00,0x00,0x00},  // ]^
    {0x00,0x00,0x00,0x00,0x00,0x00,0x1F}, {0x08,0x04,0x00,0x00,0x00,0x00,0x00},  // _`
    {0x00,0x00,0x0E,0x01,0x0F,0x11,0x0F}, {0x10,0x10,0x16,0x19,0x11,0x11,0x1E},  // ab
    {0x00,0x00,0x0E,0x10,0x10,0x11,0x0E}, {0x01,0x01,0x0D,0x13,0x11,0x11,0x0F},  // cd
    {0x00,0x00,0x0E,0x11,0x1F,0x10,0x0E}, {0x06,0x09,0x08,0x1C,0x08,0x08,0x08},  // ef
    {0x00,0x0F,0x11,0x11,0x0F,0x01,0x0E}, {0x10,0x10,0x16,0x19,0x11,0x11,0x11},  // gh
    {0x04,0x00,0x0C,0x04,0x04,0x04,0x0E}, {0x02,0x00,0x06,0x02,0x02,0x12,0x0C},  // ij
    {0x10,0x10,0x12,0x14,0x18,0x14,0x12}, {0x0C,0x04,0x04,0x04,0x04,0x04,0x0E},  // kl
    {0x00,0x00,0x1A,0x15,0x15,0x11,0x11}, {0x00,0x00,0x16,0x19,0x11,0x11,0x11},  // mn
    {0x00,0x00,0x0E,0x11,0x11,0x11,0x0E}, {0x00,0x00,0x1E,0x11,0x1E,0x10,0x10},  // op
    {0x00,0x00,0x0D,0x13,0x0F,0x01,0x01}, {0x00,0x00,0x16,0x19,0x10,0x10,0x10},  // qr
    {0x00,0x00,0x0E,0x10,0x0E,0x01,0x1E}, {0x08,0x08,0x1C,0x08,0x08,0x09,0x06},  // st
    {0x00,0x00,0x11,0x11,0x11,0x13,0x0D}, {0x00,0x00,0x11,0x11,0x11,0x0A,0x04},  // uv
    {0x00,0x00,0x11,0x11,0x15,0x15,0x0A}, {0x00,0x00,0x11,0x0A,0x04,0x0A,0x11},  // wx
    {0x00,0x00,0x11,0x11,0x0F,0x01,0x0E}, {0x00,0x00,0x1F,0x02,0x04,0x08,0x1F},  // yz
    {0x02,0x04,0x04,0x08,0x04,0x04,0x02}, {0x04,0x04,0x04,0x04,0x04,0x04,0x04},  // {|
    {0x08,0x04,0x04,0x02,0x04,0x04,0x08}, {0x00,0x00,0x08,0x15,0x02,0x00,0x00},  // }~
};
static const uint8_t UnknownGlyph[7] = {0x1F, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1F};

// How screen pixels map into the view picture, and the window drawn.
struct ScreenMap {
    uint8_t* pixels;
    int32_t pitch;
    int32_t left, right, top, bottom;  // inclusive, inside the destination
    int panorama;
    // Panorama: N columns of H rows, the settled pan, the screen width whose
    // right half mirrors the table entries of the left.
    int64_t columns;
    uint32_t lastRow;
    int64_t panX;
    int64_t panY;
    int32_t screenWidth;
    // Closeup: the picture's place on the screen.
    int64_t pictureX;
    int64_t pictureY;
};

// An area in view-picture coordinates, both ends included.
struct Area {
    int64_t x0, x1, y0, y1;
};

static int64_t PictureColumn(const ScreenMap* m, int64_t x) {
    if (!m->panorama) return x - m->pictureX;
    int64_t c = (m->panX + x) % m->columns;
    return c < 0 ? c + m->columns : c;
}

// The picture row shown at a screen pixel. Inside the window it is the
// renderer's own: offset + scale * (pan + row) in 32 bits, held on the
// picture's last row. Outside, it is what a larger window would show there:
// the nearest table entry and the same line continued without wrap-around.
static int64_t PictureRow(const ScreenMap* m, int64_t x, int64_t y) {
    if (!m->panorama) return y - m->pictureY;
    int64_t column = x < 0 ? 0 : x > m->screenWidth - 1 ? m->screenWidth - 1 : x;
    int64_t j = column < m->screenWidth / 2 ? column : m->screenWidth - 1 - column;
    if (j > TableColumns - 1) j = TableColumns - 1;
    int64_t row;
    if (x >= m->left && x <= m->right && y >= m->top && y <= m->bottom) {
        uint32_t u = (uint32_t)ColumnOffset[j] + (uint32_t)ColumnScale[j] * (uint32_t)(m->panY + y);
        row = u >> FractionBits;
    } else {
        int64_t u = (int64_t)ColumnOffset[j] + (int64_t)ColumnScale[j] * (m->panY + y);
        row = u >= 0 ? u >> FractionBits : -((-u + (1 << FractionBits) - 1) >> FractionBits);
    }
    return row > m->lastRow ? m->lastRow : row;
}

// inside[i] for the screen rows top - 1 + i of column x, one row beyond
// the window at either end.
static void ColumnInside(const ScreenMap* m, const Area* a, int32_t x, uint8_t* inside) {
    int32_t rows = m->bottom - m->top + 3;
    int64_t c = PictureColumn(m, x);
    if (c < a->x0 || c > a->x1) {
        std::memset(inside, 0, (size_t)rows);
        return;
    }
    for (int32_t i = 0; i < rows; i++) {
        int64_t r = PictureRow(m, x, (int64_t)m->top - 1 + i);
        inside[i] = r >= a->y0 && r <= a->y1;
    }
}

static void Plot(const ScreenMap* m, int32_t x, int32_t y, uint8_t colour) {
    if (x < m->left || x > m->right || y < m->top || y > m->bottom) return;
    m->pixels[(size_t)y * (size_t)m->pitch + (size_t)x] = colour;
}

// Draws the area's edge; 1 with the first pixel of the area (leftmost
// column, then topmost row) when any of it is on the screen.
static int Outline(const ScreenMap* m, const Area* a, uint8_t colour, int32_t* firstX,
                   int32_t* firstY) {
    if (a->x0 > a->x1 || a->y0 > a->y1) return 0;
    uint8_t buffers[3][MaxRows + 2];
    uint8_t* before = buffers[0];
    uint8_t* here = buffers[1];
    uint8_t* after = buffers[2];
    int32_t rows = m->bottom - m->top + 1;
    int found = 0;
    ColumnInside(m, a, m->left - 1, before);
    ColumnInside(m, a, m->left, here);
    for (int32_t x = m->left; x <= m->right; x++) {
        ColumnInside(m, a, x + 1, after);
        for (int32_t i = 1; i <= rows; i++) {
            if (!here[i]) continue;
            if (!found) {
                found = 1;
                *firstX = x;
                *firstY = m->top + i - 1;
            }
            if (!before[i] || !after[i] || !here[i - 1] || !here[i + 1])
                Plot(m, x, m->top + i - 1, colour);
        }
        uint8_t* spare = before;
        before = here;
        here = after;
        after = spare;
    }
    return found;
}

static const uint8_t BlankGlyph[7] = {0, 0, 0, 0, 0, 0, 0};

static const uint8_t* GlyphOf(char c) {
    unsigned char u = (unsigned char)c;
    if (u == ' ') return BlankGlyph;
    return u >= 33 && u <= 126 ? Glyphs[u - 33] : UnknownGlyph;
}

// The text on a dark box, inside the area's top-left corner and moved back
// into the window where it would leave it.
static void Label(const ScreenMap* m, int32_t x, int32_t y, const char* text, size_t length,
                  uint8_t colour, uint8_t background) {
    if (length == 0) return;
    int32_t boxWidth = (int32_t)length * CellWidth + 1;
    int32_t boxHeight = GlyphHeight + 2;
    int32_t bx = x + 2;
    int32_t by = y + 2;
    if (bx + boxWidth - 1 > m->right) bx = m->right - boxWidth + 1;
    if (bx < m->left) bx = m->left;
    if (by + boxHeight - 1 > m->bottom) by = m->bottom - boxHeight + 1;
    if (by < m->top) by = m->top;
    for (int32_t r = 0; r < boxHeight; r++)
        for (int32_t c = 0; c < boxWidth; c++) Plot(m, bx + c, by + r, background);
    for (size_t k = 0; k < length; k++) {
        const uint8_t* glyph = GlyphOf(text[k]);
        int32_t gx = bx + 1 + (int32_t)k * CellWidth;
        for (int32_t r = 0; r < GlyphHeight; r++)
            for (int32_t c = 0; c < GlyphWidth; c++)
                if (glyph[r] & (0x10 >> c)) Plot(m, gx + c, by + 1 + r, colour);
    }
}

static size_t NameLength(const char* name, size_t bytes) {
    size_t n = 0;
    while (n < bytes && name[n]) n++;
    return n;
}

static uint8_t NearestIndex(uint32_t rgb, const uint8_t* taken, int32_t takenCount) {
    int32_t r = (int32_t)(rgb >> 16 & 0xFF), g = (int32_t)(rgb >> 8 & 0xFF), b = (int32_t)(rgb & 0xFF);
    int32_t best = -1;
    int32_t bestDistance = 0;
    for (int32_t i = 0; i < 256; i++) {
        int used = 0;
        for (int32_t t = 0; t < takenCount; t++) used |= taken[t] == i;
        if (used) continue;
        const uint8_t* e = CurrentPalette + 4 * i;
        int32_t dr = e[0] - r, dg = e[1] - g, db = e[2] - b;
        int32_t d = dr * dr + dg * dg + db * db;
        if (best < 0 || d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return (uint8_t)best;
}

// The window and mapping of the location's view as the frame drew it; 0
// when there is nothing to outline on.
static int MakeMap(Image* destination, const View* view, ScreenMap* m) {
    const Image* picture = view->picture;
    std::memset(m, 0, sizeof *m);
    m->pixels = destination->pixels;
    m->pitch = destination->pitch;
    int32_t width = destination->width;
    int32_t height = destination->height < MaxRows ? destination->height : MaxRows;
    if (!m->pixels || destination->encoded || width <= 0 || height <= 0 || m->pitch < width)
        return 0;
    m->left = 0;
    m->right = width - 1;
    m->top = 0;
    m->bottom = height - 1;
    if (!view->panorama) {
        // The picture's place, where the blitter drew it: it refuses a
        // negative position and clips at the right and bottom edges.
        m->pictureX = picture->x;
        m->pictureY = picture->y;
        if (picture->x < 0 || picture->y < 0 || picture->width <= 0 || picture->height <= 0)
            return 0;
        int64_t right = (int64_t)picture->x + picture->width - 1;
        int64_t bottom = (int64_t)picture->y + picture->height - 1;
        m->left = picture->x;
        m->top = picture->y;
        m->right = (int32_t)(right < width - 1 ? right : width - 1);
        m->bottom = (int32_t)(bottom < height - 1 ? bottom : height - 1);
        return m->left <= m->right && m->top <= m->bottom;
    }
    // Panorama: the letterbox window, and the pan settled as the renderer
    // settles it.
    m->panorama = 1;
    m->columns = picture->height;
    if (m->columns < 1 || picture->width < 1) return 0;
    m->lastRow = (uint32_t)(picture->width - 1);
    m->screenWidth = width;
    int32_t half = width / 2;
    int64_t firstColumn = LetterboxX > 0 ? LetterboxX : 0;
    int64_t endColumn = half < TableColumns ? half : TableColumns;  // table entries drawn
    if (firstColumn >= endColumn) return 0;
    m->left = (int32_t)firstColumn;
    m->right = (int32_t)((int64_t)width - 1 - firstColumn);
    if (endColumn < half) m->right = (int32_t)(endColumn - 1);  // never on a 640-wide screen
    int64_t top = LetterboxY > 0 ? LetterboxY : 0;
    int64_t bottom = (int64_t)destination->height - LetterboxY;
    if (bottom > height) bottom = height;
    if (top >= bottom) return 0;
    m->top = (int32_t)top;
    m->bottom = (int32_t)(bottom - 1);

    int64_t panX = PanX % m->columns;
    m->panX = panX < 0 ? panX + m->columns : panX;
    double upper = picture->width * 1.2 + (double)((int64_t)LetterboxY - destination->height);
    int64_t panY = PanY;
    if (upper < 2147483647.0 && panY > (int64_t)upper) panY = (int64_t)upper;
    if (panY < -(int64_t)LetterboxY) panY = -(int64_t)LetterboxY;
    m->panY = panY;
    return 1;
}

// A sprite's current frame in picture coordinates. A column-major frame's x
// is its top row and its y the stored column of its right edge, counted from
// the panorama's right end.
static int FrameArea(const View* view, const Sprite* sprite, Area* a) {
    const Image* f = sprite ? sprite->current : nullptr;
    if (!f || f->width <= 0 || f->height <= 0) return 0;
    if (view->panorama) {
        int64_t columns = view->picture->height;
        a->x0 = columns - f->y - f->height;
        a->x1 = columns - 1 - f->y;
        a->y0 = f->x;
        a->y1 = (int64_t)f->x + f->width - 1;
    } else {
        a->x0 = f->x;
        a->x1 = (int64_t)f->x + f->width - 1;
        a->y0 = f->y;
        a->y1 = (int64_t)f->y + f->height - 1;
    }
    return 1;
}

// The label a name is shown with: its entry in HotspotLabels, or itself.
static const char* LabelOf(const char* name, size_t bytes, size_t* length) {
    for (const HotspotLabel* l = HotspotLabels; l && l->name; l++)
        if (l->label && std::strncmp(l->name, name, bytes) == 0 && std::strlen(l->name) < bytes) {
            *length = std::strlen(l->label);
            return l->label;
        }
    *length = NameLength(name, bytes);
    return name;
}

// The whole destination as a flat window, locked; 0 when it cannot be
// drawn on (and then it is not locked).
static int LockFlat(Image* destination, ScreenMap* m) {
    if (!destination || !LockImage(destination)) return 0;
    std::memset(m, 0, sizeof *m);
    m->pixels = destination->pixels;
    m->pitch = destination->pitch;
    m->right = destination->width - 1;
    m->bottom = destination->height - 1;
    if (!m->pixels || destination->encoded || m->right < 0 || m->bottom < 0 || m->pitch <= m->right) {
        UnlockImage(destination);
        return 0;
    }
    return 1;
}

void zemDrawOverlayRect(Image* destination, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                        uint32_t rgb) {
    ScreenMap m;
    if (!LockFlat(destination, &m)) return;
    uint8_t colour = NearestIndex(rgb, nullptr, 0);
    int32_t left = x0 < x1 ? x0 : x1, right = x0 < x1 ? x1 : x0;
    int32_t top = y0 < y1 ? y0 : y1, bottom = y0 < y1 ? y1 : y0;
    for (int32_t x = left < 0 ? 0 : left; x <= right && x <= m.right; x++) {
        Plot(&m, x, top, colour);
        Plot(&m, x, bottom, colour);
    }
    for (int32_t y = top < 0 ? 0 : top; y <= bottom && y <= m.bottom; y++) {
        Plot(&m, left, y, colour);
        Plot(&m, right, y, colour);
    }
    UnlockImage(destination);
}

int32_t zemDrawOverlayText(Image* destination, int32_t x, int32_t y, const char* text,
                           uint32_t colour, uint32_t background) {
    ScreenMap m;
    if (!text || !LockFlat(destination, &m)) return 0;
    size_t length = std::strlen(text);
    uint8_t colours[2] = {0, 0};
    colours[0] = NearestIndex(colour, colours, 0);
    colours[1] = NearestIndex(background, colours, 1);
    // The label's box begins two pixels inside its corner.
    Label(&m, x - 2, y - 2, text, length, colours[0], colours[1]);
    UnlockImage(destination);
    return length ? (int32_t)length * CellWidth + 1 : 0;
}

struct Pending {
    int32_t x, y;
    const char* name;
    uint8_t colour;
};

void zemDrawHotspots(Image* destination, Location* location) {
    if (!destination || !location || !location->view || !location->view->picture) return;
    const View* view = location->view;
    if (!LockImage(destination)) return;
    ScreenMap m;
    if (!MakeMap(destination, view, &m)) {
        UnlockImage(destination);
        return;
    }
    uint8_t colours[4];
    colours[0] = NearestIndex(DoorColour, colours, 0);
    colours[1] = NearestIndex(StampColour, colours, 1);
    colours[2] = NearestIndex(SpriteColour, colours, 2);
    colours[3] = NearestIndex(LabelBackground, colours, 3);

    // Outlines first, labels over them; doors last, on top.
    static const int32_t MaxLabels = 256;
    Pending labels[MaxLabels];
    int32_t count = 0;
    int32_t x = 0, y = 0;
    for (SpriteRef* ref = location->sprites; ref; ref = ref->next) {
        Area a;
        if (FrameArea(view, ref->sprite, &a) && Outline(&m, &a, colours[2], &x, &y) &&
            count < MaxLabels)
            labels[count++] = {x, y, ref->name, colours[2]};
    }
    for (Stamp* stamp = location->stamps; stamp; stamp = stamp->next) {
        Area a = {(int64_t)stamp->x + 1, (int64_t)stamp->x + stamp->w - 1, (int64_t)stamp->y + 1,
                  (int64_t)stamp->y + stamp->h - 1};
        if (Outline(&m, &a, colours[1], &x, &y) && count < MaxLabels)
            labels[count++] = {x, y, stamp->name, colours[1]};
    }
    for (Door* door = location->doors; door; door = door->next) {
        Area a = {door->x, (int64_t)door->x + door->w, door->y, (int64_t)door->y + door->h};
        if (Outline(&m, &a, colours[0], &x, &y) && count < MaxLabels)
            labels[count++] = {x, y, door->target, colours[0]};
    }
    // Every name field is 32 bytes.
    for (int32_t i = 0; i < count; i++) {
        size_t length = 0;
        const char* text = LabelOf(labels[i].name, SceneNameBytes, &length);
        Label(&m, labels[i].x, labels[i].y, text, length, labels[i].colour, colours[3]);
    }
    UnlockImage(destination);
}

// The panorama renderer: every screen column shows one picture column,
// stretched about the horizon by its warp-table entry; the left and right
// halves of the screen share the row sequence of mirrored columns.
//
// The picture is column-major and the screen row-major, so the work is done
// in blocks of 16 column pairs: each column is first resampled into a small
// column buffer (a stretch of one contiguous stored column), then the block
// is turned into rows of 16 bytes and stored. Row indices that fall below the
// picture are held on its last row, so nothing is ever read outside it.
#include <cstddef>
#include <cstdint>

#if defined(__x86_64__) && defined(__SSE2__)
#include <emmintrin.h>
#include <tmmintrin.h>
#define ZEM_PANORAMA_SSE 1
#endif

#include "image/image.h"
#include "panorama/panorama.h"
#include "screen/screen.h"

static const int32_t TableColumns = 640;
static const int32_t BlockColumns = 16;
static const int32_t BandRows = 512;
static const int32_t BufferStride = BandRows + 16;
static const int32_t FractionBits = 22;

// The picture and the settled pan of one draw.
struct PanoramaSource {
    const uint8_t* pixels;
    int32_t columns;      // N, the circumference
    int32_t columnBytes;  // H, one stored column
    int32_t panX;
    int32_t panY;
    int32_t screenWidth;
    int useShuffle;
};

// The picture column shown at a screen column (stored column N - 1 - c).
static int64_t PictureColumn(const PanoramaSource* s, int64_t screenColumn) {
    return (s->panX + screenColumn) % s->columns;
}

#ifdef ZEM_PANORAMA_SSE
static const int64_t Wrap = (int64_t)1 << 32;

// Leading runs of 16 rows that the shuffle path may take: every index of
// the run inside the picture, no wrap of the 32-bit row position, and the
// 16 bytes loaded from the run's first row inside the pixel block.
static int32_t ShuffleRuns(uint32_t start, uint32_t step, int64_t columnBytes,
                           int64_t bytesToEnd, int32_t rows) {
    if (step == 0 || step >= (1u << FractionBits) || bytesToEnd < 16) return 0;
    int64_t lastIndex = columnBytes << FractionBits;
    if (lastIndex > Wrap) lastIndex = Wrap;
    lastIndex -= 1;
    int64_t lastLoad = (bytesToEnd - 15) << FractionBits;
    if (lastLoad > Wrap) lastLoad = Wrap;
    lastLoad -= 1;
    int64_t u = start, span = (int64_t)step * 15, runStep = (int64_t)step * 16;
    if (u + span > lastIndex || u > lastLoad) return 0;
    int64_t runs = (lastIndex - u - span) / runStep;
    int64_t byLoad = (lastLoad - u) / runStep;
    if (byLoad < runs) runs = byLoad;
    runs += 1;
    return runs < rows / 16 ? (int32_t)runs : rows / 16;
}

// Rows 16 at a time: the picture rows of a run lie within 16 bytes of the
// first, so one load and one byte shuffle make 16 output rows per column.
__attribute__((target("ssse3"))) static void ShuffleColumnPair(
    const uint8_t* left, const uint8_t* right, uint32_t u, uint32_t step, int32_t runs,
    uint8_t* outLeft, uint8_t* outRight) {
    const uint32_t fraction = (1u << FractionBits) - 1;
    __m128i k0 = _mm_setr_epi32(0, (int32_t)step, (int32_t)(2 * step), (int32_t)(3 * step));
    __m128i four = _mm_set1_epi32((int32_t)(4 * step));
    __m128i k1 = _mm_add_epi32(k0, four);
    __m128i k2 = _mm_add_epi32(k1, four);
    __m128i k3 = _mm_add_epi32(k2, four);
    for (int32_t run = 0; run < runs; run++) {
        uint32_t first = u >> FractionBits;
        __m128i f = _mm_set1_epi32((int32_t)(u & fraction));
        __m128i r0 = _mm_srli_epi32(_mm_add_epi32(f, k0), FractionBits);
        __m128i r1 = _mm_srli_epi32(_mm_add_epi32(f, k1), FractionBits);
        __m128i r2 = _mm_srli_epi32(_mm_add_epi32(f, k2), FractionBits);
        __m128i r3 = _mm_srli_epi32(_mm_add_epi32(f, k3), FractionBits);
        __m128i index = _mm_packus_epi16(_mm_packs_epi32(r0, r1), _mm_packs_epi32(r2, r3));
        __m128i a = _mm_loadu_si128((const __m128i*)(left + first));
        __m128i b = _mm_loadu_si128((const __m128i*)(right + first));
        _mm_storeu_si128((__m128i*)(outLeft + run * 16), _mm_shuffle_epi8(a, index));
        _mm_storeu_si128((__m128i*)(outRight + run * 16), _mm_shuffle_epi8(b, index));
        u += 16 * step;
    }
}

// 16 buffered columns of 16 rows become 16 rows of 16 bytes.
static void StoreTile(const uint8_t* columns, uint8_t* destination, ptrdiff_t pitch) {
    __m128i r[16], s[16], q[16], p[16];
#pragma GCC unroll 16
    for (int i = 0; i < 16; i++)
        r[i] = _mm_loadu_si128((const __m128i*)(columns + (ptrdiff_t)i * BufferStride));
#pragma GCC unroll 16
    for (int i = 0; i < 8; i++) {
        s[2 * i] = _mm_unpacklo_epi8(r[2 * i], r[2 * i + 1]);
        s[2 * i + 1] = _mm_unpackhi_epi8(r[2 * i], r[2 * i + 1]);
    }
#pragma GCC unroll 16
    for (int i = 0; i < 4; i++) {
        q[4 * i + 0] = _mm_unpacklo_epi16(s[4 * i + 0], s[4 * i + 2]);
        q[4 * i + 1] = _mm_unpackhi_epi16(s[4 * i + 0], s[4 * i + 2]);
        q[4 * i + 2] = _mm_unpacklo_epi16(s[4 * i + 1], s[4 * i + 3]);
        q[4 * i + 3] = _mm_unpackhi_epi16(s[4 * i + 1], s[4 * i + 3]);
    }
#pragma GCC unroll 16
    for (int i = 0; i < 2; i++) {
#pragma GCC unroll 16
        for (int k = 0; k < 4; k++) {
            p[8 * i + 2 * k] = _mm_unpacklo_epi32(q[8 * i + k], q[8 * i + 4 + k]);
            p[8 * i + 2 * k + 1] = _mm_unpackhi_epi32(q[8 * i + k], q[8 * i + 4 + k]);
        }
    }
#pragma GCC unroll 16
    for (int k = 0; k < 8; k++) {
        _mm_storeu_si128((__m128i*)(destination + (2 * k) * pitch), _mm_unpacklo_epi64(p[k], p[8 + k]));
        _mm_storeu_si128((__m128i*)(destination + (2 * k + 1) * pitch), _mm_unpackhi_epi64(p[k], p[8 + k]));
    }
}

static int HaveShuffle() { return __builtin_cpu_supports("ssse3"); }
#else
static int HaveShuffle() { return 0; }
#endif

// One pair of screen columns (table entry j) for rows y0 .. y0 + rows - 1,
// into two column buffers.
static void ResampleColumnPair(const PanoramaSource* s, int32_t j, int32_t y0, int32_t rows,
                               uint8_t* outLeft, uint8_t* outRight) {
    int64_t a = PictureColumn(s, j);
    int64_t b = PictureColumn(s, (int64_t)s->screenWidth - 1 - j);
    int64_t h = s->columnBytes;
    const uint8_t* left = s->pixels + (s->columns - 1 - a) * h;
    const uint8_t* right = s->pixels + (s->columns - 1 - b) * h;
    uint32_t step = (uint32_t)ColumnScale[j];
    uint32_t u = (uint32_t)ColumnOffset[j] + step * (uint32_t)((int64_t)s->panY + y0);
    int32_t y = 0;
#ifdef ZEM_PANORAMA_SSE
    if (s->useShuffle) {
        int64_t nearer = (a < b ? a : b) + 1;  // stored columns up to the block's end
        int32_t runs = ShuffleRuns(u, step, h, nearer * h, rows);
        ShuffleColumnPair(left, right, u, step, runs, outLeft, outRight);
        y = runs * 16;
        u += step * (uint32_t)y;
    }
#endif
    uint32_t last = (uint32_t)(h - 1);
    for (; y < rows; y++) {
        uint32_t row = u >> FractionBits;
        if (row > last) row = last;
        outLeft[y] = left[row];
        outRight[y] = right[row];
        u += step;
    }
}

// count buffered columns of rows bytes become count destination columns
// from destination on.
static void StoreColumns(const uint8_t* columns, int32_t count, int32_t rows,
                         uint8_t* destination, ptrdiff_t pitch) {
#ifdef ZEM_PANORAMA_SSE
    if (count == BlockColumns && rows >= 16) {
        // The last tile overlaps the one before it; it rewrites the same bytes.
        for (int32_t y = 0; y < rows; y += 16) {
            int32_t top = y + 16 <= rows ? y : rows - 16;
            StoreTile(columns + top, destination + top * pitch, pitch);
        }
        return;
    }
#endif
    for (int32_t y = 0; y < rows; y++)
        for (int32_t c = 0; c < count; c++)
            destination[y * pitch + c] = columns[(ptrdiff_t)c * BufferStride + y];
}

// Wraps PanX into 0..N (N itself stays N, as a repeated subtraction would
// leave it) and clamps PanY.
static void SettlePan(int32_t columns, int32_t columnBytes, int32_t screenHeight) {
    if (PanX > columns)
        PanX = (PanX - 1) % columns + 1;
    else if (PanX < 0) {
        int32_t rest = PanX % columns;
        PanX = rest < 0 ? rest + columns : rest;
    }
    double upper = columnBytes * 1.2 + (double)((int64_t)LetterboxY - screenHeight);
    int64_t bound = upper >= 2147483647.0 ? INT32_MAX : upper <= -2147483648.0 ? INT32_MIN : (int64_t)upper;
    if (PanY > bound) PanY = (int32_t)bound;
    if ((int64_t)PanY < -(int64_t)LetterboxY) PanY = (int32_t)-(int64_t)LetterboxY;
}

static void DrawLocked(Image* destination, Image* panorama) {
    int32_t columns = panorama->height, columnBytes = panorama->width;
    int32_t width = destination->width, height = destination->height;
    ptrdiff_t pitch = destination->pitch;
    if (columns < 1 || columnBytes < 1) return;
    SettlePan(columns, columnBytes, height);
    if (width < 1 || height < 1 || pitch < width) return;

    int32_t half = width / 2;
    if (LetterboxX >= half) return;
    int32_t firstPair = LetterboxX > 0 ? LetterboxX : 0;
    int32_t endPair = half < TableColumns ? half : TableColumns;
    int32_t top = LetterboxY > 0 ? LetterboxY : 0;
    int64_t bottom = (int64_t)height - LetterboxY;
    if (bottom > height) bottom = height;
    if (firstPair >= endPair || top >= bottom) return;

    PanoramaSource s = {panorama->pixels, columns, columnBytes, PanX, PanY, width, HaveShuffle()};
    alignas(16) uint8_t leftColumns[BlockColumns * BufferStride];
    alignas(16) uint8_t rightColumns[BlockColumns * BufferStride];
    int32_t pairs = endPair - firstPair;
    for (int32_t j0 = firstPair; j0 < endPair; j0 += BlockColumns) {
        int32_t count = endPair - j0 < BlockColumns ? endPair - j0 : BlockColumns;
        if (count < BlockColumns && pairs >= BlockColumns) {
            // A short last block is drawn as a full one ending at the centre.
            j0 = endPair - BlockColumns;
            count = BlockColumns;
        }
        for (int32_t y0 = top; y0 < bottom; y0 += BandRows) {
            int32_t rows = bottom - y0 < BandRows ? (int32_t)(bottom - y0) : BandRows;
            // The right-hand buffers are filled in screen order: column
            // W - 1 - j lies left of W - 1 - (j - 1).
            for (int32_t c = 0; c < count; c++)
                ResampleColumnPair(&s, j0 + c, y0, rows, leftColumns + c * BufferStride,
                                   rightColumns + (count - 1 - c) * BufferStride);
            uint8_t* row = destination->pixels + y0 * pitch;
            StoreColumns(leftColumns, count, rows, row + j0, pitch);
            StoreColumns(rightColumns, count, rows, row + (width - j0 - count), pitch);
        }
    }
}

int DrawPanorama(Image* destination, Image* panorama) {
    if (!LockImage(destination)) return 0;
    if (!LockImage(panorama)) {
        UnlockImage(destination);
        return 0;
    }
    int result = 0;
    if (!destination->encoded && !panorama->encoded) {
        DrawLocked(destination, panorama);
        result = 1;
    }
    UnlockImage(panorama);
    UnlockImage(destination);
    return result;
}

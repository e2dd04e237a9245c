// The blitters: raw and run-length encoded pictures copied into a raw
// destination (with an optional save-under copy of what they cover), the
// double-size blit of transition frames, and row fills.
#include <cstring>

#include "image/image.h"

// Short runs byte by byte; longer ones align the destination to 4 bytes and
// store 32-bit words. Source and destination are always different pictures,
// which lets the compiler widen the word stores.
static inline void CopyRun(uint8_t* __restrict d, const uint8_t* __restrict s, int32_t n) {
    if (n < 20) {
        while (n-- > 0) *d++ = *s++;
        return;
    }
    while (((uintptr_t)d & 3) != 0) {
        *d++ = *s++;
        n--;
    }
    int32_t words = n / 4;
    for (int32_t i = 0; i < words; i++) std::memcpy(d + 4 * i, s + 4 * i, 4);
    d += 4 * words;
    s += 4 * words;
    for (n -= 4 * words; n > 0; n--) *d++ = *s++;
}

static inline uint32_t RunWord(const uint8_t* p) {
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

// A raw destination whose rows lie pitch bytes apart.
static int RawDestination(const Image* d) {
    return !d->encoded && d->width >= 0 && d->height >= 0 && d->pitch >= d->width;
}

static uint8_t* RowStart(const Image* d, int32_t row) {
    return d->pixels + (size_t)row * (size_t)d->pitch;
}

// Raw rows: visible bytes are copied, the save block keeps the source's
// layout (bytes of clipped pixels are 0 there and never written back).
static void DrawRaw(Image* d, const Image* s, uint8_t* save, int32_t x, int32_t y, int32_t rows,
                    int32_t visible) {
    const uint8_t* src = s->pixels;
    for (int32_t r = 0; r < rows; r++, src += s->width) {
        uint8_t* dst = RowStart(d, y + r) + (visible > 0 ? x : 0);
        if (save) {
            for (int32_t c = 0; c < visible; c++) {
                save[c] = dst[c];
                dst[c] = src[c];
            }
            std::memset(save + visible, 0, (size_t)(s->width - visible));
            save += s->width;
        } else {
            CopyRun(dst, src, visible);
        }
    }
}

// Encoded rows: skip runs move on, literal runs are copied where visible.
// The save block receives every run word and, for each literal byte, the
// destination byte it replaced. A stream whose runs overrun a row or the
// stream itself stops the drawing (result 0).
static int DrawEncoded(Image* d, const Image* s, uint8_t* save, int32_t x, int32_t y,
                       int32_t rows, int32_t visible) {
    const uint8_t* stream = s->pixels;
    int32_t length = s->size;
    int32_t at = 0;
    for (int32_t r = 0; r < rows; r++) {
        uint8_t* base = RowStart(d, y + r);
        int32_t column = 0;
        while (column < s->width) {
            if (length - at < 4) return 0;
            uint32_t word = RunWord(stream + at);
            at += 4;
            if (save) {
                std::memcpy(save, stream + at - 4, 4);
                save += 4;
            }
            int32_t count = (int32_t)(word & 0x7FFFFFFFu);
            if (count > s->width - column) return 0;
            // Bit 31 marks a skip run; a zero word skips nothing.
            if ((word & 0x80000000u) || word == 0) {
                column += count;
                continue;
            }
            if (length - at < count) return 0;
            int32_t shown = visible - column;
            shown = shown < 0 ? 0 : shown > count ? count : shown;
            const uint8_t* src = stream + at;
            if (save) {
                if (shown > 0) {
                    uint8_t* dst = base + x + column;
                    for (int32_t i = 0; i < shown; i++) {
                        save[i] = dst[i];
                        dst[i] = src[i];
                    }
                }
                std::memset(save + shown, 0, (size_t)(count - shown));
                save += count;
            } else if (shown > 0) {
                CopyRun(base + x + column, src, shown);
            }
            at += count;
            column += count;
        }
    }
    return 1;
}

// Bytes a save-under block must hold for this source.
static int64_t SaveBytes(const Image* s) {
    int64_t need = s->size;
    if (!s->encoded && (int64_t)s->width * s->height > need) need = (int64_t)s->width * s->height;
    return need;
}

static int Blit(Image* d, Image* s, Image* saveUnder) {
    if (!RawDestination(d) || s->x < 0 || s->y < 0 || s->width <= 0 || s->height < 0) return 0;
    if (s->pixels == d->pixels) return 0;  // a picture is never drawn onto itself
    if (saveUnder && (!saveUnder->pixels || saveUnder->surface || saveUnder->size < SaveBytes(s)))
        return 0;

    // Only the bottom and the right edge can be crossed.
    int32_t rows = s->height;
    if ((int64_t)s->y + rows > d->height) rows = s->y < d->height ? d->height - s->y : 0;
    int32_t visible = s->x < d->width ? d->width - s->x : 0;
    if (visible > s->width) visible = s->width;

    uint8_t* save = nullptr;
    if (saveUnder) {
        saveUnder->width = s->width;
        saveUnder->pitch = s->pitch;
        saveUnder->height = s->height;
        saveUnder->encoded = s->encoded;
        save = saveUnder->pixels;
    }
    if (rows == 0) return 1;
    if (s->encoded) return DrawEncoded(d, s, save, s->x, s->y, rows, visible);
    DrawRaw(d, s, save, s->x, s->y, rows, visible);
    return 1;
}

int BlitImage(Image* destination, Image* source, Image* saveUnder) {
    if (!LockImage(destination)) return 0;
    if (!LockImage(source)) {
        UnlockImage(destination);
        return 0;
    }
    int result = Blit(destination, source, saveUnder);
    UnlockImage(source);
    UnlockImage(destination);
    return result;
}

// Every source pixel a becomes a a in two destination rows.
static int Double(Image* d, const Image* s) {
    if (!RawDestination(d) || s->encoded || s->width < 0 || s->height < 0) return 0;
    if (s->x < 0 || s->y < 0) return 0;
    if ((int64_t)s->x + 2 * (int64_t)s->width > d->width) return 0;
    if ((int64_t)s->y + 2 * (int64_t)s->height > d->height) return 0;
    const uint8_t* src = s->pixels;
    for (int32_t r = 0; r < s->height; r++, src += s->width) {
        uint8_t* upper = RowStart(d, s->y + 2 * r) + s->x;
        uint8_t* lower = upper + d->pitch;
        if (s->width % 2 == 0) {
            for (int32_t c = 0; c < s->width; c += 2) {
                uint8_t quad[4] = {src[c], src[c], src[c + 1], src[c + 1]};
                std::memcpy(upper + 2 * c, quad, 4);
                std::memcpy(lower + 2 * c, quad, 4);
            }
        } else {
            for (int32_t c = 0; c < s->width; c++) {
                upper[2 * c] = upper[2 * c + 1] = src[c];
                lower[2 * c] = lower[2 * c + 1] = src[c];
            }
        }
    }
    return 1;
}

int BlitImageDouble(Image* destination, Image* source) {
    if (!LockImage(destination)) return 0;
    if (!LockImage(source)) {
        UnlockImage(destination);
        return 0;
    }
    int result = Double(destination, source);
    UnlockImage(source);
    UnlockImage(destination);
    return result;
}

int FillRows(Image* image, uint8_t value, int32_t start, int32_t end) {
    if (!LockImage(image)) return 0;
    int result = 0;
    if (RawDestination(image) && start >= 0 && start <= image->height && end >= 0 &&
        end <= image->height) {
        uint32_t word = value * 0x01010101u;
        for (int32_t r = start; r < end; r++) {
            uint8_t* p = RowStart(image, r);
            int32_t c = 0;
            for (; c + 4 <= image->width; c += 4) std::memcpy(p + c, &word, 4);
            for (; c < image->width; c++) p[c] = value;
        }
        result = 1;
    }
    UnlockImage(image);
    return result;
}

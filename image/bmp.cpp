// The BMP loader: uncompressed 8-bit pictures with their colour table, stored
// row-major or column-major, raw or run-length encoded with the first pixel's
// colour transparent.
#include <cmath>
#include <cstring>

#include "image/image.h"
#include "platform/platform.h"

static const int32_t HeaderBytes = 54;  // 14-byte file header, 40-byte info header
static const int32_t PaletteBytes = 1024;
static const int64_t Int32Max = 2147483647;

static int32_t Get32(const uint8_t* p) {
    return (int32_t)((uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24);
}

static uint16_t Get16(const uint8_t* p) { return (uint16_t)(p[0] | p[1] << 8); }

static void Put32(uint8_t* p, uint32_t v) {
    p[0] = (uint8_t)v;
    p[1] = (uint8_t)(v >> 8);
    p[2] = (uint8_t)(v >> 16);
    p[3] = (uint8_t)(v >> 24);
}

// Reads what the file still holds, up to length bytes. Archive reads deliver
// all or nothing, so a short tail is collected in halving steps.
static void ReadUpTo(AssetFile* file, uint8_t* destination, int32_t length) {
    if (AssetRead(file, destination, length)) return;
    int32_t got = 0;
    for (int32_t chunk = 512; chunk >= 1; chunk /= 2) {
        if (length - got >= chunk && AssetRead(file, destination + got, chunk)) got += chunk;
    }
}

// c / 256 raised to Gamma, scaled back by 256 and truncated. The clamp only
// matters for a Gamma of 0 or below, where the result would not fit a byte.
static uint8_t GammaByte(uint8_t c) {
    double v = std::pow(c * 0.00390625, Gamma) * 256;
    if (!(v >= 0)) return 0;
    if (v >= 255) return 255;
    return (uint8_t)(int32_t)v;
}

// The file's blue-green-red entries become red-green-blue; the fourth byte
// stays as read.
static void ConvertPalette(uint8_t* palette, uint32_t entries) {
    for (uint32_t i = 0; i < entries; i++) {
        uint8_t* e = palette + 4 * i;
        uint8_t blue = e[0];
        e[0] = GammaByte(e[2]);
        e[1] = GammaByte(e[1]);
        e[2] = GammaByte(blue);
    }
}

// Length of the encoded stream of a raw block: opaque pixels plus a word per
// run, runs never crossing a row. -1 when it would not fit 32 bits.
static int32_t EncodedLength(const uint8_t* raw, int32_t width, int32_t height) {
    uint8_t transparent = raw[0];
    int64_t length = 0;
    for (int32_t r = 0; r < height; r++) {
        const uint8_t* row = raw + (size_t)r * width;
        for (int32_t c = 0; c < width; c++) {
            int opaque = row[c] != transparent;
            if (opaque) length += 1;
            if (c == 0 || opaque != (row[c - 1] != transparent)) length += 4;
        }
    }
    return length > Int32Max - 3 ? -1 : (int32_t)length;
}

static void EncodeRows(const uint8_t* raw, int32_t width, int32_t height, uint8_t* out) {
    uint8_t transparent = raw[0];
    for (int32_t r = 0; r < height; r++) {
        const uint8_t* row = raw + (size_t)r * width;
        int32_t c = 0;
        while (c < width) {
            int opaque = row[c] != transparent;
            int32_t end = c + 1;
            while (end < width && (row[end] != transparent) == opaque) end++;
            uint32_t count = (uint32_t)(end - c);
            if (!opaque) {
                Put32(out, 0x80000000u | count);
                out += 4;
            } else {
                Put32(out, count);
                out += 4;
                for (int32_t i = c; i < end; i++) *out++ = RemapTable[row[i]];
            }
            c = end;
        }
    }
}

// What the headers say, checked before anything is allocated.
struct BmpHeader {
    int32_t pixelOffset;
    int32_t width;
    int32_t height;
    int32_t stride;  // file row with its padding
    uint32_t entries;  // colour-table entries to convert
};

static int ReadHeader(AssetFile* file, BmpHeader* header, uint8_t* palette, int picture) {
    uint8_t bytes[HeaderBytes];
    if (!AssetRead(file, bytes, 14) || !AssetRead(file, bytes + 14, 40)) return 0;
    const uint8_t* info = bytes + 14;
    uint32_t headerSize = (uint32_t)Get32(info);
    uint16_t bitsPerPixel = Get16(info + 14);
    uint32_t compression = (uint32_t)Get32(info + 16);
    uint32_t coloursUsed = (uint32_t)Get32(info + 32);
    header->pixelOffset = Get32(bytes + 10);
    header->width = Get32(info + 4);
    header->height = Get32(info + 8);
    header->entries = 0;
    if (headerSize == 40 && bitsPerPixel <= 8) header->entries = coloursUsed ? coloursUsed : 1u << bitsPerPixel;
    if (header->entries > 256 || (picture && coloursUsed > 256)) return 0;

    if (palette) {
        // A short colour table at the end of a small file: what is missing is 0.
        std::memset(palette, 0, PaletteBytes);
        ReadUpTo(file, palette, PaletteBytes);
        ConvertPalette(palette, header->entries);
    }
    if (!picture) return 1;

    if (compression != 0 || bitsPerPixel != 8) return 0;
    if (header->width <= 0 || header->height <= 0) return 0;
    if (header->width > (int32_t)sizeof RowBuffer) return 0;
    header->stride = (header->width + 3) & ~3;
    if (header->stride > (int32_t)sizeof RowBuffer) return 0;
    if ((int64_t)header->width * header->height > Int32Max - 3) return 0;
    return 1;
}

// The rows must be in the file: its last byte is read before anything is
// allocated, then the position goes back to the first row.
static int RowsPresent(AssetFile* file, const BmpHeader* header) {
    int64_t end = (int64_t)header->pixelOffset + (int64_t)header->stride * header->height;
    if (header->pixelOffset < 0 || end > Int32Max) return 0;
    uint8_t last;
    if (!AssetSeek(file, (int32_t)(end - 1)) || !AssetRead(file, &last, 1)) return 0;
    return AssetSeek(file, header->pixelOffset);
}

// File rows come bottom row first; each is read whole into RowBuffer.
static int ReadRows(AssetFile* file, const BmpHeader* header, uint8_t* target, int columnMajor) {
    int32_t w = header->width;
    int32_t h = header->height;
    for (int32_t k = 0; k < h; k++) {
        if (!AssetRead(file, RowBuffer, header->stride)) return 0;
        int32_t r = h - 1 - k;
        if (!columnMajor) {
            std::memcpy(target + (size_t)r * w, RowBuffer, (size_t)w);
        } else {
            // Rightmost column first, each column top to bottom.
            for (int32_t c = 0; c < w; c++) target[(size_t)(w - 1 - c) * h + r] = RowBuffer[c];
        }
    }
    return 1;
}

// A record can be kept when it holds at least as many pixels. A raw load
// writes into the kept block, so that block must be a raw one of its own.
static int Keepable(const Image* image, int64_t pixels, int encode) {
    if (image->surface) return 0;
    if ((int64_t)image->width * image->height < pixels) return 0;
    return encode || (!image->encoded && image->pixels);
}

static Image* NewRecord(const char* name, int32_t pixels, int rawBlock) {
    Image* image = (Image*)TrackedAlloc((int32_t)sizeof(Image));
    if (!image) return nullptr;
    std::memset(image, 0, sizeof *image);
    std::strncpy(image->name, name, sizeof image->name - 1);
    image->size = pixels;
    if (rawBlock) {
        image->pixels = (uint8_t*)TrackedAlloc(RoundUp4(pixels));
        if (!image->pixels) {
            TrackedFree(image);
            return nullptr;
        }
    }
    return image;
}

static void FreeRecord(Image* image) {
    TrackedFree(image->pixels);
    TrackedFree(image);
}

static int LoadOpened(AssetFile* file, const char* name, Image** reference, uint8_t* palette,
                      uint8_t* scratch, int32_t scratchSize, int reuse, int encode,
                      int columnMajor) {
    if (reuse && encode && !scratch) return 0;
    BmpHeader header;
    if (!ReadHeader(file, &header, palette, reference != nullptr)) return 0;
    if (!reference) return 1;

    int useScratch = scratch && encode;
    int32_t pixels = header.width * header.height;
    if (useScratch && pixels > scratchSize) return 0;
    if (!RowsPresent(file, &header)) return 0;

    // The record: a kept one, or a fresh one that reaches the reference only
    // when the load succeeds.
    Image* image = nullptr;
    int kept = 0;
    if (reuse && *reference) {
        if (Keepable(*reference, pixels, encode)) {
            image = *reference;
            kept = 1;
        } else {
            FreeImageList(reference);
        }
    }
    if (!image) {
        image = NewRecord(name, pixels, !useScratch);
        if (!image) return 0;
    }

    uint8_t* raw = useScratch ? scratch : image->pixels;
    if (!ReadRows(file, &header, raw, columnMajor)) {
        if (!kept) FreeRecord(image);
        return 0;
    }
    image->width = image->pitch = columnMajor ? header.height : header.width;
    image->height = columnMajor ? header.width : header.height;

    if (encode) {
        // The block being replaced: a kept record's previous one, or the
        // loader's own raw block.
        uint8_t* previous = image->pixels;
        image->encoded = 1;
        int32_t length = EncodedLength(raw, image->width, image->height);
        uint8_t* stream = length < 0 ? nullptr : (uint8_t*)TrackedAlloc(RoundUp4(length));
        if (!stream) {
            if (!kept) {
                FreeRecord(image);
                return 0;
            }
            TrackedFree(previous);
            image->pixels = nullptr;
            image->size = 0;
            return 0;
        }
        EncodeRows(raw, image->width, image->height, stream);
        image->pixels = stream;
        image->size = length;
        TrackedFree(previous);
    }
    *reference = image;
    return 1;
}

int zemLoadBMP(const char* name, Image** reference, uint8_t* palette, uint8_t* scratch,
               int32_t scratchSize, int reuse, int encode, int columnMajor) {
    // The name is kept in a 32-byte field.
    if (!name || std::strlen(name) > sizeof(Image::name) - 1) return 0;
    AssetFile* file = AssetOpen(name);
    if (!file) return 0;
    int result = LoadOpened(file, name, reference, palette, scratch, scratchSize, reuse, encode,
                            columnMajor);
    AssetClose(file);
    return result;
}

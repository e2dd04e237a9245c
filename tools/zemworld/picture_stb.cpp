// BMP and TGA pictures, which no maintained library of the system reads:
// stb's readers (built with only these two formats, see stb.cpp), and only
// after their headers have been checked here: a known depth and layout, a
// size judged for its place, uncompressed pixel data that lies wholly in the
// file. Run-length BMPs, which stb refuses, have a reader of their own.
#include <stb_image.h>

#include <algorithm>
#include <cstring>

#include "tools/zemworld/import.h"

static uint32_t Get16(const uint8_t* p) { return (uint32_t)(p[0] | (p[1] << 8)); }
static uint32_t Get32(const uint8_t* p) {
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}

static int ReadBytes(void* user, char* to, int length) {
    return length > 0 ? (int)SourceReadNext((SourceCursor*)user, to, (size_t)length) : 0;
}

static void SkipBytes(void* user, int count) {
    SourceCursor* cursor = (SourceCursor*)user;
    cursor->at = std::max<int64_t>(0, cursor->at + count);
}

static int AtEnd(void* user) {
    SourceCursor* cursor = (SourceCursor*)user;
    return cursor->at >= cursor->reader->size;
}

static int DecodeWithStb(const SourceReader& reader, int32_t width, int32_t height, Rgba* out,
                         const char* format, std::string* why) {
    SourceCursor cursor = {&reader, 0};
    stbi_io_callbacks io = {ReadBytes, SkipBytes, AtEnd};
    int w = 0, h = 0, channels = 0;
    uint8_t* pixels = stbi_load_from_callbacks(&io, &cursor, &w, &h, &channels, 4);
    if (!pixels || w != width || h != height) {
        const char* reason = stbi_failure_reason();
        *why = std::string("is a damaged ") + format + " (" + (pixels ? "its size changed" : reason ? reason : "cannot be decoded") + ")";
        stbi_image_free(pixels);
        return 0;
    }
    out->width = width;
    out->height = height;
    out->pixels.assign(pixels, pixels + (size_t)width * height * 4);
    stbi_image_free(pixels);
    return 1;
}

int DecodeBmp(const SourceReader& reader, const PictureLimit& limit, Rgba* out, int32_t* width, int32_t* height,
              std::string* why) {
    uint8_t h[54] = {};
    if (!SourceReadAt(reader, 0, h, 18)) {
        *why = "is a damaged BMP (its header is cut short)";
        return 0;
    }
    uint32_t offset = Get32(h + 10), header = Get32(h + 14);
    if (header != 12 && header != 40 && header != 56 && header != 108 && header != 124) {
        *why = "is a BMP of a kind that cannot be read (a " + std::to_string(header) +
               "-byte info header); save it as a plain Windows BMP";
        return 0;
    }
    if (!SourceReadAt(reader, 0, h, header == 12 ? 26 : 54)) {
        *why = "is a damaged BMP (its header is cut short)";
        return 0;
    }
    int64_t w, rows;
    uint32_t bits, compression = 0;
    if (header == 12) {
        w = Get16(h + 18);
        rows = Get16(h + 20);
        bits = Get16(h + 24);
    } else {
        w = (int32_t)Get32(h + 18);
        rows = (int32_t)Get32(h + 22);
        bits = Get16(h + 28);
        compression = Get32(h + 30);
    }
    int64_t high = rows < 0 ? -rows : rows;
    *width = (int32_t)std::min<int64_t>(w, INT32_MAX);
    *height = (int32_t)std::min<int64_t>(high, INT32_MAX);
    if (compression == 1 || compression == 2) return DecodeRleBmp(reader, limit, out, width, height, why);
    if (compression != 0 && compression != 3) {
        *why = "is a compressed BMP of a kind that cannot be read (compression " + std::to_string(compression) +
               "); save it uncompressed";
        return 0;
    }
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
        *why = "is a BMP with " + std::to_string(bits) + " bits per pixel, which no BMP has";
        return 0;
    }
    if (compression == 3 && bits != 16 && bits != 32) {
        *why = "is a damaged BMP (bit fields with " + std::to_string(bits) + " bits per pixel)";
        return 0;
    }
    if (!PictureFits(w, high, limit, why)) return 0;
    int64_t stride = ((w * bits + 31) / 32) * 4;
    if (offset < 14 + header || (int64_t)offset + stride * high > reader.size) {
        *why = "is a damaged BMP (its pixel data lies outside the file)";
        return 0;
    }
    if (!out) return 1;
    return DecodeWithStb(reader, *width, *height, out, "BMP", why);
}

int LooksLikeTga(const SourceReader& reader) {
    uint8_t h[18];
    if (!SourceReadAt(reader, 0, h, 18)) return 0;
    int mapped = h[1], type = h[2], bits = h[16];
    if (mapped > 1) return 0;
    if (type == 1 || type == 9) return mapped == 1 && (bits == 8 || bits == 16);
    if (type == 2 || type == 10) return !mapped && (bits == 15 || bits == 16 || bits == 24 || bits == 32);
    if (type == 3 || type == 11) return !mapped && (bits == 8 || bits == 16);
    return 0;
}

int DecodeTga(const SourceReader& reader, const PictureLimit& limit, Rgba* out, int32_t* width, int32_t* height,
              std::string* why) {
    uint8_t h[18];
    if (!LooksLikeTga(reader) || !SourceReadAt(reader, 0, h, 18)) {
        *why = "is not a picture that can be read (PNG, JPEG, TGA, GIF and BMP are)";
        return 0;
    }
    int type = h[2], bits = h[16];
    uint32_t mapLength = Get16(h + 5), mapBits = h[7];
    *width = (int32_t)Get16(h + 12);
    *height = (int32_t)Get16(h + 14);
    if (!PictureFits(*width, *height, limit, why)) return 0;
    int mapped = type == 1 || type == 9;
    if (mapped && (mapLength == 0 || (mapBits != 15 && mapBits != 16 && mapBits != 24 && mapBits != 32))) {
        *why = "is a damaged TGA (its colour map has " + std::to_string(mapLength) + " entries of " +
               std::to_string(mapBits) + " bits)";
        return 0;
    }
    int64_t start = 18 + (int64_t)h[0] + (mapped ? (int64_t)mapLength * ((mapBits + 7) / 8) : 0);
    int64_t need = type < 8 ? (int64_t)*width * *height * ((bits + 7) / 8) : 1;
    if (start + need > reader.size) {
        *why = "is a damaged TGA (its pixel data lies outside the file)";
        return 0;
    }
    if (!out) return 1;
    return DecodeWithStb(reader, *width, *height, out, "TGA", why);
}

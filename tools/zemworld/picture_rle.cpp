// Run-length BMPs (RLE8, RLE4), bottom-up as the format requires; pixels the
// runs do not reach keep colour 0. Runs are read only as far as a picture of
// the judged size can need: what lies beyond is never looked at.
#include <cstring>

#include "tools/zemworld/import.h"

static uint32_t Get16(const uint8_t* p) { return (uint32_t)(p[0] | (p[1] << 8)); }
static uint32_t Get32(const uint8_t* p) {
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}

int DecodeRleBmp(const SourceReader& reader, const PictureLimit& limit, Rgba* out, int32_t* width,
                 int32_t* height, std::string* why) {
    uint8_t h[54];
    if (!SourceReadAt(reader, 0, h, 54)) {
        *why = "is a damaged BMP (its header is cut short)";
        return 0;
    }
    uint32_t offset = Get32(h + 10), header = Get32(h + 14), compression = Get32(h + 30);
    int32_t w = (int32_t)Get32(h + 18), rows = (int32_t)Get32(h + 22);
    uint32_t bits = Get16(h + 28), used = Get32(h + 46);
    if ((compression == 1 && bits != 8) || (compression == 2 && bits != 4) || rows < 0 || header < 40) {
        *why = "is a damaged BMP (run-length compression with " + std::to_string(bits) + " bits per pixel" +
               (rows < 0 ? ", top-down" : "") + ")";
        return 0;
    }
    *width = w;
    *height = rows;
    if (!PictureFits(w, rows, limit, why)) return 0;
    uint32_t colours = used ? used : 1u << bits;
    if (colours > (1u << bits) || 14 + (int64_t)header + (int64_t)colours * 4 > reader.size ||
        (int64_t)offset >= reader.size) {
        *why = "is a damaged BMP (colour table or pixel data outside the file)";
        return 0;
    }
    if (!out) return 1;
    uint8_t table[256][4] = {};
    std::vector<uint8_t> entries((size_t)colours * 4);
    if (!SourceReadAt(reader, 14 + header, entries.data(), entries.size())) {
        *why = "is a damaged BMP (its colour table is cut short)";
        return 0;
    }
    for (uint32_t i = 0; i < colours; i++) {
        table[i][0] = entries[i * 4 + 2];
        table[i][1] = entries[i * 4 + 1];
        table[i][2] = entries[i * 4];
    }
    // Two bytes a pixel at the most, and an end of line a row.
    int64_t most = (int64_t)w * rows * 2 + (int64_t)rows * 2 + 65536;
    std::vector<uint8_t> b((size_t)std::min<int64_t>(reader.size - offset, most));
    if (!SourceReadAt(reader, offset, b.data(), b.size())) {
        *why = "cannot be read (it may have changed while being read)";
        return 0;
    }
    std::vector<uint8_t> index((size_t)w * rows, 0);
    int64_t x = 0, y = 0;  // y counts from the bottom row
    size_t p = 0;
    auto put = [&](uint8_t v) {
        if (x < w && y < rows) index[(size_t)(rows - 1 - y) * w + x] = v;
        x++;
    };
    while (p + 2 <= b.size() && y < rows) {
        uint8_t count = b[p], value = b[p + 1];
        p += 2;
        if (count) {
            for (int i = 0; i < count; i++) put(bits == 8 ? value : (uint8_t)(i % 2 ? value & 15 : value >> 4));
        } else if (value == 0) {
            x = 0;
            y++;
        } else if (value == 1) {
            break;
        } else if (value == 2) {
            if (p + 2 > b.size()) break;
            x += b[p];
            y += b[p + 1];
            p += 2;
        } else {
            size_t bytes = bits == 8 ? value : (value + 1u) / 2;
            if (p + bytes > b.size()) {
                *why = "is a damaged BMP (its pixel runs end early)";
                return 0;
            }
            for (int i = 0; i < value; i++)
                put(bits == 8 ? b[p + i] : (uint8_t)(i % 2 ? b[p + i / 2] & 15 : b[p + i / 2] >> 4));
            p += bytes + (bytes & 1);  // runs are padded to 16 bits
        }
    }
    out->width = w;
    out->height = rows;
    out->pixels.resize((size_t)w * rows * 4);
    for (size_t i = 0; i < index.size(); i++) {
        std::memcpy(&out->pixels[i * 4], table[index[i]], 3);
        out->pixels[i * 4 + 3] = 255;
    }
    return 1;
}

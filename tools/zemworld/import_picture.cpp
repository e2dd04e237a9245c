// Source pictures: decoded with stb (and a reader of its own for RLE BMPs,
// which stb refuses), sizes checked before anything is allocated.
#include <stb_image.h>
#include <stb_image_resize.h>
#include <stb_image_write.h>

#include <algorithm>
#include <cstring>

#include "tools/zemworld/import.h"

static uint32_t Get16(const std::vector<uint8_t>& b, size_t at) {
    return at + 2 <= b.size() ? (uint32_t)(b[at] | (b[at + 1] << 8)) : 0;
}
static uint32_t Get32(const std::vector<uint8_t>& b, size_t at) {
    return at + 4 <= b.size()
               ? (uint32_t)b[at] | ((uint32_t)b[at + 1] << 8) | ((uint32_t)b[at + 2] << 16) |
                     ((uint32_t)b[at + 3] << 24)
               : 0;
}

static int SizeAllowed(int64_t width, int64_t height, std::string* why) {
    if (width < 1 || height < 1) {
        *why = "has no pixels";
        return 0;
    }
    if (width > MaxPictureSide || height > MaxPictureSide || width * height > MaxPicturePixels) {
        *why = "is " + std::to_string(width) + " x " + std::to_string(height) +
               " pixels, more than a world can use (at most " + std::to_string(MaxPictureSide) +
               " a side and " + std::to_string(MaxPicturePixels / 1000000) + " million pixels)";
        return 0;
    }
    return 1;
}

// RLE8 and RLE4 BMPs, bottom-up as the format requires. Pixels the runs do
// not reach keep colour 0.
static int DecodeRleBmp(const std::vector<uint8_t>& b, Rgba* out, std::string* why) {
    uint32_t offset = Get32(b, 10), header = Get32(b, 14), compression = Get32(b, 30);
    int32_t width = (int32_t)Get32(b, 18), height = (int32_t)Get32(b, 22);
    uint32_t bits = Get16(b, 28), used = Get32(b, 46);
    if (header < 40 || b.size() < 14 + (size_t)header) {
        *why = "is a damaged BMP (its header is cut short)";
        return 0;
    }
    if ((compression == 1 && bits != 8) || (compression == 2 && bits != 4) || height < 0) {
        *why = "is a damaged BMP (run-length compression with " + std::to_string(bits) +
               " bits per pixel" + (height < 0 ? ", top-down" : "") + ")";
        return 0;
    }
    if (!SizeAllowed(width, height, why)) return 0;
    uint32_t colours = used ? used : 1u << bits;
    if (colours > (1u << bits) || 14 + (size_t)header + (size_t)colours * 4 > b.size() || offset >= b.size()) {
        *why = "is a damaged BMP (colour table or pixel data outside the file)";
        return 0;
    }
    uint8_t table[256][3] = {};
    for (uint32_t i = 0; i < colours; i++) {
        size_t at = 14 + (size_t)header + i * 4;
        table[i][0] = b[at + 2];
        table[i][1] = b[at + 1];
        table[i][2] = b[at];
    }
    std::vector<uint8_t> index((size_t)width * height, 0);
    int64_t x = 0, y = 0;  // y counts from the bottom row
    size_t p = offset;
    auto put = [&](uint8_t v) {
        if (x < width && y < height) index[(size_t)(height - 1 - y) * width + x] = v;
        x++;
    };
    while (p + 2 <= b.size() && y < height) {
        uint8_t count = b[p], value = b[p + 1];
        p += 2;
        if (count) {
            for (int i = 0; i < count; i++)
                put(bits == 8 ? value : (uint8_t)(i % 2 ? value & 15 : value >> 4));
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
    out->width = width;
    out->height = height;
    out->pixels.resize((size_t)width * height * 4);
    for (size_t i = 0; i < index.size(); i++) {
        std::memcpy(&out->pixels[i * 4], table[index[i]], 3);
        out->pixels[i * 4 + 3] = 255;
    }
    return 1;
}

int DecodePicture(const std::vector<uint8_t>& bytes, Rgba* out, std::string* why) {
    *out = Rgba();
    if (bytes.size() >= 54 && bytes[0] == 'B' && bytes[1] == 'M') {
        uint32_t compression = Get32(bytes, 30);
        if (compression == 1 || compression == 2) return DecodeRleBmp(bytes, out, why);
    }
    if (bytes.size() > (size_t)INT32_MAX) {
        *why = "is too large";
        return 0;
    }
    int width = 0, height = 0, channels = 0;
    if (!stbi_info_from_memory(bytes.data(), (int)bytes.size(), &width, &height, &channels)) {
        const char* reason = stbi_failure_reason();
        *why = std::string("is not a picture that can be read (") + (reason ? reason : "unknown format") +
               "; PNG, JPEG, TGA, GIF and BMP are)";
        return 0;
    }
    if (!SizeAllowed(width, height, why)) return 0;
    uint8_t* pixels = stbi_load_from_memory(bytes.data(), (int)bytes.size(), &width, &height, &channels, 4);
    if (!pixels) {
        const char* reason = stbi_failure_reason();
        *why = std::string("is damaged (") + (reason ? reason : "cannot be decoded") + ")";
        return 0;
    }
    out->width = width;
    out->height = height;
    out->pixels.assign(pixels, pixels + (size_t)width * height * 4);
    stbi_image_free(pixels);
    return 1;
}

int ReadSourceFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* why) {
    bytes->clear();
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        *why = "cannot be opened";
        return 0;
    }
    int ok = std::fseek(f, 0, SEEK_END) == 0;
    long size = ok ? std::ftell(f) : -1;
    if (size < 0 || std::fseek(f, 0, SEEK_SET) != 0) {
        std::fclose(f);
        *why = "cannot be read";
        return 0;
    }
    if ((int64_t)size > MaxSourceFileBytes) {
        std::fclose(f);
        *why = "is larger than " + std::to_string(MaxSourceFileBytes >> 20) + " MB";
        return 0;
    }
    bytes->resize((size_t)size);
    size_t got = size ? std::fread(bytes->data(), 1, (size_t)size, f) : 0;
    std::fclose(f);
    if (got != (size_t)size) {
        *why = "cannot be read";
        return 0;
    }
    return 1;
}

Rgba MakeRgba(int32_t width, int32_t height, uint32_t rgba) {
    Rgba out;
    out.width = width;
    out.height = height;
    out.pixels.resize((size_t)width * height * 4);
    for (size_t i = 0; i < out.pixels.size(); i += 4) {
        out.pixels[i] = (uint8_t)(rgba >> 24);
        out.pixels[i + 1] = (uint8_t)(rgba >> 16);
        out.pixels[i + 2] = (uint8_t)(rgba >> 8);
        out.pixels[i + 3] = (uint8_t)rgba;
    }
    return out;
}

Rgba ResizeRgba(const Rgba& in, int32_t width, int32_t height) {
    if (in.width == width && in.height == height) return in;
    Rgba out;
    out.width = width;
    out.height = height;
    out.pixels.resize((size_t)width * height * 4);
    stbir_resize_uint8_srgb(in.pixels.data(), in.width, in.height, 0, out.pixels.data(), width, height, 0,
                            4, 3, 0);
    return out;
}

static uint8_t Blend(uint8_t front, uint8_t back, uint32_t alpha) {
    return (uint8_t)((front * alpha + back * (255 - alpha) + 127) / 255);
}

void CompositeOver(Rgba* picture, const Rgba& background, int32_t x, int32_t y, int wrapColumns) {
    for (int32_t j = 0; j < picture->height; j++)
        for (int32_t i = 0; i < picture->width; i++) {
            uint8_t* p = &picture->pixels[((size_t)j * picture->width + i) * 4];
            int64_t bx = (int64_t)x + i, by = (int64_t)y + j;
            if (wrapColumns && background.width > 0) bx = ((bx % background.width) + background.width) % background.width;
            uint8_t back[3] = {0, 0, 0};
            if (bx >= 0 && by >= 0 && bx < background.width && by < background.height)
                std::memcpy(back, &background.pixels[((size_t)by * background.width + bx) * 4], 3);
            for (int c = 0; c < 3; c++) p[c] = Blend(p[c], back[c], p[3]);
            p[3] = 255;
        }
}

void CompositeOverColour(Rgba* picture, uint32_t rgb) {
    uint8_t back[3] = {(uint8_t)(rgb >> 16), (uint8_t)(rgb >> 8), (uint8_t)rgb};
    for (size_t i = 0; i < picture->pixels.size(); i += 4) {
        uint8_t* p = &picture->pixels[i];
        for (int c = 0; c < 3; c++) p[c] = Blend(p[c], back[c], p[3]);
        p[3] = 255;
    }
}

int SplitTransparency(Rgba* picture, int32_t cornerX) {
    if (picture->width < 1 || picture->height < 1) return 0;
    std::vector<uint8_t>& px = picture->pixels;
    int anyTransparent = 0;
    for (size_t i = 3; i < px.size(); i += 4) anyTransparent |= px[i] < 128;
    size_t corner = (size_t)std::clamp(cornerX, 0, picture->width - 1) * 4;
    int cornerWasOpaque = 0;
    if (anyTransparent) {
        cornerWasOpaque = px[corner + 3] >= 128;
        for (size_t i = 0; i < px.size(); i += 4) px[i + 3] = px[i + 3] < 128 ? 0 : 255;
    } else {
        uint8_t key[3] = {px[corner], px[corner + 1], px[corner + 2]};
        for (size_t i = 0; i < px.size(); i += 4) px[i + 3] = std::memcmp(&px[i], key, 3) ? 255 : 0;
    }
    px[corner + 3] = 0;
    for (size_t i = 0; i < px.size(); i += 4)
        if (!px[i + 3]) px[i] = px[i + 1] = px[i + 2] = 0;
    return cornerWasOpaque;
}

int WritePng(const std::string& path, const Rgba& picture, std::string* why) {
    if (!stbi_write_png(path.c_str(), picture.width, picture.height, 4, picture.pixels.data(),
                        picture.width * 4)) {
        *why = "cannot be written";
        return 0;
    }
    return 1;
}

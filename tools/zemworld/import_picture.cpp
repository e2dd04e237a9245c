// True-colour pictures: making, scaling, compositing, transparency, and
// writing them as PNG.
#include <stb_image_resize.h>
#include <stb_image_write.h>

#include <algorithm>
#include <cstring>

#include "tools/zemworld/import.h"

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

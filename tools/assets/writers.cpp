// Writers for 8-bit BMP pictures and PCM WAV sounds.
#include <algorithm>
#include <cstring>

#include "tools/assets/assets.h"

static void Put16(std::vector<uint8_t>& out, size_t at, uint16_t v) {
    out[at] = (uint8_t)v;
    out[at + 1] = (uint8_t)(v >> 8);
}
static void Put32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; i++) out[at + i] = (uint8_t)(v >> (8 * i));
}

std::vector<uint8_t> MakeBmp(const BmpLayout& layout) {
    int32_t rows = layout.height < 0 ? -layout.height : layout.height;
    int32_t width = layout.width < 0 ? 0 : layout.width;
    int32_t stride = (width + 3) & ~3;
    int32_t entries = layout.colourTableEntries < 0 ? 256 : layout.colourTableEntries;
    size_t tableEnd = 54 + (size_t)entries * 4;
    size_t pixelStart = layout.pixelOffset < 0 ? tableEnd : (size_t)layout.pixelOffset;
    size_t total = std::max(tableEnd, pixelStart + (size_t)stride * rows);
    std::vector<uint8_t> out(total, 0);
    out[0] = 'B';
    out[1] = 'M';
    Put32(out, 2, (uint32_t)total);
    Put32(out, 10, (uint32_t)(layout.pixelOffset < 0 ? tableEnd : layout.pixelOffset));
    Put32(out, 14, layout.headerSize);
    Put32(out, 18, (uint32_t)layout.width);
    Put32(out, 22, (uint32_t)layout.height);
    Put16(out, 26, 1);
    Put16(out, 28, layout.bitsPerPixel);
    Put32(out, 30, layout.compression);
    Put32(out, 34, (uint32_t)(stride * rows));
    Put32(out, 46, layout.colorsUsed);
    for (int32_t i = 0; i < entries; i++) {
        uint32_t c = i < (int32_t)layout.colours.size() ? layout.colours[i] : 0;
        out[54 + i * 4 + 0] = (uint8_t)c;          // blue
        out[54 + i * 4 + 1] = (uint8_t)(c >> 8);   // green
        out[54 + i * 4 + 2] = (uint8_t)(c >> 16);  // red
    }
    // Bottom row first, unless the height says top-down.
    for (int32_t k = 0; k < rows; k++) {
        int32_t row = layout.height < 0 ? k : rows - 1 - k;
        for (int32_t c = 0; c < width; c++) {
            size_t src = (size_t)row * width + c;
            if (src < layout.pixels.size()) out[pixelStart + (size_t)k * stride + c] = layout.pixels[src];
        }
    }
    if (layout.truncateTo >= 0 && (size_t)layout.truncateTo < out.size()) out.resize(layout.truncateTo);
    return out;
}

std::vector<uint8_t> MakeSimpleBmp(int32_t width, int32_t height, const std::vector<uint8_t>& pixels) {
    BmpLayout layout;
    layout.width = width;
    layout.height = height;
    layout.pixels = pixels;
    for (uint32_t i = 0; i < 256; i++) layout.colours.push_back(i * 0x010101u);
    return MakeBmp(layout);
}

std::vector<uint8_t> MakeFilledBmp(int32_t width, int32_t height, uint8_t index) {
    return MakeSimpleBmp(width, height, std::vector<uint8_t>((size_t)width * height, index));
}

std::vector<uint8_t> MakeWav(const WavLayout& layout) {
    std::vector<uint8_t> out;
    auto put = [&](const void* p, size_t n) {
        out.insert(out.end(), (const uint8_t*)p, (const uint8_t*)p + n);
    };
    auto put32 = [&](uint32_t v) { put(&v, 4); };
    auto put16 = [&](uint16_t v) { put(&v, 2); };
    put(layout.riffId.data(), 4);
    put32(0);
    put("WAVE", 4);
    put("fmt ", 4);
    put32(layout.formatChunkSize);
    uint16_t blockAlign = (uint16_t)(layout.channels * layout.bitsPerSample / 8);
    put16(layout.formatTag);
    put16(layout.channels);
    put32(layout.samplesPerSec);
    put32(layout.samplesPerSec * blockAlign);
    put16(blockAlign);
    put16(layout.bitsPerSample);
    if (layout.formatChunkSize == 18) put16(0);
    if (layout.extraChunkBeforeData) {
        put("LIST", 4);
        put32(4);
        put("INFO", 4);
    }
    put("data", 4);
    put32(layout.dataSizeOverride < 0 ? (uint32_t)layout.data.size() : (uint32_t)layout.dataSizeOverride);
    put(layout.data.data(), layout.data.size());
    uint32_t riff = layout.riffSizeOverride ? layout.riffSizeOverride : (uint32_t)(out.size() - 8);
    std::memcpy(out.data() + 4, &riff, 4);
    return out;
}

std::vector<uint8_t> Bytes(const std::string& text) {
    return std::vector<uint8_t>(text.begin(), text.end());
}

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

std::vector<uint8_t> MakeBmp(const BmpSpec& spec) {
    int32_t rows = spec.height < 0 ? -spec.height : spec.height;
    int32_t width = spec.width < 0 ? 0 : spec.width;
    int32_t stride = (width + 3) & ~3;
    int32_t entries = spec.colourTableEntries < 0 ? 256 : spec.colourTableEntries;
    size_t tableEnd = 54 + (size_t)entries * 4;
    size_t pixelStart = spec.pixelOffset < 0 ? tableEnd : (size_t)spec.pixelOffset;
    size_t total = std::max(tableEnd, pixelStart + (size_t)stride * rows);
    std::vector<uint8_t> out(total, 0);
    out[0] = 'B';
    out[1] = 'M';
    Put32(out, 2, (uint32_t)total);
    Put32(out, 10, (uint32_t)(spec.pixelOffset < 0 ? tableEnd : spec.pixelOffset));
    Put32(out, 14, spec.headerSize);
    Put32(out, 18, (uint32_t)spec.width);
    Put32(out, 22, (uint32_t)spec.height);
    Put16(out, 26, 1);
    Put16(out, 28, spec.bitsPerPixel);
    Put32(out, 30, spec.compression);
    Put32(out, 34, (uint32_t)(stride * rows));
    Put32(out, 46, spec.colorsUsed);
    for (int32_t i = 0; i < entries; i++) {
        uint32_t c = i < (int32_t)spec.colours.size() ? spec.colours[i] : 0;
        out[54 + i * 4 + 0] = (uint8_t)c;          // blue
        out[54 + i * 4 + 1] = (uint8_t)(c >> 8);   // green
        out[54 + i * 4 + 2] = (uint8_t)(c >> 16);  // red
    }
    // Bottom row first, unless the height says top-down.
    for (int32_t k = 0; k < rows; k++) {
        int32_t row = spec.height < 0 ? k : rows - 1 - k;
        for (int32_t c = 0; c < width; c++) {
            size_t src = (size_t)row * width + c;
            if (src < spec.pixels.size()) out[pixelStart + (size_t)k * stride + c] = spec.pixels[src];
        }
    }
    if (spec.truncateTo >= 0 && (size_t)spec.truncateTo < out.size()) out.resize(spec.truncateTo);
    return out;
}

std::vector<uint8_t> MakeSimpleBmp(int32_t width, int32_t height, const std::vector<uint8_t>& pixels) {
    BmpSpec spec;
    spec.width = width;
    spec.height = height;
    spec.pixels = pixels;
    for (uint32_t i = 0; i < 256; i++) spec.colours.push_back(i * 0x010101u);
    return MakeBmp(spec);
}

std::vector<uint8_t> MakeFilledBmp(int32_t width, int32_t height, uint8_t index) {
    return MakeSimpleBmp(width, height, std::vector<uint8_t>((size_t)width * height, index));
}

std::vector<uint8_t> MakeWav(const WavSpec& spec) {
    std::vector<uint8_t> out;
    auto put = [&](const void* p, size_t n) {
        out.insert(out.end(), (const uint8_t*)p, (const uint8_t*)p + n);
    };
    auto put32 = [&](uint32_t v) { put(&v, 4); };
    auto put16 = [&](uint16_t v) { put(&v, 2); };
    put(spec.riffId.data(), 4);
    put32(0);
    put("WAVE", 4);
    put("fmt ", 4);
    put32(spec.formatChunkSize);
    uint16_t blockAlign = (uint16_t)(spec.channels * spec.bitsPerSample / 8);
    put16(spec.formatTag);
    put16(spec.channels);
    put32(spec.samplesPerSec);
    put32(spec.samplesPerSec * blockAlign);
    put16(blockAlign);
    put16(spec.bitsPerSample);
    if (spec.formatChunkSize == 18) put16(0);
    if (spec.extraChunkBeforeData) {
        put("LIST", 4);
        put32(4);
        put("INFO", 4);
    }
    put("data", 4);
    put32(spec.dataSizeOverride < 0 ? (uint32_t)spec.data.size() : (uint32_t)spec.dataSizeOverride);
    put(spec.data.data(), spec.data.size());
    uint32_t riff = spec.riffSizeOverride ? spec.riffSizeOverride : (uint32_t)(out.size() - 8);
    std::memcpy(out.data() + 4, &riff, 4);
    return out;
}

std::vector<uint8_t> Bytes(const std::string& text) {
    return std::vector<uint8_t>(text.begin(), text.end());
}

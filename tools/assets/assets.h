// Writers for the program's data files: 8-bit BMP pictures and PCM WAV
// sounds. Used by the demo-world generator and the tests, which can also
// damage the files on purpose.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A BMP file as the loader expects it, with knobs to damage it.
struct BmpLayout {
    int32_t width = 0;
    int32_t height = 0;                  // written as is (negative: top-down)
    std::vector<uint8_t> pixels;         // top row first, width x |height|
    std::vector<uint32_t> colours;       // 0x00RRGGBB, written as B G R 0
    int32_t colourTableEntries = -1;     // -1: 256 entries (short tables allowed)
    uint32_t colorsUsed = 0;
    uint16_t bitsPerPixel = 8;
    uint32_t compression = 0;
    uint32_t headerSize = 40;
    int64_t pixelOffset = -1;            // -1: directly behind the colour table
    int64_t truncateTo = -1;             // -1: whole file
};
std::vector<uint8_t> MakeBmp(const BmpLayout& layout);
// A plain 8-bit picture with a grey-ramp palette.
std::vector<uint8_t> MakeSimpleBmp(int32_t width, int32_t height,
                                   const std::vector<uint8_t>& pixels);
// Every pixel the same index.
std::vector<uint8_t> MakeFilledBmp(int32_t width, int32_t height, uint8_t index);

struct WavLayout {
    uint16_t formatTag = 1;
    uint16_t channels = 1;
    uint32_t samplesPerSec = 22050;
    uint16_t bitsPerSample = 8;
    std::vector<uint8_t> data;
    uint32_t formatChunkSize = 16;  // 18 writes the extra-size field too
    bool extraChunkBeforeData = false;
    int64_t dataSizeOverride = -1;  // -1: the real size
    uint32_t riffSizeOverride = 0;  // 0: the real size
    std::string riffId = "RIFF";
};
std::vector<uint8_t> MakeWav(const WavLayout& layout);

// Bytes as a string for readable messages.
std::vector<uint8_t> Bytes(const std::string& text);

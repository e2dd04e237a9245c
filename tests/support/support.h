// Test helpers: writers for small BMP and WAV files, archives built in
// memory with the zempack code, and a fresh program state.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/zempack/pack.h"

// A BMP file as the loader expects it, with knobs to damage it.
struct BmpSpec {
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
std::vector<uint8_t> MakeBmp(const BmpSpec& spec);
// A plain 8-bit picture with a grey-ramp palette.
std::vector<uint8_t> MakeSimpleBmp(int32_t width, int32_t height,
                                   const std::vector<uint8_t>& pixels);
// Every pixel the same index.
std::vector<uint8_t> MakeFilledBmp(int32_t width, int32_t height, uint8_t index);

struct WavSpec {
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
std::vector<uint8_t> MakeWav(const WavSpec& spec);

// Builds "data.zem" in memory from the members and opens it as the program
// does (40 slots). Returns the FastFileInit result.
int InstallArchive(const std::vector<PackMember>& members);
std::vector<uint8_t> BuildArchive(const std::vector<PackMember>& members);

// A fresh platform and program: headless backend reset, archive released,
// every program-wide variable at its start value, no injected allocation
// failure.
void FreshProgram();

// Bytes as a string for readable messages.
std::vector<uint8_t> Bytes(const std::string& text);

// Source worlds for the importer's tests: pictures and sounds in the formats
// authors bring, written by the tests, and the headless viewer run on what
// the importer made.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/assets/assets.h"
#include "tools/zemworld/import.h"

// A fresh, empty folder for one test, below the working directory.
std::string TestFolder(const std::string& name);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
void WritePicture(const std::string& path, const Rgba& picture);  // by extension: png, jpg, bmp (24-bit)
std::vector<uint8_t> Bmp24(const Rgba& picture);
// Four bits a pixel, nearest of 16 colours.
std::vector<uint8_t> Bmp4(const Rgba& picture, const std::vector<uint32_t>& colours);
std::vector<uint8_t> WavStereo16(uint32_t rate, uint32_t frames);
std::vector<uint8_t> WavFloat32(uint32_t rate, uint16_t channels, const std::vector<float>& samples);

// Soft colour fields and blobs, as photographs have: something a 256-colour
// palette with dithering should hold at well over 30 dB.
Rgba PhotoLike(int32_t width, int32_t height, int seed);
// A round object on a transparent ground.
Rgba Blob(int32_t width, int32_t height, uint32_t rgb);

// The format tour: an equirectangular plaza, a JPEG workshop closeup with an
// item view of 24-bit BMPs in a folder with a long name, and a cylinder hall
// with a PNG sprite; 4-bit BMPs, 16-bit stereo and float WAVs.
struct TourWorld {
    std::string folder;
    Rgba hall;        // the hall's panorama as the author painted it
    Rgba plaza;       // the 360-degree photo
    Rgba birdFrame;   // the hall sprite's first frame
};
TourWorld WriteTourWorld(const std::string& folder);

// Diagnostics other than the one the checker's placeholder gives.
std::vector<std::string> RealDiagnostics(const Report& report);

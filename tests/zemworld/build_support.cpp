#include "tests/zemworld/build_support.h"

#include <stb_image_write.h>

#include <cmath>
#include <cstring>
#include <filesystem>

#include <unistd.h>

#include <gtest/gtest.h>

#include "app/app.h"
#include "platform/platform.h"
#include "tests/support/support.h"

namespace fs = std::filesystem;

// Tests of one suite run side by side in processes of their own, so each
// folder carries the process's number; it goes when the process ends.
static std::vector<std::string> Made;
static void RemoveMade() {
    std::error_code ec;
    for (const std::string& f : Made) fs::remove_all(f, ec);
}

std::string TestFolder(const std::string& name) {
    std::error_code ec;
    std::string folder = "zemworld-" + name + "-" + std::to_string(getpid());
    fs::remove_all(folder, ec);
    fs::create_directories(folder, ec);
    if (Made.empty()) std::atexit(RemoveMade);
    Made.push_back(folder);
    return folder;
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::error_code ec;
    fs::create_directories(fs::path(path).parent_path(), ec);
    std::string error;
    ASSERT_TRUE(PackWriteFile(path, bytes, &error)) << error;
}

static void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; i++) b[at + i] = (uint8_t)(v >> (8 * i));
}

// BITMAPINFOHEADER pictures of fewer or more bits than the viewer's 8.
static std::vector<uint8_t> BmpHeader(const Rgba& p, int bits, int colours, size_t rowBytes) {
    size_t offset = 54 + (size_t)colours * 4;
    std::vector<uint8_t> b(offset + rowBytes * p.height, 0);
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 2, (uint32_t)b.size());
    Put32(b, 10, (uint32_t)offset);
    Put32(b, 14, 40);
    Put32(b, 18, (uint32_t)p.width);
    Put32(b, 22, (uint32_t)p.height);
    b[26] = 1;
    b[28] = (uint8_t)bits;
    Put32(b, 46, (uint32_t)colours);
    return b;
}

std::vector<uint8_t> Bmp24(const Rgba& p) {
    size_t row = ((size_t)p.width * 3 + 3) & ~(size_t)3;
    std::vector<uint8_t> b = BmpHeader(p, 24, 0, row);
    for (int32_t y = 0; y < p.height; y++)
        for (int32_t x = 0; x < p.width; x++) {
            const uint8_t* s = &p.pixels[((size_t)y * p.width + x) * 4];
            uint8_t* d = &b[54 + (size_t)(p.height - 1 - y) * row + (size_t)x * 3];
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
        }
    return b;
}

std::vector<uint8_t> Bmp4(const Rgba& p, const std::vector<uint32_t>& colours) {
    size_t row = (((size_t)p.width + 1) / 2 + 3) & ~(size_t)3;
    std::vector<uint8_t> b = BmpHeader(p, 4, 16, row);
    for (int i = 0; i < 16; i++) Put32(b, 54 + i * 4, colours[i % colours.size()]);
    for (int32_t y = 0; y < p.height; y++)
        for (int32_t x = 0; x < p.width; x++) {
            const uint8_t* s = &p.pixels[((size_t)y * p.width + x) * 4];
            int best = 0, bestD = 1 << 30;
            for (int i = 0; i < 16; i++) {
                uint32_t c = colours[i % colours.size()];
                int dr = s[0] - (int)(c >> 16 & 255), dg = s[1] - (int)(c >> 8 & 255), db = s[2] - (int)(c & 255);
                if (dr * dr + dg * dg + db * db < bestD) {
                    bestD = dr * dr + dg * dg + db * db;
                    best = i;
                }
            }
            uint8_t& d = b[54 + 64 + (size_t)(p.height - 1 - y) * row + (size_t)x / 2];
            d |= (uint8_t)(x % 2 ? best : best << 4);
        }
    return b;
}

void WritePicture(const std::string& path, const Rgba& p) {
    std::error_code ec;
    fs::create_directories(fs::path(path).parent_path(), ec);
    std::string ext = fs::path(path).extension().string();
    if (ext == ".bmp" || ext == ".BMP") return WriteBytes(path, Bmp24(p));
    int ok = ext == ".jpg" ? stbi_write_jpg(path.c_str(), p.width, p.height, 4, p.pixels.data(), 95)
                           : stbi_write_png(path.c_str(), p.width, p.height, 4, p.pixels.data(), p.width * 4);
    ASSERT_TRUE(ok) << path;
}

std::vector<uint8_t> WavStereo16(uint32_t rate, uint32_t frames) {
    WavLayout w;
    w.channels = 2;
    w.samplesPerSec = rate;
    w.bitsPerSample = 16;
    for (uint32_t i = 0; i < frames; i++)
        for (int c = 0; c < 2; c++) {
            int16_t v = (int16_t)(std::sin(i * (c ? 0.05 : 0.03)) * 12000);
            w.data.push_back((uint8_t)v);
            w.data.push_back((uint8_t)((uint16_t)v >> 8));
        }
    return MakeWav(w);
}

std::vector<uint8_t> WavFloat32(uint32_t rate, uint16_t channels, const std::vector<float>& samples) {
    WavLayout w;
    w.formatTag = 3;
    w.channels = channels;
    w.samplesPerSec = rate;
    w.bitsPerSample = 32;
    w.formatChunkSize = 18;
    w.extraChunkBeforeData = true;
    w.data.resize(samples.size() * 4);
    std::memcpy(w.data.data(), samples.data(), w.data.size());
    return MakeWav(w);
}

Rgba PhotoLike(int32_t width, int32_t height, int seed) {
    Rgba p = MakeRgba(width, height, 0xFF);
    for (int32_t y = 0; y < height; y++)
        for (int32_t x = 0; x < width; x++) {
            // Periodic across, so that a panorama closes round: brightness
            // varies a lot, hue slowly, as in a photograph.
            double u = (double)x / width * 2 * 3.14159265358979, v = (double)y / height;
            double light = 0.55 + 0.25 * std::sin(u * 3 + seed) * std::cos(v * 4) + 0.2 * std::sin(v * 9 + u * 2);
            double blob = std::exp(-(std::pow(std::sin(u * 1.5 + seed) * 3, 2) + std::pow((v - 0.5) * 6, 2)));
            double warm = 0.5 + 0.4 * std::sin(u + seed * 0.7) - 0.3 * v + 0.3 * blob;
            uint8_t* d = &p.pixels[((size_t)y * width + x) * 4];
            d[0] = (uint8_t)std::clamp(255 * light * (0.7 + 0.5 * warm), 0.0, 255.0);
            d[1] = (uint8_t)std::clamp(255 * light * (0.85 + 0.1 * std::cos(u * 2 - seed)), 0.0, 255.0);
            d[2] = (uint8_t)std::clamp(255 * light * (1.1 - 0.5 * warm), 0.0, 255.0);
        }
    return p;
}

Rgba Blob(int32_t width, int32_t height, uint32_t rgb) {
    Rgba p = MakeRgba(width, height, 0);
    for (int32_t y = 0; y < height; y++)
        for (int32_t x = 0; x < width; x++) {
            double dx = (x + 0.5 - width / 2.0) / (width / 2.0), dy = (y + 0.5 - height / 2.0) / (height / 2.0);
            if (dx * dx + dy * dy >= 0.8) continue;
            uint8_t* d = &p.pixels[((size_t)y * width + x) * 4];
            double shade = 1 - 0.4 * (dx + dy + 1.2) / 2.4;
            d[0] = (uint8_t)((rgb >> 16 & 255) * shade);
            d[1] = (uint8_t)((rgb >> 8 & 255) * shade);
            d[2] = (uint8_t)((rgb & 255) * shade);
            d[3] = 255;
        }
    return p;
}

TourWorld WriteTourWorld(const std::string& folder) {
    TourWorld w;
    w.folder = folder;
    std::string why;
    // The interface pictures of the starter world; the script is the test's.
    EXPECT_EQ(WriteStarterWorld(folder + "/starter", &why), 1) << why;
    std::error_code ec;
    for (const char* name : {"ZEMLOGO.png", "CURS0000.png", "CURS0001.png", "CURS0002.png", "CURS0003.png"})
        fs::copy_file(folder + "/starter/" + name, folder + "/" + name, ec);
    fs::remove_all(folder + "/starter", ec);

    w.plaza = PhotoLike(512, 256, 1);
    WritePicture(folder + "/photos/plaza.png", w.plaza);
    std::vector<uint32_t> sixteen;
    for (int i = 0; i < 16; i++) sixteen.push_back((uint32_t)(i * 16) << 16 | (uint32_t)(255 - i * 12) << 8 | 0x40);
    WriteBytes(folder + "/objects/crate4.bmp", Bmp4(Blob(24, 20, 0xC08040), sixteen));
    WriteBytes(folder + "/pda.bmp", Bmp4(PhotoLike(120, 80, 4), sixteen));
    WriteBytes(folder + "/sounds/door.wav", WavStereo16(44100, 4410));
    for (int k = 0; k < 3; k++) WritePicture(folder + "/fade/step" + std::to_string(k + 1) + ".jpg", PhotoLike(640, 480, k));

    WritePicture(folder + "/photos/workshop.jpg", PhotoLike(800, 600, 2));
    WritePicture(folder + "/objects/lamp.png", Blob(40, 40, 0xF0D020));
    std::string items = folder + "/items/a_rather_long_folder_name_for_the_lamp_frames";
    // The turning lamp: one picture that moves round, frame by frame.
    Rgba lamp = PhotoLike(96, 48, 5);
    for (int k = 0; k < 24; k++) {
        Rgba frame = MakeRgba(64, 48, 0);
        for (int32_t y = 0; y < 48; y++)
            for (int32_t x = 0; x < 64; x++)
                std::memcpy(&frame.pixels[((size_t)y * 64 + x) * 4], &lamp.pixels[((size_t)y * 96 + (x + k * 4) % 96) * 4], 4);
        WriteBytes(items + "/turn" + std::to_string(k) + ".bmp", Bmp24(frame));
    }
    // Eight frames for a whole turn, named by the first one.
    for (int k = 1; k <= 8; k++) WritePicture(folder + "/items/crate/c" + std::to_string(k) + ".png", PhotoLike(64, 48, k));
    std::vector<float> chime;
    for (int i = 0; i < 8000; i++) chime.push_back((float)(std::sin(i * 0.1) * 0.5 * (i % 2 ? 1 : -1) * std::exp(-i / 3000.0)));
    WriteBytes(folder + "/sounds/chime.wav", WavFloat32(44100, 2, chime));

    w.hall = PhotoLike(1024, 480, 3);
    WritePicture(folder + "/photos/hall.png", w.hall);
    w.birdFrame = Blob(30, 20, 0x3060E0);
    for (int k = 1; k <= 4; k++) WritePicture(folder + "/anim/bird_0" + std::to_string(k) + ".png", k == 1 ? w.birdFrame : Blob(30, 20 - k, 0x3060E0));
    WriteBytes(folder + "/anim/bird_info.txt", Bytes("frame xpos=0 prow=150 pcol=429 ypos=0 - -\n"));
    // On the photo, in the photo's pixels: rows 100 to 119, columns 270 to 299.
    for (int k = 0; k < 2; k++) WritePicture(folder + "/anim/gull/" + std::to_string(k) + ".png", w.birdFrame);
    WriteBytes(folder + "/anim/gull/info.txt", Bytes("frame xpos=0 prow=100 pcol=299 ypos=0 - -\n"));

    WriteBytes(folder + "/game.txt", Bytes("rem The format tour.\n"
                                           "location plaza\n"
                                           "panorama photos/plaza.png width=1024\n"
                                           "stamp objects/crate4.bmp 100 150 24 20 - items/crate/c1.png\n"
                                           "door workshop 200 100 40 60 sounds/door.wav fade/step1.jpg 0 67\n"
                                           "sprite anim/gull/ on\n"
                                           "pda pda.bmp\n"
                                           "\n"
                                           "location workshop\n"
                                           "closeup photos/workshop.jpg\n"
                                           "stamp objects/lamp.png 500 300 40 40 sounds/chime.wav "
                                           "items/a_rather_long_folder_name_for_the_lamp_frames/\n"
                                           "door hall 0 0 100 100\n"
                                           "\n"
                                           "location hall\n"
                                           "panorama photos/hall.png\n"
                                           "sprite anim/bird_01.png on\n"
                                           "door plaza 0 0 100 100 - - 256 67\n"));
    return w;
}

std::vector<std::string> RealDiagnostics(const Report& report) {
    std::vector<std::string> out;
    for (const Diagnostic& d : report.items)
        if (d.text != "check is not built yet") out.push_back(FormatDiagnostic(d));
    return out;
}

#include "tests/app/world.h"

#include <algorithm>
#include <cstdio>

#include <gtest/gtest.h>

#include "app/app.h"
#include "backend/headless/headless.h"
#include "platform/platform.h"

std::vector<uint8_t> TestBmp(int32_t width, int32_t height, const std::vector<uint8_t>& pixels) {
    BmpLayout layout;
    layout.width = width;
    layout.height = height;
    layout.pixels = pixels;
    for (uint32_t i = 0; i < 256; i++) layout.colours.push_back(i * 0x010101u);
    layout.colours[TextIndex] = 0x000080FFu;
    return MakeBmp(layout);
}

std::vector<uint8_t> OpaqueBmp(int32_t width, int32_t height, uint8_t index, uint8_t transparent) {
    std::vector<uint8_t> pixels((size_t)width * height, index);
    pixels[0] = transparent;
    return TestBmp(width, height, pixels);
}

std::string OffsetLine(int32_t x, int32_t y) {
    return "f abcde" + std::to_string(x) + " abcde0 abcde0 abcde" + std::to_string(y) + " a b\n";
}

std::vector<PackMember> BaseWorld() {
    std::vector<PackMember> world = {
        {"ZEMLOGO.BMP", OpaqueBmp(100, 40, LogoIndex, 1)},
        {"BATBICON.BMP", TestBmp(4, 4, std::vector<uint8_t>(16, 3))},
        {"PANO.BMP", TestBmp(1024, 480, std::vector<uint8_t>(1024 * 480, PanoramaIndex))},
        {"game.txt", Bytes("location hall\npanorama PANO.BMP\n")}};
    for (int k = 0; k < 4; k++) {
        char name[16];
        std::snprintf(name, sizeof name, "CURS%04d.BMP", k);
        world.push_back({name, OpaqueBmp(32, 32, (uint8_t)(CursorIndex + k), 2)});
    }
    return world;
}

void Put(std::vector<PackMember>& world, const std::string& name, std::vector<uint8_t> data) {
    Remove(world, name);
    world.push_back({name, std::move(data)});
}

void Remove(std::vector<PackMember>& world, const std::string& name) {
    world.erase(std::remove_if(world.begin(), world.end(), [&](const PackMember& m) { return m.name == name; }),
                world.end());
}

void FreshWorld(const std::vector<PackMember>& world) {
    FreshProgram();
    ASSERT_EQ(InstallArchive(world), 1);
    ArchiveRelease();  // start-up opens it; the image stays linked
}

void StartWorld(const std::vector<PackMember>& world) {
    FreshWorld(world);
    ASSERT_EQ(InitApp(), 1) << HeadlessMessageBoxText();
}

intptr_t Send(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return WindowProc(MainWindow, message, wParam, lParam);
}
void MoveTo(int32_t x, int32_t y) { Send(WM_MOUSEMOVE, 0, MAKE_MOUSE_LPARAM(x, y)); }
uint8_t ScreenAt(int32_t x, int32_t y) { return HeadlessScreen()[y * 640 + x]; }

int CountInRect(const uint8_t* pixels, int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint8_t index) {
    int n = 0;
    for (int32_t y = y0; y < y1; y++)
        for (int32_t x = x0; x < x1; x++) n += pixels[y * 640 + x] == index;
    return n;
}

// The shell tests' world: fixed pictures, a four-frame 32 x 32 cursor and a
// 1024 x 480 panorama location "hall", packed as a linked "data.zem".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/support.h"

// Colour indices of the test pictures. TextIndex is the entry nearest to
// the status line's colour; 255 the one nearest to white.
enum { PanoramaIndex = 5, LogoIndex = 60, CursorIndex = 70, StampIndex = 90, TextIndex = 200 };

std::vector<uint8_t> TestBmp(int32_t width, int32_t height, const std::vector<uint8_t>& pixels);
// All `index` but the top-left pixel, the transparent one of encoded loads.
std::vector<uint8_t> OpaqueBmp(int32_t width, int32_t height, uint8_t index, uint8_t transparent);
std::string OffsetLine(int32_t x, int32_t y);  // a row-major frame at (x, y)

std::vector<PackMember> BaseWorld();
void Put(std::vector<PackMember>& world, const std::string& name, std::vector<uint8_t> data);
void Remove(std::vector<PackMember>& world, const std::string& name);
// A fresh program whose data.zem is `world`; StartWorld also starts it.
void FreshWorld(const std::vector<PackMember>& world);
void StartWorld(const std::vector<PackMember>& world);

intptr_t Send(uint32_t message, uintptr_t wParam, intptr_t lParam = 0);
void MoveTo(int32_t x, int32_t y);
uint8_t ScreenAt(int32_t x, int32_t y);
int CountInRect(const uint8_t* pixels, int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint8_t index);

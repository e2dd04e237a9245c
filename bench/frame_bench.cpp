// A full frame (panorama with two sprites, status line, logo and cursor,
// presented through the headless chain) beside a plain copy of a
// 640 x 480 frame on the same run.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "app/app.h"
#include "backend/headless/headless.h"
#include "platform/platform.h"
#include "tests/support/support.h"

static std::vector<uint8_t> Picture(int32_t width, int32_t height, uint8_t index, int transparentCorner) {
    std::vector<uint8_t> pixels((size_t)width * height);
    for (int32_t y = 0; y < height; y++)
        for (int32_t x = 0; x < width; x++)
            pixels[(size_t)y * width + x] = (uint8_t)(index + (x / 8 + y / 8) % 16);
    if (transparentCorner) pixels[0] = 1;
    return MakeSimpleBmp(width, height, pixels);
}

// Column-major frames: x is the picture row of the top, y counts from the
// panorama's right end.
static std::string Offset(int32_t row, int32_t column) {
    return "f abcde0 abcde" + std::to_string(row) + " abcde" + std::to_string(column) +
           " abcde0 a b\n";
}

static int StartFrameWorld() {
    std::vector<PackMember> world;
    world.push_back({"ZEMLOGO.BMP", Picture(100, 40, 60, 1)});
    world.push_back({"BATBICON.BMP", Picture(4, 4, 3, 0)});
    for (int k = 0; k < 4; k++) {
        char name[16];
        std::snprintf(name, sizeof name, "CURS%04d.BMP", k);
        world.push_back({name, Picture(32, 32, 70, 1)});
    }
    world.push_back({"PANO.BMP", Picture(2048, 480, 20, 0)});
    world.push_back({"ANIM0000.BMP", Picture(48, 48, 100, 1)});
    world.push_back({"ANIM0001.BMP", Picture(48, 48, 120, 1)});
    world.push_back({"ANIMinfo.txt", Bytes(Offset(200, 1800) + Offset(210, 1790))});
    world.push_back({"BIRD0000.BMP", Picture(64, 32, 140, 1)});
    world.push_back({"BIRD0001.BMP", Picture(64, 32, 160, 1)});
    world.push_back({"BIRDinfo.txt", Bytes(Offset(100, 1900) + Offset(104, 1880))});
    world.push_back({"game.txt", Bytes("location hall\npanorama PANO.BMP\n"
                                       "sprite ANIM0000.BMP on\nsprite BIRD0000.BMP on\n")});
    FreshProgram();
    if (!InstallArchive(world)) return 0;
    ArchiveRelease();
    if (!InitApp()) return 0;
    CursorX = 300;
    CursorY = 200;
    PanX = 1700;
    return 1;
}

static void BM_FullFrame(benchmark::State& state) {
    if (!StartFrameWorld()) {
        state.SkipWithError(HeadlessMessageBoxText().c_str());
        return;
    }
    for (auto _ : state) {
        UpdateFrame();
        benchmark::ClobberMemory();
    }
    ShutdownApp();
}
BENCHMARK(BM_FullFrame)->Unit(benchmark::kMicrosecond);

static void BM_CopyFrame640x480(benchmark::State& state) {
    std::vector<uint8_t> from(640 * 480, 7), to(640 * 480);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size());
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CopyFrame640x480)->Unit(benchmark::kMicrosecond);

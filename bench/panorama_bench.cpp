// The panorama renderer drawing a full 640 x 480 view of a 2048 x 480
// panorama, beside a plain copy of a 640 x 480 frame on the same run.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "app/app.h"
#include "panorama/panorama.h"
#include "tests/image/pictures.h"

static const int32_t ScreenWidth = 640, ScreenHeight = 480;

static void BM_CopyFrame(benchmark::State& state) {
    std::vector<uint8_t> from((size_t)ScreenWidth * ScreenHeight, 7), to(from.size());
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size());
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * (int64_t)from.size());
}
BENCHMARK(BM_CopyFrame);

static void BM_DrawPanorama(benchmark::State& state) {
    const int32_t columns = 2048, rows = 480;
    std::vector<uint8_t> picture((size_t)columns * rows), screen((size_t)ScreenWidth * ScreenHeight);
    uint32_t x = 1;
    for (auto& b : picture) b = (uint8_t)((x = x * 1103515245u + 12345u) >> 24);
    // Column-major: a stored row is one picture column.
    Image source = MemoryPicture(picture, rows, columns);
    Image destination = MemoryPicture(screen, ScreenWidth, ScreenHeight);
    FreshProgram();
    BuildWarpTables();
    int32_t pan = 0;
    for (auto _ : state) {
        // Turning the view, as scrolling does between frames.
        PanX = pan;
        PanY = 67;
        pan = (pan + 37) % columns;
        DrawPanorama(&destination, &source);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * (int64_t)screen.size());
}
BENCHMARK(BM_DrawPanorama);

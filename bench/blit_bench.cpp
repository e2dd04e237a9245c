// Blits beside a plain memcpy of the same bytes: a full-screen raw picture and
// a typical encoded sprite.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "tests/image/pictures.h"

static const int32_t ScreenW = 640, ScreenH = 480, Side = 64;

static std::vector<uint8_t> Noise(size_t n) {
    std::vector<uint8_t> bytes(n);
    for (size_t i = 0; i < n; i++) bytes[i] = (uint8_t)(i * 13);
    return bytes;
}

static void RawBlitFullScreen(benchmark::State& state) {
    std::vector<uint8_t> source = Noise(ScreenW * ScreenH), screen(source.size());
    Image s = MemoryPicture(source, ScreenW, ScreenH), d = MemoryPicture(screen, ScreenW, ScreenH);
    for (auto _ : state) {
        BlitImage(&d, &s, nullptr);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * (int64_t)source.size());
}
BENCHMARK(RawBlitFullScreen);

static void MemcpyFullScreen(benchmark::State& state) {
    std::vector<uint8_t> source = Noise(ScreenW * ScreenH), screen(source.size());
    for (auto _ : state) {
        std::memcpy(screen.data(), source.data(), source.size());
        benchmark::DoNotOptimize(screen.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * (int64_t)source.size());
}
BENCHMARK(MemcpyFullScreen);

// A 64 x 64 sprite, about 40% transparent in runs of 3 to 10 pixels, loaded
// and encoded as the program does, drawn at an odd column.
static void EncodedBlitSprite(benchmark::State& state) {
    FreshProgram();
    std::vector<uint8_t> pixels(Side * Side, 0);  // the first pixel is transparent
    uint32_t seed = 12345;
    for (size_t i = 1; i < pixels.size();) {
        seed = seed * 1103515245u + 12345u;
        int transparent = (seed >> 16) % 100 < 40;
        for (size_t k = 3 + (seed >> 8) % 8; k > 0 && i < pixels.size(); k--, i++)
            pixels[i] = transparent ? 0 : (uint8_t)(1 + i % 200);
    }
    Image* sprite = nullptr;
    if (!InstallArchive({{"SPRITE.BMP", MakeSimpleBmp(Side, Side, pixels)}}) ||
        !zemLoadBMP("SPRITE.BMP", &sprite, nullptr, nullptr, 0, 0, 1, 0)) {
        state.SkipWithError("sprite did not load");
        return;
    }
    std::vector<uint8_t> screen(ScreenW * ScreenH);
    Image d = MemoryPicture(screen, ScreenW, ScreenH);
    sprite->x = 101;
    sprite->y = 100;
    for (auto _ : state) {
        BlitImage(&d, sprite, nullptr);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * Side * Side);
    FreeImageList(&sprite);
    FreshProgram();
}
BENCHMARK(EncodedBlitSprite);

// The same 64 x 64 area copied row by row.
static void MemcpySpriteRows(benchmark::State& state) {
    std::vector<uint8_t> source(Side * Side, 7), screen(ScreenW * ScreenH);
    for (auto _ : state) {
        for (int32_t r = 0; r < Side; r++)
            std::memcpy(&screen[(size_t)(100 + r) * ScreenW + 101], &source[(size_t)r * Side], Side);
        benchmark::DoNotOptimize(screen.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * Side * Side);
}
BENCHMARK(MemcpySpriteRows);

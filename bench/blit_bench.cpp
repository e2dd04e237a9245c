// Blits beside a plain memcpy of the same bytes: a full-screen raw picture and
// a typical encoded sprite.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "image/image.h"
#include "platform/platform.h"
#include "tests/support/support.h"

static const int32_t ScreenW = 640, ScreenH = 480, SpriteSide = 64;

static Image Memory(std::vector<uint8_t>& block, int32_t width, int32_t height) {
    Image image{};
    image.pixels = block.data();
    image.width = image.pitch = width;
    image.height = height;
    image.size = (int32_t)block.size();
    return image;
}

static void RawBlitFullScreen(benchmark::State& state) {
    FreshProgram();
    std::vector<uint8_t> source(ScreenW * ScreenH), screen(ScreenW * ScreenH);
    for (size_t i = 0; i < source.size(); i++) source[i] = (uint8_t)(i * 13);
    Image s = Memory(source, ScreenW, ScreenH), d = Memory(screen, ScreenW, ScreenH);
    for (auto _ : state) {
        BlitImage(&d, &s, nullptr);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * (int64_t)source.size());
}
BENCHMARK(RawBlitFullScreen);

static void MemcpyFullScreen(benchmark::State& state) {
    std::vector<uint8_t> source(ScreenW * ScreenH), screen(ScreenW * ScreenH);
    for (size_t i = 0; i < source.size(); i++) source[i] = (uint8_t)(i * 13);
    for (auto _ : state) {
        std::memcpy(screen.data(), source.data(), source.size());
        benchmark::DoNotOptimize(screen.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * (int64_t)source.size());
}
BENCHMARK(MemcpyFullScreen);

// A 64 x 64 sprite, about 40% transparent, in runs of 3 to 10 pixels, loaded
// and encoded as the program does.
static Image* LoadSprite() {
    FreshProgram();
    std::vector<uint8_t> pixels(SpriteSide * SpriteSide);
    uint32_t seed = 12345;
    size_t i = 0;
    pixels[i++] = 0;  // the first pixel is the transparent colour
    while (i < pixels.size()) {
        seed = seed * 1103515245u + 12345u;
        int transparent = (seed >> 16) % 100 < 40;
        size_t run = 3 + (seed >> 8) % 8;
        for (size_t k = 0; k < run && i < pixels.size(); k++, i++)
            pixels[i] = transparent ? 0 : (uint8_t)(1 + (i % 200));
    }
    InstallArchive({{"SPRITE.BMP", MakeSimpleBmp(SpriteSide, SpriteSide, pixels)}});
    Image* sprite = nullptr;
    zemLoadBMP("SPRITE.BMP", &sprite, nullptr, nullptr, 0, 0, 1, 0);
    return sprite;
}

static void EncodedBlitSprite(benchmark::State& state) {
    Image* sprite = LoadSprite();
    if (!sprite) {
        state.SkipWithError("sprite did not load");
        return;
    }
    std::vector<uint8_t> screen(ScreenW * ScreenH);
    Image d = Memory(screen, ScreenW, ScreenH);
    sprite->x = 101;
    sprite->y = 100;
    for (auto _ : state) {
        BlitImage(&d, sprite, nullptr);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * SpriteSide * SpriteSide);
    FreeImageList(&sprite);
    FreshProgram();
}
BENCHMARK(EncodedBlitSprite);

// The same 64 x 64 area copied row by row.
static void MemcpySpriteRows(benchmark::State& state) {
    std::vector<uint8_t> source(SpriteSide * SpriteSide, 7), screen(ScreenW * ScreenH);
    for (auto _ : state) {
        for (int32_t r = 0; r < SpriteSide; r++)
            std::memcpy(&screen[(size_t)(100 + r) * ScreenW + 101], &source[(size_t)r * SpriteSide],
                        SpriteSide);
        benchmark::DoNotOptimize(screen.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * SpriteSide * SpriteSide);
}
BENCHMARK(MemcpySpriteRows);

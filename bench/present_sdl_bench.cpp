// Presenting one frame through the SDL backend (palette lookup into the
// streaming texture, then the renderer's present), beside a plain copy of a
// 640 x 480 frame on the same run. The 60 Hz pacing is switched off.
//
// Run with a display (e.g. under Xvfb) or with SDL_VIDEODRIVER=offscreen or
// dummy; without DISPLAY the offscreen driver is chosen.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "backend/backend.h"

static intptr_t Proc(BkWindow* window, uint32_t message, uintptr_t wParam,
                     intptr_t lParam) {
    return WindowDefaultProc(window, message, wParam, lParam);
}

struct Screen {
    BkWindow* window;
    BkDisplay* display;
    BkSurface* primary;
    BkSurface* back;
    BkPalette* palette;
};

static Screen TheScreen = {};

static int OpenScreen() {
    Screen& s = TheScreen;
    if (s.primary) return 1;
    s.window = WindowCreate("zemVR", Proc, 640, 480);
    if (!s.window) return 0;
    SurfaceDesc desc = {};
    desc.size = sizeof desc;
    desc.flags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.caps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX |
                DDSCAPS_SYSTEMMEMORY;
    desc.backBufferCount = 1;
    std::vector<uint8_t> entries(1024);
    for (int i = 0; i < 256; i++) {
        entries[i * 4] = (uint8_t)i;
        entries[i * 4 + 1] = (uint8_t)(255 - i);
        entries[i * 4 + 2] = (uint8_t)(i * 7);
    }
    if (DisplayCreate(&s.display) ||
        DisplaySetCooperativeLevel(s.display, s.window,
                                   DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN) ||
        DisplaySetMode(s.display, 640, 480, 8) ||
        DisplayCreateSurface(s.display, &desc, &s.primary) ||
        SurfaceGetAttached(s.primary, DDSCAPS_BACKBUFFER, &s.back) ||
        DisplayCreatePalette(s.display, DDPCAPS_8BIT, entries.data(),
                             &s.palette) ||
        SurfaceSetPalette(s.primary, s.palette))
        return 0;
    // Both buffers get a picture that uses every colour.
    for (int n = 0; n < 2; n++) {
        SurfaceDesc lock = {};
        lock.size = sizeof lock;
        if (SurfaceLock(s.back, &lock)) return 0;
        for (int y = 0; y < lock.height; y++)
            for (int x = 0; x < lock.width; x++)
                ((uint8_t*)lock.surface)[y * lock.pitch + x] =
                    (uint8_t)(x + y * 3 + n);
        SurfaceUnlock(s.back, lock.surface);
        SurfaceFlip(s.primary);
    }
    return 1;
}

static void BM_PresentFrame(benchmark::State& state) {
    if (!OpenScreen()) {
        state.SkipWithError("no SDL display");
        return;
    }
    for (auto _ : state) {
        if (SurfaceFlip(TheScreen.primary) != BK_OK) {
            state.SkipWithError("flip failed");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PresentFrame)->Unit(benchmark::kMicrosecond);

static void BM_CopyFrame(benchmark::State& state) {
    std::vector<uint8_t> from(640 * 480, 5), to(640 * 480);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size());
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * (int64_t)from.size());
}
BENCHMARK(BM_CopyFrame)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    setenv("ZEM_NO_PACING", "1", 1);
    if (!std::getenv("DISPLAY") && !std::getenv("SDL_VIDEODRIVER"))
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (TheScreen.primary) {
        SurfaceRelease(TheScreen.primary);
        PaletteRelease(TheScreen.palette);
        DisplayRelease(TheScreen.display);
        WindowDestroy(TheScreen.window);
    }
    return 0;
}

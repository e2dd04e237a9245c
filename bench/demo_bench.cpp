// The demo world through the desktop program's own code over the headless
// backend: start-up to the first composed frame (the archive already in
// memory, as the web page has it once fetched), and one frame of panning
// (the cursor resting at the right edge, so that every idle tick turns the
// view and composes a frame). bench/web_bench.py sets the web page's
// figures for the same work beside these.
#include <cstdint>

#include <benchmark/benchmark.h>

#include "app/app.h"
#include "backend/headless/headless.h"
#include "platform/platform.h"
#include "tests/support/support.h"

extern const uint8_t* const DemoArchiveData;
extern const uint32_t DemoArchiveSize;

static int StartDemo() {
    static LinkedResource table[2] = {{"data.zem", nullptr, 0}, {nullptr, nullptr, 0}};
    FreshProgram();
    table[0].data = DemoArchiveData;
    table[0].size = DemoArchiveSize;
    LinkedResources = table;
    return InitApp();
}

static void BM_DemoStartToFirstFrame(benchmark::State& state) {
    for (auto _ : state) {
        if (!StartDemo()) {
            state.SkipWithError(HeadlessMessageBoxText().c_str());
            return;
        }
        UpdateFrame();
        state.PauseTiming();
        ShutdownApp();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DemoStartToFirstFrame)->Unit(benchmark::kMillisecond);

static void BM_DemoPanFrame(benchmark::State& state) {
    if (!StartDemo()) {
        state.SkipWithError(HeadlessMessageBoxText().c_str());
        return;
    }
    CursorX = 620 - 32;  // inside the right scrolling margin: 12 columns a frame
    CursorY = 240;
    uint32_t frames = FrameCount;
    for (auto _ : state) {
        IdleTick();
        benchmark::ClobberMemory();
    }
    if (FrameCount - frames != (uint32_t)state.iterations())
        state.SkipWithError("an idle tick at the edge did not compose a frame");
    ShutdownApp();
}
BENCHMARK(BM_DemoPanFrame)->Unit(benchmark::kMicrosecond);

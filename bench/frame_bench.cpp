// A full frame (panorama with two sprites, status line, logo and cursor,
// presented through the headless chain) beside a plain copy of a
// 640 x 480 frame on the same run; and what the hotspot overlay costs when
// it is not shown.
#include <time.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "app/app.h"
#include "backend/headless/headless.h"
#include "image/image.h"
#include "panorama/panorama.h"
#include "platform/platform.h"
#include "scene/scene.h"
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

static void BM_FullFrameHotspotsShown(benchmark::State& state) {
    if (!StartFrameWorld()) {
        state.SkipWithError(HeadlessMessageBoxText().c_str());
        return;
    }
    HotspotsShown = 1;
    for (auto _ : state) {
        UpdateFrame();
        benchmark::ClobberMemory();
    }
    ShutdownApp();
}
BENCHMARK(BM_FullFrameHotspotsShown)->Unit(benchmark::kMicrosecond);

static void DrawSpriteSaving(Image* destination, Sprite* sprite) {
    if (sprite->current && sprite->saveUnder &&
        BlitImage(destination, sprite->current, sprite->saveUnder)) {
        sprite->saveUnder->x = sprite->current->x;
        sprite->saveUnder->y = sprite->current->y;
    }
}

// The same frame as UpdateFrame composes it in this world, from the same
// calls in the same order, but with none of its flag checks: not the
// hotspot overlay's, nor those of the border steps, the item view, the PDA
// panel and the clear.
static void ReferenceFrame() {
    FrameCount += 1;
    benchmark::DoNotOptimize(ClockMilliseconds());
    if (Cursor->saveUnder->x >= 0) BlitImage(BackBuffer, Cursor->saveUnder, nullptr);
    RestoreSpriteBackgrounds();
    Cursor->current->x = CursorX;
    Cursor->current->y = CursorY;
    Image* picture = CurrentLocation->view->picture;
    for (SpriteRef* ref = CurrentLocation->sprites; ref; ref = ref->next)
        DrawSpriteSaving(picture, ref->sprite);
    DrawPanorama(BackBuffer, picture);
    DrawStatusLine(BackBuffer);
    BlitImage(BackBuffer, Logo, nullptr);
    DrawSpriteSaving(BackBuffer, Cursor);
    PresentFrame();
}

static double ThreadMicroseconds() {
    struct timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return (double)now.tv_sec * 1e6 + (double)now.tv_nsec / 1e3;
}

// The overlay when not shown: UpdateFrame with HotspotsShown clear against
// the reference frame, alternating frame by frame and each timed in the
// thread's processor time, so that the machine's load falls on both alike.
// The counters give each one's mean time and their ratio.
static void BM_HotspotsOffAgainstReference(benchmark::State& state) {
    if (!StartFrameWorld()) {
        state.SkipWithError(HeadlessMessageBoxText().c_str());
        return;
    }
    HotspotsShown = 0;
    // Only a reference that shows the same picture is a fair one.
    UpdateFrame();
    std::vector<uint8_t> shown(HeadlessScreen(), HeadlessScreen() + 640 * 480);
    ReferenceFrame();
    if (std::memcmp(shown.data(), HeadlessScreen(), shown.size()) != 0) {
        state.SkipWithError("the reference frame does not show the frame's picture");
        ShutdownApp();
        return;
    }
    double real = 0, reference = 0;
    int64_t frames = 0;
    for (auto _ : state) {
        double t0 = ThreadMicroseconds();
        UpdateFrame();
        benchmark::ClobberMemory();
        double t1 = ThreadMicroseconds();
        ReferenceFrame();
        benchmark::ClobberMemory();
        double t2 = ThreadMicroseconds();
        real += t1 - t0;
        reference += t2 - t1;
        frames++;
    }
    double realUs = real / (double)frames;
    double referenceUs = reference / (double)frames;
    state.counters["frame_us"] = realUs;
    state.counters["reference_us"] = referenceUs;
    state.counters["ratio"] = realUs / referenceUs;
    ShutdownApp();
}
BENCHMARK(BM_HotspotsOffAgainstReference)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

static void BM_CopyFrame640x480(benchmark::State& state) {
    std::vector<uint8_t> from(640 * 480, 7), to(640 * 480);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size());
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CopyFrame640x480)->Unit(benchmark::kMicrosecond);

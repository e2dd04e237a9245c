// zemworld build of worlds the demo's size (three locations, two of them
// 2048-column panoramas, a 24-frame item view in each, sprites,
// transitions, sounds): the demo world's own files, and the same world made
// from 360-degree photos (4096 x 2048 JPEGs projected onto the cylinder).
// Each build should stay well under 10 s.
#include <stb_image_write.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include <benchmark/benchmark.h>

#include "tools/zempack/pack.h"
#include "tools/zemworld/import.h"

static void Build(benchmark::State& state, const std::string& folder) {
    for (auto _ : state) {
        BuildResult result;
        Report report;
        if (!BuildWorld(folder, &result, &report, nullptr)) {
            PrintReport(report, stderr);
            state.SkipWithError("the build failed");
            break;
        }
        // What the checker says of the result, once.
        if (state.iterations() == 0) PrintReport(report, stderr);
        benchmark::DoNotOptimize(result.archive.data());
        state.counters["archive_MB"] = result.archive.size() / 1e6;
    }
}

static void BM_BuildDemoWorldSources(benchmark::State& state) { Build(state, ZEM_DEMO_DATA); }
BENCHMARK(BM_BuildDemoWorldSources)->Unit(benchmark::kSecond)->Iterations(3)->UseRealTime();

// A sky-and-ground photograph of soft light and colour, closing round.
static void WritePhoto(const std::string& path, int seed) {
    const int w = 4096, h = 2048;
    std::vector<uint8_t> rgb((size_t)w * h * 3);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            double u = x * 2 * M_PI / w, v = (double)y / h;
            double light = 0.5 + 0.3 * std::sin(u * 5 + seed) * std::cos(v * 7) + 0.2 * std::sin(v * 13 + u * 3);
            double warm = 0.5 + 0.4 * std::sin(u * 2 + seed) - 0.4 * (v > 0.5);
            uint8_t* d = &rgb[((size_t)y * w + x) * 3];
            d[0] = (uint8_t)std::clamp(255 * light * (0.7 + 0.5 * warm), 0.0, 255.0);
            d[1] = (uint8_t)std::clamp(255 * light * (0.8 + 0.2 * std::cos(u * 3 - seed)), 0.0, 255.0);
            d[2] = (uint8_t)std::clamp(255 * light * (1.1 - 0.6 * warm), 0.0, 255.0);
        }
    stbi_write_jpg(path.c_str(), w, h, 3, rgb.data(), 90);
}

static const char* const PhotoScript =
    "location court\n"
    "panorama court.jpg\n"
    "sprite sprites/pinwheel/ on\n"
    "stamp objects/vase.png 2760 1100 48 72 sounds/door.wav items/vase/\n"
    "door house 1980 900 120 220 sounds/door.wav items/vase/ 1400 67\n"
    "pda pda.png\n"
    "location house\n"
    "panorama house.jpg\n"
    "sprite sprites/pinwheel/ on\n"
    "stamp objects/vase.png 400 1100 48 72 sounds/door.wav items/vase/\n"
    "door desk 1980 900 120 220 sounds/door.wav - 700 67\n"
    "location desk\n"
    "closeup shed.png\n"
    "stamp objects/vase.png 300 300 48 72 sounds/door.wav items/vase/\n"
    "door court 270 120 100 240 sounds/door.wav - 700 67\n";

static void BM_BuildPhotoWorld(benchmark::State& state) {
    std::string folder = "zemworld-bench-photos", why;
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    if (!WriteStarterWorld(folder, &why)) {
        state.SkipWithError(why.c_str());
        return;
    }
    WritePhoto(folder + "/court.jpg", 1);
    WritePhoto(folder + "/house.jpg", 2);
    // Places on the photos count in the photo's own pixels.
    const char* info = "frame xpos=0 prow=900 pcol=1263 ypos=0 - -\n";
    std::string error;
    PackWriteFile(folder + "/game.txt", std::vector<uint8_t>(PhotoScript, PhotoScript + std::strlen(PhotoScript)), &error);
    PackWriteFile(folder + "/sprites/pinwheel/info.txt", std::vector<uint8_t>(info, info + std::strlen(info)), &error);
    Build(state, folder);
    std::filesystem::remove_all(folder, ec);
}
BENCHMARK(BM_BuildPhotoWorld)->Unit(benchmark::kSecond)->Iterations(3)->UseRealTime();

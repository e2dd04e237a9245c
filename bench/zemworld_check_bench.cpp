// zemworld check of the demo archive (three locations, 2048-column
// panoramas, 24-frame item views; the target is under 0.5 s) beside every
// member of it read once through the archive reader, the least any check
// must do.
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "platform/platform.h"
#include "tools/zempack/pack.h"
#include "tools/zemworld/world.h"
#include "tools/zemworld/zemworld.h"

static std::vector<uint8_t> DemoArchive() {
    std::vector<uint8_t> archive;
    std::string error;
    PackReadFile(ZEM_DEMO_ARCHIVE, &archive, &error);
    return archive;
}

static void BM_CheckDemoArchive(benchmark::State& state) {
    std::vector<uint8_t> archive = DemoArchive();
    for (auto _ : state) {
        Report report;
        benchmark::DoNotOptimize(CheckArchive(archive, &report));
        if (report.errors) {
            state.SkipWithError("the demo archive has errors");
            break;
        }
    }
}
BENCHMARK(BM_CheckDemoArchive)->Unit(benchmark::kMillisecond);

static void BM_ReadEveryMember(benchmark::State& state) {
    std::vector<uint8_t> archive = DemoArchive();
    std::vector<PackListing> listing;
    std::string error;
    PackList(archive, &listing, &error);
    std::vector<uint8_t> buffer;
    for (auto _ : state) {
        LinkArchive(archive);
        FastFileInit("data.zem", 40);
        for (const PackListing& m : listing) {
            AssetFile* file = AssetOpen(m.name.c_str());
            buffer.resize((size_t)m.size + 1);
            if (file) AssetRead(file, buffer.data(), m.size);
            AssetClose(file);
        }
        UnlinkArchive();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ReadEveryMember)->Unit(benchmark::kMillisecond);

// The input is taken as game.txt: the script reader must never write outside
// its line or token buffers, and everything it makes must be released again,
// also when a record cannot be allocated. Each location is then entered with
// the pictures that the seed scripts name, hit-tested and left, so that the
// script's numbers reach the placement and hit-test arithmetic.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/app.h"
#include "image/image.h"
#include "panorama/panorama.h"
#include "platform/platform.h"
#include "scene/scene.h"
#include "tests/support/support.h"

// Every picture of this harness has the same palette, so the remap tables
// of all location entries are a handful of the same ones: the system's
// build runs once for each pair of palettes, and later builds copy its
// result (a build traces no fuzzed byte: it only sees palettes). The linker
// sends the system's calls here (--wrap, see targets.cmake).
extern "C" void __real__Z15BuildRemapTablePKhS0_(const uint8_t* target, const uint8_t* source);

struct RemapMemo {
    uint8_t target[1024], source[1024], table[256];
    int targetNull, sourceNull;
};
static std::vector<RemapMemo> Remaps;

extern "C" void __wrap__Z15BuildRemapTablePKhS0_(const uint8_t* target, const uint8_t* source) {
    for (const RemapMemo& m : Remaps) {
        if (m.targetNull != !target || m.sourceNull != !source) continue;
        if (target && std::memcmp(m.target, target, 1024) != 0) continue;
        if (source && std::memcmp(m.source, source, 1024) != 0) continue;
        std::memcpy(RemapTable, m.table, 256);
        return;
    }
    __real__Z15BuildRemapTablePKhS0_(target, source);
    RemapMemo m = {};
    m.targetNull = !target;
    m.sourceNull = !source;
    if (target) std::memcpy(m.target, target, 1024);
    if (source) std::memcpy(m.source, source, 1024);
    std::memcpy(m.table, RemapTable, 256);
    if (Remaps.size() < 64) Remaps.push_back(m);
}

// Enters each location once, hit-tests it and leaves it. With an injected
// failure still to come, it stops at the location where the failure struck:
// the ones after it would only repeat the first pass.
static void EnterLocations(int untilFailure) {
    for (Location* location = Locations; location; location = location->next) {
        CurrentLocation = location;
        zemRefreshLoc(location);
        for (int32_t x : {0, 320, 639}) {
            CursorX = x;
            CursorY = x * 3 / 4;
            zemHitStamp(location);
            zemHitDoor(location);
        }
        zemFreeLocPictures(location);
        if (untilFailure && TrackedFailPending() == 0) break;
    }
    CurrentLocation = nullptr;
}

static void Release(int32_t blocks) {
    zemFreeLocations(&Locations);
    FreeImageList(&Pda);
    if (Locations || LiveBlocks != blocks) std::abort();
}

static const std::vector<uint8_t>& Picture() {
    static const std::vector<uint8_t> bmp = MakeFilledBmp(24, 16, 7);
    return bmp;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FreshProgram();
    // The warp tables depend on nothing and no reset touches them.
    static const int warped = (BuildWarpTables(), 1);
    (void)warped;
    std::vector<PackMember> members = {{"game.txt", std::vector<uint8_t>(data, data + size)}};
    for (const char* name : {"A.BMP", "B.BMP", "HALL.BMP", "CELLAR.BMP", "KEY.BMP", "keysicon.bmp",
                             "FIRE0000.BMP", "PDA.BMP"})
        members.push_back({name, Picture()});
    if (InstallArchive(members) != 1) return 0;
    int32_t blocks = LiveBlocks;
    zemLoadScript("game.txt", &Locations);
    EnterLocations(0);
    Release(blocks);
    // Once more with one of the first records refused. When the script read
    // took the failure, what it kept is a shorter script the first pass
    // could have had: the locations are entered only with the failure ahead.
    TrackedFailAt((int32_t)(size % 8) + 1);
    zemLoadScript("game.txt", &Locations);
    if (TrackedFailPending() > 0) EnterLocations(1);
    TrackedFailAt(0);
    Release(blocks);
    ArchiveRelease();
    return 0;
}

// The input is taken as game.txt: the script reader must never write outside
// its line or token buffers, and everything it makes must be released again,
// also when a record cannot be allocated. Each location is then entered with
// the pictures that the seed scripts name, hit-tested and left, so that the
// script's numbers reach the placement and hit-test arithmetic.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "app/app.h"
#include "image/image.h"
#include "panorama/panorama.h"
#include "platform/platform.h"
#include "scene/scene.h"
#include "tests/support/support.h"

static void ReadAndRelease() {
    int32_t blocks = LiveBlocks;
    zemLoadScript("game.txt", &Locations);
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
    }
    CurrentLocation = nullptr;
    zemFreeLocations(&Locations);
    FreeImageList(&Pda);
    if (Locations || LiveBlocks != blocks) std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FreshProgram();
    BuildWarpTables();
    std::vector<PackMember> members = {{"game.txt", std::vector<uint8_t>(data, data + size)}};
    for (const char* name : {"A.BMP", "B.BMP", "HALL.BMP", "CELLAR.BMP", "KEY.BMP", "keysicon.bmp",
                             "FIRE0000.BMP", "PDA.BMP"})
        members.push_back({name, MakeFilledBmp(24, 16, 7)});
    if (InstallArchive(members) != 1) return 0;
    ReadAndRelease();
    // Once more with one of the first records refused.
    TrackedFailAt((int32_t)(size % 8) + 1);
    ReadAndRelease();
    TrackedFailAt(0);
    ArchiveRelease();
    return 0;
}

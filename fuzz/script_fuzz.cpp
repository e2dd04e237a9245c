// The input is taken as game.txt: the script reader must never write outside
// its line or token buffers, and everything it makes must be released again,
// also when a record cannot be allocated. Each location is then entered
// (there are no pictures, so every load fails early) and left.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "app/app.h"
#include "platform/platform.h"
#include "scene/scene.h"
#include "tests/support/support.h"

static void ReadAndRelease() {
    int32_t blocks = LiveBlocks;
    zemLoadScript("game.txt", &Locations);
    for (Location* location = Locations; location; location = location->next) {
        CurrentLocation = location;
        zemRefreshLoc(location);
        zemFreeLocPictures(location);
    }
    CurrentLocation = nullptr;
    zemFreeLocations(&Locations);
    if (Locations || LiveBlocks != blocks) std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FreshProgram();
    if (InstallArchive({{"game.txt", std::vector<uint8_t>(data, data + size)}}) != 1) return 0;
    ReadAndRelease();
    // Once more with one of the first records refused.
    TrackedFailAt((int32_t)(size % 8) + 1);
    ReadAndRelease();
    TrackedFailAt(0);
    ArchiveRelease();
    return 0;
}

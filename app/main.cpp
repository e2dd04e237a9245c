// The program: its command line, then the system's message loop on the SDL
// backend.
//
// A world named on the command line is read by the archive reader in place
// of "data.zem", as the file start-up opens; a world that cannot be played
// (missing, not a file, no archive) fails there with its usual message,
// naming the file, and the reason on standard error.
#include <cstdio>

#include "app/app.h"
#include "backend/sdl/sdl.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
    const char* world = nullptr;
    int status = SdlCommandLine(argc, argv, "zemvr", 1, &world);
    if (status >= 0) return status;
    if (world && !UseArchive) {
        // This build reads plain files from the folder "data" instead.
        std::fprintf(stderr, "zemvr: this build plays the folder data, not %s\n", world);
        return 2;
    }
    if (world) ArchivePath = world;
    if (SdlAuthorRequested()) {
        AuthorMode = 1;
        SdlAuthorChannelOpen();
    }
    return RunMessageLoop();
}

// The program: its command line, then the system's message loop on the SDL
// backend.
//
// A world named on the command line is read by the archive reader in place
// of "data.zem", as the file start-up opens; a world that is no archive fails
// there with its usual message. What is not a file at all is refused here,
// before anything could wait on it (a FIFO) or read it for ever (a device).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/app.h"
#include "backend/sdl/sdl.h"
#include "platform/platform.h"

// 1 when the world can be opened as a file, 0 after telling why not. An
// empty file is handed over as it is: start-up refuses it.
static int CheckWorld(const char* path) {
    struct stat info;
    const char* refused = nullptr;
    int fd = -1;
    if (stat(path, &info) != 0 || (S_ISREG(info.st_mode) &&
                                   (fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC)) < 0)) {
        std::fprintf(stderr, "zemvr: cannot open %s: %s\n", path, std::strerror(errno));
        return 0;
    }
    if (!S_ISREG(info.st_mode) || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        refused = "is not a file";
    else if ((uint64_t)info.st_size > 0xFFFFFFFFu)
        refused = "is too large for a world archive";
    if (fd >= 0) close(fd);
    if (refused) {
        std::fprintf(stderr, "zemvr: %s %s\n", path, refused);
        return 0;
    }
    ArchivePath = path;
    return 1;
}

int main(int argc, char** argv) {
    const char* world = nullptr;
    int status = SdlCommandLine(argc, argv, "zemvr", 1, &world);
    if (status >= 0) return status;
    if (world && !UseArchive) {
        // This build reads plain files from the folder "data" instead.
        std::fprintf(stderr, "zemvr: this build plays the folder data, not %s\n", world);
        return 2;
    }
    if (world && !CheckWorld(world)) return 1;
    return RunMessageLoop();
}

// The program: its command line, then the system's message loop on the SDL
// backend.
//
// A world named on the command line is mapped here and handed to the
// archive reader as the image it knows by the name "data.zem", the way the
// demo program hands over the world linked into it; start-up then opens it
// as it always does, and a world that is no archive fails there with its
// usual message.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/app.h"
#include "backend/sdl/sdl.h"
#include "platform/platform.h"

static LinkedResource World[2] = {{"data.zem", nullptr, 0}, {nullptr, nullptr, 0}};

// 1 when the file could be read (its bytes are in World), 0 after telling why
// not. An empty file is handed over as it is: start-up refuses it.
static int MapWorld(const char* path) {
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        std::fprintf(stderr, "zemvr: cannot open %s: %s\n", path, std::strerror(errno));
        return 0;
    }
    struct stat info;
    const char* refused = nullptr;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        refused = "is not a file";
    else if ((uint64_t)info.st_size > 0xFFFFFFFFu)
        refused = "is too large for a world archive";
    if (refused) {
        std::fprintf(stderr, "zemvr: %s %s\n", path, refused);
        close(fd);
        return 0;
    }
    void* bytes = nullptr;
    if (info.st_size > 0) {
        bytes = mmap(nullptr, (size_t)info.st_size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (bytes == MAP_FAILED) {
            std::fprintf(stderr, "zemvr: cannot read %s: %s\n", path, std::strerror(errno));
            close(fd);
            return 0;
        }
    }
    close(fd);
    World[0].data = (const uint8_t*)bytes;
    World[0].size = (uint32_t)info.st_size;
    LinkedResources = World;
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
    if (world && !MapWorld(world)) return 1;
    status = RunMessageLoop();
    if (World[0].data) munmap((void*)World[0].data, World[0].size);
    return status;
}

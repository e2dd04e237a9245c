// The input is taken as a whole data.zem image: the directory check must
// refuse anything that would make a later open, read or seek leave the image.
// The same image is also opened as a file read on demand, and every open,
// read and seek must give the same result as from memory.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/platform.h"

// What each step gave: results and the bytes read.
static std::vector<uint8_t> Exercise(const uint8_t* data, size_t size, const char* name) {
    std::vector<uint8_t> trace;
    int ok = FastFileInit(name, 4);
    trace.push_back((uint8_t)ok);
    if (ok) {
        uint32_t count = 0;
        for (size_t i = 0; i < 4 && i < size; i++) count |= (uint32_t)data[i] << (8 * i);
        const ArchiveEntry* entries = (const ArchiveEntry*)(data + 4);
        uint8_t buffer[64];
        for (uint32_t i = 0; i < count && i < 64; i++) {
            MemberHandle* h = ArchiveOpen(entries[i].name);
            trace.push_back(h != nullptr);
            if (!h) continue;
            int32_t n = h->size < 64 ? h->size : 64;
            int read = ArchiveRead(h, buffer, n);
            trace.push_back((uint8_t)read);
            if (read) trace.insert(trace.end(), buffer, buffer + n);
            trace.push_back((uint8_t)ArchiveSeek(h, 1, 2));
            read = ArchiveRead(h, buffer, 1);
            trace.push_back((uint8_t)(read ? buffer[0] : 0));
            trace.push_back((uint8_t)read);
            trace.push_back((uint8_t)ArchiveSeek(h, -1, 1));
            read = ArchiveRead(h, buffer, 1);
            trace.push_back((uint8_t)(read ? buffer[0] : 0));
            trace.push_back((uint8_t)read);
            trace.push_back((uint8_t)ArchiveClose(h));
        }
        trace.push_back(ArchiveOpen("GAME.TXT") != nullptr);
    }
    ArchiveRelease();
    return trace;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A private copy, so reads past its end are caught.
    std::vector<uint8_t> image(data, data + size);
    LinkedResource table[2] = {{"data.zem", image.data(), (uint32_t)image.size()},
                               {nullptr, nullptr, 0}};
    LinkedResources = table;
    UseArchive = 1;
    std::vector<uint8_t> fromMemory = Exercise(image.data(), size, "data.zem");
    LinkedResources = nullptr;

    // The same bytes as a file in memory, read on demand.
    static int fd = memfd_create("data.zem", 0);
    static char path[64];
    if (fd < 0) std::abort();
    std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
    if (ftruncate(fd, 0) != 0 || (size && pwrite(fd, data, size, 0) != (ssize_t)size)) std::abort();
    size_t limit = ArchiveMemoryLimit;
    ArchiveMemoryLimit = 0;
    std::vector<uint8_t> fromFile = Exercise(image.data(), size, path);
    ArchiveMemoryLimit = limit;
    // An empty file is no archive, nor is an image of fewer than 4 bytes.
    if (fromFile != fromMemory) std::abort();
    return 0;
}

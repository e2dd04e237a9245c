// The input is taken as a whole data.zem image: the directory check must
// refuse anything that would make a later open, read or seek leave the image.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A private copy, so reads past its end are caught.
    std::vector<uint8_t> image(data, data + size);
    LinkedResource table[2] = {{"data.zem", image.data(), (uint32_t)image.size()},
                               {nullptr, nullptr, 0}};
    LinkedResources = table;
    UseArchive = 1;
    if (FastFileInit("data.zem", 4)) {
        uint32_t count = 0;
        for (size_t i = 0; i < 4 && i < size; i++) count |= (uint32_t)data[i] << (8 * i);
        const ArchiveEntry* entries = (const ArchiveEntry*)(image.data() + 4);
        uint8_t buffer[64];
        for (uint32_t i = 0; i < count && i < 64; i++) {
            MemberHandle* h = ArchiveOpen(entries[i].name);
            if (!h) continue;
            ArchiveRead(h, buffer, h->size < 64 ? h->size : 64);
            ArchiveSeek(h, 1, 2);
            ArchiveRead(h, buffer, 1);
            ArchiveSeek(h, -1, 1);
            ArchiveRead(h, buffer, 1);
            ArchiveClose(h);
        }
        ArchiveOpen("GAME.TXT");
    }
    ArchiveRelease();
    LinkedResources = nullptr;
    return 0;
}

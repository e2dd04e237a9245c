// The packed archive: mapped once, read by memory copies, members found by a
// binary search over the sorted directory.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "platform/platform.h"

const LinkedResource* LinkedResources = nullptr;

static MemberHandle* Slots = nullptr;
static int32_t SlotCount = 0;
static const uint8_t* ArchiveImage = nullptr;
static size_t ArchiveSize = 0;
static uint32_t EntryCount = 0;
static const ArchiveEntry* Directory = nullptr;
static int ArchiveFd = -1;
static void* Mapping = nullptr;

static const size_t EntryBytes = sizeof(ArchiveEntry);

static int FoldLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; }

int ArchiveNameCompare(const char* a, const char* b) {
    const unsigned char* p = (const unsigned char*)a;
    const unsigned char* q = (const unsigned char*)b;
    for (;; p++, q++) {
        if (*p == *q) {
            if (*p == 0) return 0;
            continue;
        }
        int fa = FoldLetter(*p);
        int fb = FoldLetter(*q);
        if (fa != fb) return fa < fb ? -1 : 1;
    }
}

static int32_t ReadOffset(const uint8_t* at) {
    int32_t value;
    std::memcpy(&value, at, 4);
    return value;
}

int ArchiveCheck(const uint8_t* image, size_t size) {
    if (!image || size < 4) return 0;
    uint32_t count;
    std::memcpy(&count, image, 4);
    if (count == 0) return 0;  // not even the end marker
    uint64_t directoryEnd = 4 + (uint64_t)count * EntryBytes;
    if (directoryEnd > size) return 0;
    int64_t previous = (int64_t)directoryEnd;
    for (uint32_t i = 0; i < count; i++) {
        const uint8_t* entry = image + 4 + (size_t)i * EntryBytes;
        int64_t offset = ReadOffset(entry);
        if (offset < previous || (uint64_t)offset > size) return 0;
        if (!std::memchr(entry + 4, 0, sizeof(ArchiveEntry::name))) return 0;
        previous = offset;
    }
    return 1;
}

static const LinkedResource* FindLinkedResource(const char* name) {
    for (const LinkedResource* r = LinkedResources; r && r->name; r++)
        if (std::strcmp(r->name, name) == 0) return r;
    return nullptr;
}

void ArchiveRelease() {
    if (Mapping) munmap(Mapping, ArchiveSize);
    Mapping = nullptr;
    if (ArchiveFd >= 0) close(ArchiveFd);
    ArchiveFd = -1;
    TrackedFree(Slots);
    Slots = nullptr;
    SlotCount = 0;
    ArchiveImage = nullptr;
    ArchiveSize = 0;
    EntryCount = 0;
    Directory = nullptr;
}

int FastFileInit(const char* name, int32_t slots) {
    ArchiveRelease();
    if (!name || slots < 1 || (size_t)slots > 0x7fffffff / sizeof(MemberHandle)) return 0;
    int32_t tableBytes = (int32_t)(sizeof(MemberHandle) * (size_t)slots);
    Slots = (MemberHandle*)TrackedAlloc(tableBytes);
    if (!Slots) return 0;
    std::memset(Slots, 0, (size_t)tableBytes);
    SlotCount = slots;

    if (const LinkedResource* linked = FindLinkedResource(name)) {
        ArchiveImage = linked->data;
        ArchiveSize = linked->size;
    } else {
        ArchiveFd = open(name, O_RDONLY | O_CLOEXEC);
        struct stat info;
        if (ArchiveFd < 0 || fstat(ArchiveFd, &info) != 0 || !S_ISREG(info.st_mode) ||
            info.st_size <= 0) {
            ArchiveRelease();
            return 0;
        }
        ArchiveSize = (size_t)info.st_size;
        Mapping = mmap(nullptr, ArchiveSize, PROT_READ, MAP_PRIVATE, ArchiveFd, 0);
        if (Mapping == MAP_FAILED) {
            Mapping = nullptr;
            ArchiveRelease();
            return 0;
        }
        posix_madvise(Mapping, ArchiveSize, POSIX_MADV_RANDOM);
        ArchiveImage = (const uint8_t*)Mapping;
    }

    // A damaged directory would send every later read outside the image.
    if (!ArchiveCheck(ArchiveImage, ArchiveSize)) {
        ArchiveRelease();
        return 0;
    }
    std::memcpy(&EntryCount, ArchiveImage, 4);
    Directory = (const ArchiveEntry*)(ArchiveImage + 4);
    return 1;
}

MemberHandle* ArchiveOpen(const char* name) {
    if (!Directory || !name || !name[0]) return nullptr;
    if (std::strlen(name) > 12) return nullptr;
    uint32_t low = 0, high = EntryCount;
    const ArchiveEntry* found = nullptr;
    while (low < high) {
        uint32_t middle = low + (high - low) / 2;
        int order = ArchiveNameCompare(name, Directory[middle].name);
        if (order == 0) {
            found = &Directory[middle];
            break;
        }
        if (order < 0)
            high = middle;
        else
            low = middle + 1;
    }
    if (!found || found == &Directory[EntryCount - 1]) return nullptr;

    for (int32_t i = 0; i < SlotCount; i++) {
        MemberHandle* slot = &Slots[i];
        if (slot->inUse) continue;
        slot->inUse = 1;
        slot->position = found->offset;
        slot->size = found[1].offset - found->offset;
        slot->entry = found;
        return slot;
    }
    return nullptr;
}

// Only handles of the current table that are open count.
static int HandleValid(const MemberHandle* handle) {
    if (!handle || !Slots) return 0;
    if (handle < Slots || handle >= Slots + SlotCount) return 0;
    return handle->inUse != 0;
}

static int32_t MemberStart(const MemberHandle* handle) { return handle->entry->offset; }
static int32_t MemberEnd(const MemberHandle* handle) { return handle->entry[1].offset; }

int ArchiveRead(MemberHandle* handle, void* destination, int32_t length) {
    if (!HandleValid(handle) || length < 0) return 0;
    if ((int64_t)handle->position + length > MemberEnd(handle)) return 0;
    if (length == 0) return 1;
    if (!destination) return 0;
    std::memcpy(destination, ArchiveImage + handle->position, (size_t)length);
    handle->position += length;
    return 1;
}

int ArchiveSeek(MemberHandle* handle, int32_t offset, int32_t origin) {
    if (!HandleValid(handle)) return 0;
    int64_t start = MemberStart(handle);
    int64_t end = MemberEnd(handle);
    int64_t target;
    switch (origin) {
    case 0:
        if (offset < 0 || offset >= handle->size) return 0;
        target = start + offset;
        break;
    case 1:
        target = (int64_t)handle->position + offset;
        if (target < start || target >= end) return 0;
        break;
    case 2:
        if (offset < 0 || offset >= handle->size) return 0;
        target = end - offset;
        break;
    default:
        return 0;
    }
    handle->position = (int32_t)target;
    return 1;
}

int ArchiveClose(MemberHandle* handle) {
    if (!HandleValid(handle)) return 0;
    handle->inUse = 0;
    return 1;
}

// The packed archive: read into memory once (or, when it is very large, read
// from the file on demand), members found by a binary search over the sorted
// directory. Nothing that happens to the file later can crash a read: the
// image is our own copy, and an on-demand read the file can no longer serve
// fails like a missing member.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"

const LinkedResource* LinkedResources = nullptr;
size_t ArchiveMemoryLimit = (size_t)128 << 20;
const char* ArchivePath = nullptr;
const char* ArchiveFailure = nullptr;

static MemberHandle* Slots = nullptr;
static int32_t SlotCount = 0;
static const uint8_t* ArchiveImage = nullptr;  // the whole archive, or none
static size_t ArchiveSize = 0;
static uint32_t EntryCount = 0;
static const ArchiveEntry* Directory = nullptr;
static uint8_t* OwnedBytes = nullptr;  // our copy: the image or the directory
// On-demand reads: the file and a window of it that serves small reads (a
// script read byte by byte, a picture row by row) without a system call each.
#define WINDOW_BYTES 65536
static int ArchiveFd = -1;
static uint8_t* Window = nullptr;
static int64_t WindowStart = 0;
static int32_t WindowLength = 0;

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

// The directory is the head of a file of fileSize bytes; head holds at least
// its first headSize bytes. The binary search of ArchiveOpen relies on the
// names being in strictly ascending order, end marker included.
static int CheckDirectory(const uint8_t* head, size_t headSize, size_t fileSize,
                          uint32_t* badEntry, const char** why) {
    const char* problem = nullptr;
    uint32_t at = UINT32_MAX;  // the fault is not one entry's
    uint32_t count = 0;
    if (!head || headSize < 4 || fileSize < 4) {
        problem = "no entry count";
    } else {
        std::memcpy(&count, head, 4);
        uint64_t directoryEnd = 4 + (uint64_t)count * EntryBytes;
        if (count == 0)
            problem = "no entries, not even the end marker";
        else if (directoryEnd > fileSize || directoryEnd > headSize)
            problem = "the directory runs past the end of the file";
        int64_t previous = (int64_t)directoryEnd;
        for (uint32_t i = 0; !problem && i < count; i++) {
            const uint8_t* entry = head + 4 + (size_t)i * EntryBytes;
            int64_t offset = ReadOffset(entry);
            at = i;
            if (offset < previous)
                problem = i ? "data offset before the previous entry's" : "data offset inside the directory";
            else if ((uint64_t)offset > fileSize)
                problem = "data offset past the end of the file";
            else if (!std::memchr(entry + 4, 0, sizeof(ArchiveEntry::name)))
                problem = "name not terminated";
            else if (i > 0) {
                int order = ArchiveNameCompare((const char*)entry + 4 - EntryBytes, (const char*)entry + 4);
                if (order == 0) problem = "the same name as the entry before it";
                if (order > 0) problem = "name out of order (sorts before the entry before it)";
            }
            previous = offset;
        }
    }
    if (badEntry) *badEntry = at;
    if (why) *why = problem;
    return problem == nullptr;
}

int ArchiveCheckDirectory(const uint8_t* head, size_t headSize, size_t fileSize, uint32_t* badEntry,
                          const char** why) {
    return CheckDirectory(head, headSize, fileSize, badEntry, why);
}

int ArchiveCheckWhy(const uint8_t* image, size_t size, uint32_t* badEntry, const char** why) {
    return CheckDirectory(image, size, size, badEntry, why);
}

int ArchiveCheck(const uint8_t* image, size_t size) {
    return CheckDirectory(image, size, size, nullptr, nullptr);
}

static const LinkedResource* FindLinkedResource(const char* name) {
    for (const LinkedResource* r = LinkedResources; r && r->name; r++)
        if (std::strcmp(r->name, name) == 0) return r;
    return nullptr;
}

void ArchiveRelease() {
    if (ArchiveFd >= 0) close(ArchiveFd);
    ArchiveFd = -1;
    std::free(OwnedBytes);
    OwnedBytes = nullptr;
    std::free(Window);
    Window = nullptr;
    WindowStart = 0;
    WindowLength = 0;
    TrackedFree(Slots);
    Slots = nullptr;
    SlotCount = 0;
    ArchiveImage = nullptr;
    ArchiveSize = 0;
    EntryCount = 0;
    Directory = nullptr;
}

// Every byte asked for, or 0 (the file ended or cannot be read).
static int ReadAt(int fd, uint8_t* to, size_t length, int64_t at) {
    while (length > 0) {
        ssize_t got = pread(fd, to, length, (off_t)at);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return 0;
        to += got;
        at += got;
        length -= (size_t)got;
    }
    return 1;
}

// The failure in words; a system error is kept with its own text.
static int Refuse(const char* why) {
    ArchiveFailure = why;
    return 0;
}

static char ErrorText[96];
static int RefuseWithError(const char* what, int error) {
    std::snprintf(ErrorText, sizeof ErrorText, "%s (%s)", what, std::strerror(error));
    return Refuse(ErrorText);
}

static const char* KindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "it is a folder, not an archive file";
    if (S_ISFIFO(mode)) return "it is a FIFO, not an archive file";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "it is a device, not an archive file";
    return "it is not a regular file";
}

// Only a regular file can be an archive. The type is checked before the
// open, and the open does not wait: a FIFO or a device named data.zem would
// otherwise block start-up or be read for ever.
static int OpenArchiveFile(const char* name, size_t* size) {
    struct stat info;
    if (stat(name, &info) != 0) {
        if (errno == ENOENT) Refuse("there is no such file");
        else RefuseWithError("it cannot be looked at", errno);
        return -1;
    }
    if (!S_ISREG(info.st_mode)) {
        Refuse(KindOf(info.st_mode));
        return -1;
    }
    int fd = open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        RefuseWithError("it cannot be opened", errno);
        return -1;
    }
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0) {
        Refuse(S_ISREG(info.st_mode) ? "it is empty" : KindOf(info.st_mode));
        close(fd);
        return -1;
    }
    *size = (size_t)info.st_size;
    return fd;
}

// Small archives become one copy in memory; the file is closed at once and
// may be rewritten or truncated freely. Larger ones keep only their
// directory in memory and read the members from the file.
static int LoadArchiveFile(const char* name) {
    size_t size = 0;
    int fd = OpenArchiveFile(name, &size);
    if (fd < 0) return 0;
    if (size <= ArchiveMemoryLimit && (OwnedBytes = (uint8_t*)std::malloc(size))) {
        int ok = ReadAt(fd, OwnedBytes, size, 0);
        close(fd);
        if (!ok) return Refuse("it could not be read to its end");
        ArchiveImage = OwnedBytes;
        ArchiveSize = size;
        return CheckDirectory(OwnedBytes, size, size, nullptr, &ArchiveFailure);
    }
    ArchiveFd = fd;
    ArchiveSize = size;
    uint32_t count = 0;
    if (!ReadAt(fd, (uint8_t*)&count, 4, 0)) return Refuse("it could not be read");
    uint64_t directoryBytes = 4 + (uint64_t)count * EntryBytes;
    if (count == 0 || directoryBytes > size)
        return CheckDirectory((const uint8_t*)&count, 4, size, nullptr, &ArchiveFailure);
    OwnedBytes = (uint8_t*)std::malloc((size_t)directoryBytes);
    Window = (uint8_t*)std::malloc(WINDOW_BYTES);
    if (!OwnedBytes || !Window) return Refuse("there is not enough memory for its directory");
    if (!ReadAt(fd, OwnedBytes, (size_t)directoryBytes, 0)) return Refuse("it could not be read");
    return CheckDirectory(OwnedBytes, (size_t)directoryBytes, size, nullptr, &ArchiveFailure);
}

int FastFileInit(const char* name, int32_t slots) {
    ArchiveRelease();
    ArchiveFailure = nullptr;
    if (!name || slots < 1 || (size_t)slots > 0x7fffffff / sizeof(MemberHandle))
        return Refuse("no name or no handles asked for");
    int32_t tableBytes = (int32_t)(sizeof(MemberHandle) * (size_t)slots);
    Slots = (MemberHandle*)TrackedAlloc(tableBytes);
    if (!Slots) return Refuse("there is not enough memory for its handles");
    std::memset(Slots, 0, (size_t)tableBytes);
    SlotCount = slots;

    int ok;
    const uint8_t* head;
    if (const LinkedResource* linked = FindLinkedResource(name)) {
        ArchiveImage = linked->data;
        ArchiveSize = linked->size;
        head = ArchiveImage;
        // A damaged directory would send every later read outside the image.
        ok = CheckDirectory(ArchiveImage, ArchiveSize, ArchiveSize, nullptr, &ArchiveFailure);
    } else {
        ok = LoadArchiveFile(ArchivePath ? ArchivePath : name);
        head = OwnedBytes;
    }
    if (!ok) {
        ArchiveRelease();
        return 0;
    }
    std::memcpy(&EntryCount, head, 4);
    Directory = (const ArchiveEntry*)(head + 4);
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

// A read from the file, through the window when it is small. A file that
// was shortened since the start serves fewer bytes: the read fails.
static int ReadFromFile(int64_t at, uint8_t* to, int32_t length) {
    if (length > WINDOW_BYTES) return ReadAt(ArchiveFd, to, (size_t)length, at);
    if (at < WindowStart || at + length > WindowStart + WindowLength) {
        WindowLength = 0;
        int64_t left = (int64_t)ArchiveSize - at;
        int32_t want = left < WINDOW_BYTES ? (int32_t)left : WINDOW_BYTES;
        if (want < length) return 0;
        ssize_t got;
        do {
            got = pread(ArchiveFd, Window, (size_t)want, (off_t)at);
        } while (got < 0 && errno == EINTR);
        if (got < length) return 0;
        WindowStart = at;
        WindowLength = (int32_t)got;
    }
    std::memcpy(to, Window + (at - WindowStart), (size_t)length);
    return 1;
}

int ArchiveRead(MemberHandle* handle, void* destination, int32_t length) {
    if (!HandleValid(handle) || length < 0) return 0;
    if ((int64_t)handle->position + length > MemberEnd(handle)) return 0;
    if (length == 0) return 1;
    if (!destination) return 0;
    if (ArchiveImage) {
        std::memcpy(destination, ArchiveImage + handle->position, (size_t)length);
    } else if (!ReadFromFile(handle->position, (uint8_t*)destination, length)) {
        return 0;
    }
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

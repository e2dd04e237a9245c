// Platform resources: tracked memory blocks and file access (archive members
// or plain files in "data").
#pragma once

#include <cstddef>
#include <cstdint>

// ---------------------------------------------------------------------------
// Tracked memory blocks.
extern int32_t LiveBlocks;
extern int32_t LiveBytes;

// Returns a block of size bytes (not cleared), or none. A failed allocation
// changes no counter.
void* TrackedAlloc(int32_t size);
// 1 when a block was released, 0 for none.
int TrackedFree(void* block);
// The platform's own variables back to their start values.
void ResetPlatformState();
// Data blocks are requested rounded up to a multiple of 4 bytes.
int32_t RoundUp4(int32_t size);
// Tests: the n-th allocation from now fails (n >= 1); 0 switches it off.
void TrackedFailAt(int32_t n);
// Tests: allocations still to come before the injected failure; 0 once it
// has happened (or when none was asked for).
int32_t TrackedFailPending();

// ---------------------------------------------------------------------------
// Archive "data.zem": a 4-byte entry count, then 17-byte entries (4-byte data
// offset, 13-byte zero-terminated name) sorted by ArchiveNameCompare, the last
// one an end marker, then the member data.
#pragma pack(push, 1)
struct ArchiveEntry {
    int32_t offset;
    char name[13];
};
#pragma pack(pop)
static_assert(sizeof(ArchiveEntry) == 17, "archive entries are 17 bytes");

struct MemberHandle {
    int32_t inUse;
    int32_t position;  // next byte to read, from byte 0 of the archive
    int32_t size;
    const ArchiveEntry* entry;
};

// Names sort as if written in small letters; the zero ends a name.
int ArchiveNameCompare(const char* a, const char* b);
// 1 when the image is a well-formed archive: count, directory inside the image,
// names terminated and in strictly ascending order (so no name twice and the
// end marker last), offsets inside the image and not decreasing.
int ArchiveCheck(const uint8_t* image, size_t size);
// The same; on failure also what is wrong and the entry at fault (counted
// from 0; UINT32_MAX when the fault is not one entry's).
int ArchiveCheckWhy(const uint8_t* image, size_t size, uint32_t* badEntry, const char** why);
// The same for the head of an archive file of fileSize bytes, read no
// further than its directory (headSize bytes): a file can be refused before
// the rest of it is read.
int ArchiveCheckDirectory(const uint8_t* head, size_t headSize, size_t fileSize, uint32_t* badEntry,
                          const char** why);

// Archive files up to this size are read into memory whole at start-up;
// larger ones keep their directory in memory and are read on demand.
extern size_t ArchiveMemoryLimit;

// When set, the file read for an archive name that no linked image has
// (the world named on the command line); none: the name itself.
extern const char* ArchivePath;

// Only a regular file is opened (a FIFO, device or folder is no archive).
int FastFileInit(const char* name, int32_t slots);
// Why the last FastFileInit failed, in words ("there is no such file", "the
// directory runs past the end of the file", ...); none after a success.
extern const char* ArchiveFailure;
MemberHandle* ArchiveOpen(const char* name);
int ArchiveRead(MemberHandle* handle, void* destination, int32_t length);
int ArchiveSeek(MemberHandle* handle, int32_t offset, int32_t origin);
int ArchiveClose(MemberHandle* handle);
void ArchiveRelease();

// Archive images linked into the program itself, looked up by name before the
// file. The table ends with an entry whose name is null. None by default.
struct LinkedResource {
    const char* name;
    const uint8_t* data;
    uint32_t size;
};
extern const LinkedResource* LinkedResources;

// ---------------------------------------------------------------------------
// File access switch: archive members (UseArchive on) or plain files.
extern int32_t UseArchive;

struct AssetFile;
AssetFile* AssetOpen(const char* name);
// 1 only when every byte asked for was delivered.
int AssetRead(AssetFile* file, void* destination, int32_t length);
// From the start of the file.
int AssetSeek(AssetFile* file, int32_t offset);
int AssetClose(AssetFile* file);
// The data directory of plain-file mode.
int DataDirectoryEnter();
int DataDirectoryLeave();

// The file-access switch: loaders read archive members or plain files from
// the data directory through these four calls and nothing else.
#include <unistd.h>

#include <cstdio>

#include "platform/platform.h"

AssetFile* AssetOpen(const char* name) {
    if (!name) return nullptr;
    if (UseArchive) return (AssetFile*)ArchiveOpen(name);
    if (!name[0]) return nullptr;
    return (AssetFile*)std::fopen(name, "rb");
}

int AssetRead(AssetFile* file, void* destination, int32_t length) {
    if (!file || length < 0) return 0;
    if (UseArchive) return ArchiveRead((MemberHandle*)file, destination, length);
    if (length == 0) return 1;
    // A short read fails as in archive mode, so no byte is left unset.
    return std::fread(destination, 1, (size_t)length, (FILE*)file) == (size_t)length;
}

int AssetSeek(AssetFile* file, int32_t offset) {
    if (!file) return 0;
    if (UseArchive) return ArchiveSeek((MemberHandle*)file, offset, 0);
    if (offset < 0) return 0;
    return std::fseek((FILE*)file, offset, SEEK_SET) == 0;
}

int AssetClose(AssetFile* file) {
    if (!file) return 0;
    if (UseArchive) return ArchiveClose((MemberHandle*)file);
    return std::fclose((FILE*)file) == 0;
}

int DataDirectoryEnter() { return chdir("data") == 0; }
int DataDirectoryLeave() { return chdir("..") == 0; }

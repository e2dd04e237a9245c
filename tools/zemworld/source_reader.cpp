// Bytes of a source file, read where the decoder asks for them: a file that
// claims gigabytes costs only what is read of it, and a file that shrinks
// while it is read fails the read instead of serving zeros.
#include <errno.h>
#include <unistd.h>

#include <cstring>

#include "tools/zemworld/import.h"

SourceReader MemoryReader(const std::vector<uint8_t>& bytes) {
    SourceReader r;
    r.memory = bytes.data();
    r.size = (int64_t)bytes.size();
    return r;
}

void SourceClose(SourceReader* r) {
    if (r->fd >= 0) close(r->fd);
    *r = SourceReader();
}

int SourceReadAt(const SourceReader& r, int64_t at, void* to, size_t length) {
    if (at < 0 || (uint64_t)at > (uint64_t)r.size || length > (uint64_t)(r.size - at)) return 0;
    if (length == 0) return 1;
    if (r.memory) {
        std::memcpy(to, r.memory + at, length);
        return 1;
    }
    uint8_t* p = (uint8_t*)to;
    while (length > 0) {
        ssize_t got = pread(r.fd, p, length, (off_t)at);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return 0;
        p += got;
        at += got;
        length -= (size_t)got;
    }
    return 1;
}

size_t SourceReadSome(const SourceReader& r, int64_t at, void* to, size_t length) {
    if (at < 0 || at >= r.size) return 0;
    if ((uint64_t)length > (uint64_t)(r.size - at)) length = (size_t)(r.size - at);
    return SourceReadAt(r, at, to, length) ? length : 0;
}

size_t SourceReadNext(SourceCursor* cursor, void* to, size_t length) {
    size_t got = SourceReadSome(*cursor->reader, cursor->at, to, length);
    cursor->at += (int64_t)got;
    return got;
}

int SourceReadAll(const SourceReader& r, int64_t most, std::vector<uint8_t>* bytes, std::string* why) {
    bytes->clear();
    if (r.size > most) {
        *why = "is " + std::to_string(r.size >> 20) + " MB, larger than the " + std::to_string(most >> 20) +
               " MB such a file may have";
        return 0;
    }
    bytes->resize((size_t)r.size);
    if (!SourceReadAt(r, 0, bytes->data(), bytes->size())) {
        bytes->clear();
        *why = "cannot be read (it may have changed while being read)";
        return 0;
    }
    return 1;
}

int ReadSourceFile(const std::string& root, const std::string& relative, int64_t most, std::vector<uint8_t>* bytes,
                   std::string* why) {
    SourceReader reader;
    if (!SourceOpen(root, relative, &reader, why)) return 0;
    int ok = SourceReadAll(reader, most, bytes, why);
    SourceClose(&reader);
    return ok;
}

// Tracked memory blocks: every record and data block of the system comes
// from here, so the counters tell exactly what is alive.
#include <cstdlib>

#include "platform/platform.h"

// The size is recorded in front of the block, so the release subtracts
// exactly what was added. 16 bytes keep the block aligned for any record.
static const size_t HeaderBytes = 16;
static int32_t FailCountdown = 0;

void* TrackedAlloc(int32_t size) {
    if (size < 0) return nullptr;
    if (FailCountdown > 0 && --FailCountdown == 0) return nullptr;
    unsigned char* raw = (unsigned char*)std::malloc(HeaderBytes + (size_t)size);
    if (!raw) return nullptr;
    *(int32_t*)raw = size;
    LiveBlocks += 1;
    LiveBytes += size;
    return raw + HeaderBytes;
}

int TrackedFree(void* block) {
    if (!block) return 0;
    unsigned char* raw = (unsigned char*)block - HeaderBytes;
    LiveBlocks -= 1;
    LiveBytes -= *(int32_t*)raw;
    std::free(raw);
    return 1;
}

int32_t RoundUp4(int32_t size) { return (int32_t)(((uint32_t)size + 3u) & ~3u); }

void TrackedFailAt(int32_t n) { FailCountdown = n > 0 ? n : 0; }

int32_t TrackedFailPending() { return FailCountdown; }

// WAV files into whole-sound buffers: "RIFF", "WAVE", a 16-byte "fmt "
// chunk and the "data" chunk right behind it. Nothing else is accepted.
#include <cstdint>
#include <cstring>

#include "backend/backend.h"
#include "platform/platform.h"
#include "screen/screen.h"
#include "sound/sound.h"

// Fields after the 16 format bytes: "data" and the data size.
static const int32_t HeaderBytes = 44;
// Larger sizes cannot be rounded up to a multiple of 4 in 32 bits.
static const uint32_t MaxDataBytes = 0x7FFFFFFCu;

static uint16_t Read16(const uint8_t* p) { return (uint16_t)(p[0] | (p[1] << 8)); }
static uint32_t Read32(const uint8_t* p) {
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) |
           ((uint32_t)p[3] << 24);
}

// Reads the fixed 44-byte header; 1 with the format and data size when the
// layout is exactly the accepted one.
static int ReadHeader(AssetFile* file, WaveFormat* format, uint32_t* dataBytes) {
    uint8_t riff[12];
    if (!AssetRead(file, riff, 12)) return 0;
    if (std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0) return 0;

    uint8_t chunk[8];
    if (!AssetRead(file, chunk, 8)) return 0;
    if (std::memcmp(chunk, "fmt ", 4) != 0) return 0;  // its size is not used

    uint8_t pcm[16];
    if (!AssetRead(file, pcm, 16)) return 0;
    format->formatTag = Read16(pcm);
    format->channels = Read16(pcm + 2);
    format->samplesPerSec = Read32(pcm + 4);
    format->avgBytesPerSec = Read32(pcm + 8);
    format->blockAlign = Read16(pcm + 12);
    format->bitsPerSample = Read16(pcm + 14);
    format->extraSize = 0;

    if (!AssetRead(file, chunk, 8)) return 0;
    if (std::memcmp(chunk, "data", 4) != 0) return 0;
    *dataBytes = Read32(chunk + 4);
    return 1;
}

// The size is checked against the bytes the file holds before a block of
// that size is asked for: the last sample byte must be there. It is read,
// not only sought: a plain file can be sought past its end.
static int DataFits(AssetFile* file, uint32_t dataBytes) {
    if (dataBytes > MaxDataBytes) return 0;
    if (dataBytes == 0) return 1;
    int64_t last = (int64_t)HeaderBytes + dataBytes - 1;
    uint8_t byte;
    return last <= INT32_MAX && AssetSeek(file, (int32_t)last) && AssetRead(file, &byte, 1) &&
           AssetSeek(file, HeaderBytes);
}

BkSoundBuffer* LoadSound(const char* name) {
    if (!SoundObject) return nullptr;
    AssetFile* file = AssetOpen(name);
    if (!file) return nullptr;

    WaveFormat format;
    uint32_t dataBytes = 0;
    uint8_t* staging = nullptr;
    if (!ReadHeader(file, &format, &dataBytes) || !DataFits(file, dataBytes)) {
        AssetClose(file);
        return nullptr;
    }
    staging = (uint8_t*)TrackedAlloc(RoundUp4((int32_t)dataBytes));
    if (!staging || !AssetRead(file, staging, (int32_t)dataBytes)) {
        TrackedFree(staging);
        AssetClose(file);
        return nullptr;
    }
    AssetClose(file);

    SoundBufferDesc desc;
    desc.size = 20;
    desc.flags = DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME;
    desc.bufferBytes = dataBytes;
    desc.reserved = 0;
    desc.format = &format;
    BkSoundBuffer* buffer = nullptr;
    LastResult = SoundCreateBuffer(SoundObject, &desc, &buffer);
    if (LastResult != BK_OK || !buffer) {
        if (buffer) SoundBufferRelease(buffer);
        TrackedFree(staging);
        return nullptr;
    }

    void* region1 = nullptr;
    void* region2 = nullptr;
    uint32_t length1 = 0;
    uint32_t length2 = 0;
    BkResult lock = SoundBufferLock(buffer, 0, dataBytes, &region1, &length1, &region2,
                                    &length2, DSBLOCK_FROMWRITECURSOR);
    LastResult |= lock;
    if (lock != BK_OK) {
        SoundBufferRelease(buffer);
        TrackedFree(staging);
        return nullptr;
    }
    // The regions come from the platform; never copy more than was staged.
    uint32_t copy1 = length1 < dataBytes ? length1 : dataBytes;
    uint32_t copy2 = length2 < dataBytes - copy1 ? length2 : dataBytes - copy1;
    if (region1 && copy1) std::memcpy(region1, staging, copy1);
    if (region2 && copy2) std::memcpy(region2, staging + copy1, copy2);
    LastResult = SoundBufferUnlock(buffer, region1, length1, region2, length2);

    TrackedFree(staging);
    return buffer;
}

// Sound device and buffer records: a buffer holds the whole sound in its
// PCM format; a lock hands out up to two regions of the circular buffer; the
// backend plays a buffer once and tells whether it still plays.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "backend/soft/soft.h"

static std::vector<BkSoundDevice*> LiveDevices;
static std::vector<BkSoundBuffer*> LiveBuffers;

static int IsLiveDevice(const BkSoundDevice* device) {
    return device && std::find(LiveDevices.begin(), LiveDevices.end(),
                               device) != LiveDevices.end();
}

static int IsLiveBuffer(const BkSoundBuffer* buffer) {
    return buffer && std::find(LiveBuffers.begin(), LiveBuffers.end(),
                               buffer) != LiveBuffers.end();
}

static void FreeBuffer(BkSoundBuffer* buffer) {
    BackendSoundStop(buffer);
    LiveBuffers.erase(
        std::remove(LiveBuffers.begin(), LiveBuffers.end(), buffer),
        LiveBuffers.end());
    delete[] buffer->bytes;
    delete buffer;
}

int SoftLiveSoundBuffers() { return (int)LiveBuffers.size(); }

BkResult SoundCreate(BkSoundDevice** out) {
    if (!out) return DSERR_INVALIDPARAM;
    *out = nullptr;
    BkResult fault = BackendFault(SOP_SOUND_CREATE);
    if (fault) return fault;
    // One output device at a time.
    if (!LiveDevices.empty()) return DDERR_GENERIC;
    BkSoundDevice* device = new (std::nothrow) BkSoundDevice();
    if (!device) return DDERR_OUTOFMEMORY;
    BkResult opened = BackendSoundOpen();
    if (opened) {
        delete device;
        return opened;
    }
    LiveDevices.push_back(device);
    *out = device;
    return BK_OK;
}

BkResult SoundSetCooperativeLevel(BkSoundDevice* device, BkWindow* window,
                                  uint32_t level) {
    if (!IsLiveDevice(device)) return DSERR_INVALIDPARAM;
    BkResult fault = BackendFault(SOP_SOUND_COOPERATIVE_LEVEL);
    if (fault) return fault;
    device->window = window;
    device->level = level;
    return BK_OK;
}

uint32_t SoundMostBytes(const WaveFormat* f) {
    uint64_t frame = (uint64_t)f->channels * (f->bitsPerSample / 8);
    if (frame == 0 || f->channels == 0) return 0;
    uint64_t frames = (uint64_t)f->samplesPerSec * SOUND_LONGEST_SECONDS;
    uint64_t bySamples = SOUND_MOST_SAMPLES / f->channels;
    if (frames > bySamples) frames = bySamples;
    if (frames > SOUND_MAX_BUFFER_BYTES / frame) frames = SOUND_MAX_BUFFER_BYTES / frame;
    return (uint32_t)(frames * frame);
}

// PCM only, 8 or 16 bits, one or two channels, a rate of recorded sound:
// what every backend can play at a bounded cost.
static int FormatPlayable(const WaveFormat* f) {
    return f->formatTag == 1 && (f->channels == 1 || f->channels == 2) &&
           (f->bitsPerSample == 8 || f->bitsPerSample == 16) &&
           f->samplesPerSec >= SOUND_LOWEST_RATE && f->samplesPerSec <= SOUND_HIGHEST_RATE;
}

BkResult SoundCreateBuffer(BkSoundDevice* device, const SoundBufferDesc* desc,
                           BkSoundBuffer** out) {
    if (!out) return DSERR_INVALIDPARAM;
    *out = nullptr;
    if (!IsLiveDevice(device) || !desc) return DSERR_INVALIDPARAM;
    BkResult fault = BackendFault(SOP_SOUND_CREATE_BUFFER);
    if (fault) return fault;
    if (!desc->format || desc->bufferBytes == 0 ||
        desc->bufferBytes > SOUND_MAX_BUFFER_BYTES)
        return DSERR_INVALIDPARAM;
    if (!FormatPlayable(desc->format)) return DSERR_BADFORMAT;
    BkSoundBuffer* buffer = new (std::nothrow) BkSoundBuffer();
    if (!buffer) return DDERR_OUTOFMEMORY;
    buffer->bytes = new (std::nothrow) uint8_t[desc->bufferBytes]();
    if (!buffer->bytes) {
        delete buffer;
        return DDERR_OUTOFMEMORY;
    }
    buffer->device = device;
    buffer->format = *desc->format;
    buffer->size = desc->bufferBytes;
    LiveBuffers.push_back(buffer);
    *out = buffer;
    return BK_OK;
}

// The buffer is circular: a lock that runs past its end continues at its
// start in the second region. A buffer that has not played is written from
// its start.
BkResult SoundBufferLock(BkSoundBuffer* buffer, uint32_t offset,
                         uint32_t bytes, void** region1, uint32_t* length1,
                         void** region2, uint32_t* length2, uint32_t flags) {
    if (region1) *region1 = nullptr;
    if (length1) *length1 = 0;
    if (region2) *region2 = nullptr;
    if (length2) *length2 = 0;
    if (!IsLiveBuffer(buffer) || !region1 || !length1)
        return DSERR_INVALIDPARAM;
    BkResult fault = BackendFault(SOP_SOUND_LOCK);
    if (fault) return fault;
    if (flags & DSBLOCK_FROMWRITECURSOR) offset = buffer->writePosition;
    if (offset >= buffer->size || bytes == 0 || bytes > buffer->size)
        return DSERR_INVALIDPARAM;
    uint32_t first = std::min(bytes, buffer->size - offset);
    uint32_t second = bytes - first;
    *region1 = buffer->bytes + offset;
    *length1 = first;
    if (second && region2 && length2) {
        *region2 = buffer->bytes;
        *length2 = second;
    }
    buffer->locked = 1;
    return BK_OK;
}

// The regions must be ones a lock of this buffer can have handed out.
BkResult SoundBufferUnlock(BkSoundBuffer* buffer, void* region1,
                           uint32_t length1, void* region2, uint32_t length2) {
    if (!IsLiveBuffer(buffer)) return DSERR_INVALIDPARAM;
    uint8_t* start = buffer->bytes;
    uint8_t* end = buffer->bytes + buffer->size;
    uint8_t* r1 = (uint8_t*)region1;
    if (r1 && (r1 < start || r1 >= end || length1 > (uint32_t)(end - r1)))
        return DSERR_INVALIDPARAM;
    if (region2 && (region2 != start || length2 > buffer->size))
        return DSERR_INVALIDPARAM;
    buffer->locked = 0;
    return BK_OK;
}

// Checked again, whoever made the record: the backends convert and size
// their playback by the format. Only whole sample frames are played.
BkResult SoftSoundStart(BkSoundBuffer* buffer) {
    BackendSoundStop(buffer);
    const WaveFormat& f = buffer->format;
    if (!FormatPlayable(&f)) return DSERR_BADFORMAT;
    uint32_t frame = (uint32_t)f.channels * (f.bitsPerSample / 8);
    uint32_t usable = buffer->size - buffer->size % frame;
    // Longer than every backend plays: not heard anywhere.
    if (usable > SoundMostBytes(&f)) return DDERR_OUTOFMEMORY;
    return BackendSoundStart(buffer, usable);
}

BkResult SoundBufferPlay(BkSoundBuffer* buffer, uint32_t reserved,
                         uint32_t priority, uint32_t flags) {
    (void)reserved;
    (void)priority;
    (void)flags;
    if (!IsLiveBuffer(buffer)) return DSERR_INVALIDPARAM;
    return SoftSoundStart(buffer);
}

BkResult SoundBufferGetStatus(BkSoundBuffer* buffer, uint32_t* status) {
    if (status) *status = 0;
    if (!IsLiveBuffer(buffer) || !status) return DSERR_INVALIDPARAM;
    *status = BackendSoundPlaying(buffer) ? DSBSTATUS_PLAYING : 0;
    return BK_OK;
}

BkResult SoundBufferGetFormat(BkSoundBuffer* buffer, WaveFormat* format, uint32_t* bytes) {
    if (!IsLiveBuffer(buffer) || !format || !bytes) return DSERR_INVALIDPARAM;
    *format = buffer->format;
    *bytes = buffer->size;
    return BK_OK;
}

void SoundBufferRelease(BkSoundBuffer* buffer) {
    if (!IsLiveBuffer(buffer)) return;
    FreeBuffer(buffer);
    BackendReleased("sound-buffer");
}

// Buffers still alive go with their device: the output they play on is
// closed.
void SoundRelease(BkSoundDevice* device) {
    if (!IsLiveDevice(device)) return;
    std::vector<BkSoundBuffer*> list = LiveBuffers;
    for (BkSoundBuffer* b : list)
        if (b->device == device) FreeBuffer(b);
    LiveDevices.erase(
        std::remove(LiveDevices.begin(), LiveDevices.end(), device),
        LiveDevices.end());
    delete device;
    BackendSoundClose();
    BackendReleased("sound");
}

void SoftResetSound() {
    for (BkSoundBuffer* b : LiveBuffers) {
        delete[] b->bytes;
        delete b;
    }
    LiveBuffers.clear();
    for (BkSoundDevice* d : LiveDevices) delete d;
    LiveDevices.clear();
}

// Sound through the page's Web Audio: each buffer becomes an audio buffer of
// its own rate and channels when it starts, and plays once; any number play
// at the same time. Browsers let sound start only after the first click or
// key, so a sound started before that is not heard.
#include <cstdint>

#include "backend/soft/soft.h"
#include "backend/web/parts.h"

BkResult BackendSoundOpen() { return zem_web_sound_open() ? BK_OK : DSERR_NODRIVER; }

void BackendSoundClose() { zem_web_sound_close(); }

static int32_t SoundId(const BkSoundBuffer* buffer) {
    return (int32_t)(intptr_t)buffer->backend;
}

void BackendSoundStop(BkSoundBuffer* buffer) {
    if (!buffer->backend) return;
    zem_web_sound_stop(SoundId(buffer));
    buffer->backend = nullptr;
}

int BackendSoundPlaying(BkSoundBuffer* buffer) {
    return buffer->backend && zem_web_sound_playing(SoundId(buffer));
}

// 8-bit unsigned or 16-bit signed PCM, mono or stereo, at its own rate.
BkResult BackendSoundStart(BkSoundBuffer* buffer, uint32_t usable) {
    const WaveFormat& f = buffer->format;
    if (usable == 0) return BK_OK;  // nothing to hear
    int32_t id = zem_web_sound_start(buffer->bytes, usable, f.channels, f.bitsPerSample,
                                     (int32_t)f.samplesPerSec);
    if (id <= 0) return DDERR_GENERIC;
    buffer->backend = (void*)(intptr_t)id;
    return BK_OK;
}

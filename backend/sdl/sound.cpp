// Sound through SDL2_mixer: each buffer is converted to the device's format
// when it starts and played once on a channel of its own; more channels are
// made when all are busy.
#include <SDL.h>
#include <SDL_mixer.h>

#include <climits>
#include <cstring>
#include <new>

#include "backend/sdl/parts.h"
#include "backend/soft/soft.h"

#define FIRST_CHANNELS 16
#define MAX_CHANNELS 1024

struct Playback {
    Mix_Chunk* chunk;
    Uint8* data;
    int channel;
};

static int DeviceRate = 0;
static Uint16 DeviceFormat = 0;
static int DeviceChannels = 0;
static int Channels = 0;

BkResult BackendSoundOpen() {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return DSERR_NODRIVER;
    if (Mix_OpenAudio(MIX_DEFAULT_FREQUENCY, MIX_DEFAULT_FORMAT, 2, 1024) !=
            0 ||
        Mix_QuerySpec(&DeviceRate, &DeviceFormat, &DeviceChannels) == 0) {
        Mix_CloseAudio();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return DSERR_NODRIVER;
    }
    Channels = Mix_AllocateChannels(FIRST_CHANNELS);
    return BK_OK;
}

void BackendSoundClose() {
    Mix_HaltChannel(-1);
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    Channels = 0;
}

static int PlaysNow(const Playback* p) {
    return p && p->channel >= 0 && Mix_Playing(p->channel) &&
           Mix_GetChunk(p->channel) == p->chunk;
}

void BackendSoundStop(BkSoundBuffer* buffer) {
    Playback* p = (Playback*)buffer->backend;
    if (!p) return;
    if (PlaysNow(p)) Mix_HaltChannel(p->channel);
    Mix_FreeChunk(p->chunk);
    SDL_free(p->data);
    delete p;
    buffer->backend = nullptr;
}

int BackendSoundPlaying(BkSoundBuffer* buffer) {
    return PlaysNow((const Playback*)buffer->backend);
}

// A sound is converted whole, and conversion to the device's rate multiplies
// its size by up to the ratio of the rates: a few bytes at 1 Hz would become
// hundreds of megabytes. Rates outside what recorded sound uses, and sounds
// longer than every backend plays (SoundMostBytes: six minutes, or fewer at
// high rates), are refused by the shared records. The conversion works in
// place in a buffer of len_mult times the sound, which SDL sizes for its
// intermediate 32-bit float samples: for the longest sound that is about
// 280 MB at most (six minutes at 4 kHz, 8-bit mono, takes 1.4 MB and 192
// times that). A refused sound is not heard.
// Any format the shared records take, converted to what the device plays.
BkResult BackendSoundStart(BkSoundBuffer* buffer, uint32_t usable) {
    if (!Channels) return DSERR_NODRIVER;
    if (usable == 0) return BK_OK;  // nothing to hear
    const WaveFormat& f = buffer->format;

    SDL_AudioCVT cvt;
    SDL_AudioFormat source = f.bitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16LSB;
    if (SDL_BuildAudioCVT(&cvt, source, (Uint8)f.channels,
                          (int)f.samplesPerSec, DeviceFormat,
                          (Uint8)DeviceChannels, DeviceRate) < 0)
        return DSERR_BADFORMAT;
    // The conversion works in place in a buffer of len_mult times the sound.
    uint64_t room = (uint64_t)usable * (uint64_t)(cvt.len_mult > 0 ? cvt.len_mult : 1);
    if (room > INT_MAX) return DDERR_OUTOFMEMORY;
    Uint8* data = (Uint8*)SDL_malloc((size_t)room);
    if (!data) return DDERR_OUTOFMEMORY;
    std::memcpy(data, buffer->bytes, usable);
    uint32_t length = usable;
    if (cvt.needed) {
        cvt.buf = data;
        cvt.len = (int)usable;
        if (SDL_ConvertAudio(&cvt) != 0) {
            SDL_free(data);
            return DSERR_BADFORMAT;
        }
        length = (uint32_t)cvt.len_cvt;
    }
    Mix_Chunk* chunk = Mix_QuickLoad_RAW(data, length);
    if (!chunk) {
        SDL_free(data);
        return DDERR_OUTOFMEMORY;
    }
    int channel = Mix_PlayChannel(-1, chunk, 0);
    while (channel < 0 && Channels < MAX_CHANNELS) {
        int more = Mix_AllocateChannels(Channels * 2);
        if (more <= Channels) break;
        Channels = more;
        channel = Mix_PlayChannel(-1, chunk, 0);
    }
    Playback* p = new (std::nothrow) Playback();
    if (channel < 0 || !p) {
        if (channel >= 0) Mix_HaltChannel(channel);
        Mix_FreeChunk(chunk);
        SDL_free(data);
        delete p;
        return DDERR_GENERIC;
    }
    p->chunk = chunk;
    p->data = data;
    p->channel = channel;
    buffer->backend = p;
    return BK_OK;
}

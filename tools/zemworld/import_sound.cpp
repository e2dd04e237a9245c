// Source sounds: WAV files of any PCM or float layout, turned into the one
// layout the viewer's loader reads (16-bit PCM, the format chunk first and
// exactly 16 bytes, the data right behind it).
#include <algorithm>
#include <cmath>
#include <cstring>

#include "backend/backend.h"
#include "tools/assets/assets.h"
#include "tools/zemworld/import.h"

// Too fast a rate is brought down to this one.
static const uint32_t ResampledRate = 48000;

static uint32_t Get16(const uint8_t* p) { return (uint32_t)(p[0] | (p[1] << 8)); }
static uint32_t Get32(const uint8_t* p) {
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}

static double SampleAt(const uint8_t* p, int floating, int bits) {
    if (floating) {
        double v;
        if (bits == 32) {
            float f;
            std::memcpy(&f, p, 4);
            v = f;
        } else {
            std::memcpy(&v, p, 8);
        }
        return std::isfinite(v) ? std::clamp(v, -1.0, 1.0) : 0.0;
    }
    switch (bits) {
    case 8: return (p[0] - 128) / 128.0;
    case 16: return (int16_t)Get16(p) / 32768.0;
    case 24: return (int32_t)((uint32_t)p[0] << 8 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 24) / 2147483648.0;
    default: return (int32_t)Get32(p) / 2147483648.0;
    }
}

static int16_t ToInt16(double v) {
    return (int16_t)std::clamp(std::lround(v * 32768.0), -32768l, 32767l);
}

int DecodeWav(const std::vector<uint8_t>& b, Pcm16* out, std::string* why, std::string* note) {
    *out = Pcm16();
    note->clear();
    if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) != 0 || std::memcmp(b.data() + 8, "WAVE", 4) != 0) {
        *why = "is not a WAV file (no RIFF WAVE header)";
        return 0;
    }
    const uint8_t* format = nullptr;
    uint32_t formatBytes = 0;
    const uint8_t* data = nullptr;
    uint64_t dataBytes = 0;
    for (size_t at = 12; at + 8 <= b.size();) {
        uint64_t size = Get32(&b[at + 4]);
        if (at + 8 + size > b.size()) {
            *why = "is damaged (its '" + std::string((const char*)&b[at], 4) + "' chunk runs past the end of the file)";
            return 0;
        }
        if (!std::memcmp(&b[at], "fmt ", 4) && !format) {
            format = &b[at + 8];
            formatBytes = (uint32_t)size;
        } else if (!std::memcmp(&b[at], "data", 4) && !data) {
            data = &b[at + 8];
            dataBytes = size;
        }
        at += 8 + size + (size & 1);
    }
    if (!format || formatBytes < 16 || !data) {
        *why = format && formatBytes < 16 ? "is damaged (its format chunk is too short)"
                                          : std::string("is damaged (it has no ") + (format ? "data" : "format") + " chunk)";
        return 0;
    }
    uint32_t tag = Get16(format), channels = Get16(format + 2), rate = Get32(format + 4);
    uint32_t bits = Get16(format + 14);
    if (tag == 0xFFFE && formatBytes >= 40) tag = Get16(format + 24);  // the extensible layout's sub-format
    int floating = tag == 3;
    if (!((tag == 1 && (bits == 8 || bits == 16 || bits == 24 || bits == 32)) ||
          (floating && (bits == 32 || bits == 64)))) {
        char what[96];
        std::snprintf(what, sizeof what, "is in a format the importer cannot read (format tag %u, %u bits)", tag, bits);
        *why = std::string(what) + "; save it as PCM or float WAV";
        return 0;
    }
    if (channels < 1 || channels > 64 || rate < 1) {
        *why = "is damaged (" + std::to_string(channels) + " channels at " + std::to_string(rate) + " Hz)";
        return 0;
    }
    // The rates every backend's sound buffers take: faster sounds are
    // resampled, slower ones (no recording is made so) refused as damaged.
    if (rate < SOUND_LOWEST_RATE) {
        *why = "has a sample rate of " + std::to_string(rate) + " Hz; the viewer plays " +
               std::to_string(SOUND_LOWEST_RATE) + " to " + std::to_string(SOUND_HIGHEST_RATE) + " Hz";
        return 0;
    }
    uint32_t frameBytes = channels * bits / 8;
    uint64_t frames = dataBytes / frameBytes;
    if (frames == 0) {
        *why = "holds no sound";
        return 0;
    }
    uint16_t outChannels = channels <= 2 ? (uint16_t)channels : 1;
    uint32_t outRate = rate > SOUND_HIGHEST_RATE ? ResampledRate : rate;
    uint64_t outFrames = rate == outRate ? frames : (uint64_t)((double)frames * outRate / rate);
    if (outFrames == 0) outFrames = 1;
    if (outFrames * outChannels * 2 > SOUND_MAX_BUFFER_BYTES) {
        *why = "is too long for the viewer (" + std::to_string(frames / rate / 60) + " minutes)";
        return 0;
    }
    // One frame as output channels.
    auto frameAt = [&](uint64_t f, double* v) {
        const uint8_t* p = data + f * frameBytes;
        if (channels <= 2) {
            for (uint32_t c = 0; c < channels; c++) v[c] = SampleAt(p + c * (bits / 8), floating, bits);
        } else {
            double sum = 0;
            for (uint32_t c = 0; c < channels; c++) sum += SampleAt(p + c * (bits / 8), floating, bits);
            v[0] = sum / channels;
        }
    };
    out->channels = outChannels;
    out->rate = outRate;
    out->samples.resize((size_t)(outFrames * outChannels));
    for (uint64_t f = 0; f < outFrames; f++) {
        double v[2] = {0, 0};
        if (outRate == rate) {
            frameAt(f, v);
        } else {
            double at = (double)f * rate / outRate;
            uint64_t f0 = std::min<uint64_t>((uint64_t)at, frames - 1), f1 = std::min<uint64_t>(f0 + 1, frames - 1);
            double a[2] = {0, 0}, c[2] = {0, 0}, w = at - (double)f0;
            frameAt(f0, a);
            frameAt(f1, c);
            for (int k = 0; k < 2; k++) v[k] = a[k] * (1 - w) + c[k] * w;
        }
        for (uint32_t k = 0; k < outChannels; k++) out->samples[(size_t)(f * outChannels + k)] = ToInt16(v[k]);
    }
    if (channels > 2) *note = std::to_string(channels) + " channels mixed down to mono";
    if (outRate != rate)
        *note += (note->empty() ? "" : "; ") + std::to_string(rate) + " Hz resampled to " + std::to_string(outRate) + " Hz";
    return 1;
}

std::vector<uint8_t> EncodeWav(const Pcm16& sound) {
    WavLayout layout;
    layout.formatTag = 1;
    layout.channels = sound.channels;
    layout.samplesPerSec = sound.rate;
    layout.bitsPerSample = 16;
    layout.data.resize(sound.samples.size() * 2);
    for (size_t i = 0; i < sound.samples.size(); i++) {
        uint16_t v = (uint16_t)sound.samples[i];
        layout.data[i * 2] = (uint8_t)v;
        layout.data[i * 2 + 1] = (uint8_t)(v >> 8);
    }
    return MakeWav(layout);
}

// Source sounds: WAV files of any PCM or float layout, turned into the one
// layout the viewer's loader reads (16-bit PCM, the format chunk first and
// exactly 16 bytes, the data right behind it).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "backend/backend.h"
#include "tools/assets/assets.h"
#include "tools/zemworld/import.h"

// Too fast a rate is brought down to this one.
static const uint32_t ResampledRate = 48000;
// Chunks looked at before the data; a file of nothing but empty chunks is
// no sound.
static const int MostChunks = 10000;
// Sample data is read in pieces of this size, never whole.
static const size_t PieceBytes = 1 << 20;

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

static std::string Seconds(double s) {
    char text[32];
    std::snprintf(text, sizeof text, s < 10 ? "%.1f s" : "%.0f s", s);
    return text;
}

static std::string SoundFormatText(uint32_t rate, uint32_t bits, uint32_t channels) {
    return std::to_string(rate) + " Hz, " + std::to_string(bits) + "-bit " +
           (channels == 1 ? "mono" : channels == 2 ? "stereo" : std::to_string(channels) + " channels");
}

std::string SoundTooLong(uint32_t rate, uint32_t bits, uint32_t channels, uint64_t bytes) {
    WaveFormat f = {1, (uint16_t)channels, rate, 0, (uint16_t)(channels * bits / 8), (uint16_t)bits, 0};
    uint64_t most = SoundMostBytes(&f);
    if (bytes <= most || !rate || !channels || bits < 8) return "";
    double perSecond = (double)rate * channels * (bits / 8);
    return "lasts " + Seconds(bytes / perSecond) + "; the viewer plays at most " + Seconds(most / perSecond) + " at " +
           SoundFormatText(rate, bits, channels) + " and drops a longer sound unheard";
}

int ReadWavHeader(const SourceReader& r, WavHeader* out, std::string* why) {
    *out = WavHeader();
    uint8_t riff[12];
    if (!SourceReadAt(r, 0, riff, 12) || std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0) {
        *why = "is not a WAV file (no RIFF WAVE header)";
        return 0;
    }
    uint8_t format[40] = {};
    uint32_t formatBytes = 0;
    int haveFormat = 0, haveData = 0;
    int64_t at = 12;
    for (int chunks = 0; at + 8 <= r.size && !(haveFormat && haveData); chunks++) {
        uint8_t head[8];
        if (chunks == MostChunks || !SourceReadAt(r, at, head, 8)) {
            *why = chunks == MostChunks ? "is damaged (more than " + std::to_string(MostChunks) + " chunks before its sound)"
                                        : "cannot be read";
            return 0;
        }
        uint64_t size = Get32(head + 4);
        if ((uint64_t)at + 8 + size > (uint64_t)r.size) {
            *why = "is damaged (its '" + std::string((const char*)head, 4) + "' chunk runs past the end of the file)";
            return 0;
        }
        if (!std::memcmp(head, "fmt ", 4) && !haveFormat) {
            haveFormat = 1;
            formatBytes = (uint32_t)size;
            if (!SourceReadAt(r, at + 8, format, std::min<uint64_t>(size, sizeof format))) {
                *why = "cannot be read";
                return 0;
            }
        } else if (!std::memcmp(head, "data", 4) && !haveData) {
            haveData = 1;
            out->dataAt = at + 8;
            out->dataBytes = size;
        }
        at += 8 + (int64_t)size + (int64_t)(size & 1);
    }
    if (!haveFormat || formatBytes < 16 || !haveData) {
        *why = haveFormat && formatBytes < 16 ? "is damaged (its format chunk is too short)"
                                              : std::string("is damaged (it has no ") + (haveFormat ? "data" : "format") + " chunk)";
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
    out->floating = floating;
    out->bits = bits;
    out->channels = channels;
    out->rate = rate;
    out->frameBytes = channels * bits / 8;
    out->frames = out->dataBytes / out->frameBytes;
    if (out->frames == 0) {
        *why = "holds no sound";
        return 0;
    }
    out->outChannels = channels <= 2 ? channels : 1;
    out->outRate = rate > SOUND_HIGHEST_RATE ? ResampledRate : rate;
    out->outFrames = rate == out->outRate ? out->frames : (uint64_t)((double)out->frames * out->outRate / rate);
    if (out->outFrames == 0) out->outFrames = 1;
    // Judged as the viewer will hold it, before a sample is read.
    std::string tooLong = SoundTooLong(out->outRate, 16, out->outChannels, out->outFrames * out->outChannels * 2);
    if (!tooLong.empty()) {
        *why = tooLong;
        return 0;
    }
    return 1;
}

namespace {
// Sample frames read from the file a piece at a time, in the order the
// conversion asks for them (always forward).
struct FrameReader {
    const SourceReader* reader;
    const WavHeader* h;
    std::vector<uint8_t> piece;
    uint64_t first = 0;   // the frame at piece[0]
    uint64_t count = 0;   // frames in the piece
};
}  // namespace

static const uint8_t* FrameBytes(FrameReader* f, uint64_t frame) {
    if (frame < f->first || frame >= f->first + f->count) {
        uint64_t perPiece = std::max<uint64_t>(1, PieceBytes / f->h->frameBytes);
        uint64_t count = std::min<uint64_t>(perPiece, f->h->frames - frame);
        f->piece.resize((size_t)(count * f->h->frameBytes));
        f->first = frame;
        f->count = 0;
        if (!SourceReadAt(*f->reader, f->h->dataAt + (int64_t)(frame * f->h->frameBytes), f->piece.data(),
                          f->piece.size()))
            return nullptr;
        f->count = count;
    }
    return &f->piece[(size_t)((frame - f->first) * f->h->frameBytes)];
}

int DecodeWav(const SourceReader& reader, Pcm16* out, std::string* why, std::string* note) {
    *out = Pcm16();
    note->clear();
    WavHeader h;
    if (!ReadWavHeader(reader, &h, why)) return 0;
    FrameReader frames = {&reader, &h, {}, 0, 0};
    uint32_t bytes = h.bits / 8;
    // One frame as output channels.
    auto frameAt = [&](uint64_t f, double* v) {
        const uint8_t* p = FrameBytes(&frames, f);
        if (!p) return 0;
        if (h.channels <= 2) {
            for (uint32_t c = 0; c < h.channels; c++) v[c] = SampleAt(p + c * bytes, h.floating, (int)h.bits);
        } else {
            double sum = 0;
            for (uint32_t c = 0; c < h.channels; c++) sum += SampleAt(p + c * bytes, h.floating, (int)h.bits);
            v[0] = sum / h.channels;
        }
        return 1;
    };
    out->channels = (uint16_t)h.outChannels;
    out->rate = h.outRate;
    out->samples.resize((size_t)(h.outFrames * h.outChannels));
    for (uint64_t f = 0; f < h.outFrames; f++) {
        double v[2] = {0, 0};
        int ok = 1;
        if (h.outRate == h.rate) {
            ok = frameAt(f, v);
        } else {
            double at = (double)f * h.rate / h.outRate;
            uint64_t f0 = std::min<uint64_t>((uint64_t)at, h.frames - 1), f1 = std::min<uint64_t>(f0 + 1, h.frames - 1);
            double a[2] = {0, 0}, c[2] = {0, 0}, w = at - (double)f0;
            ok = frameAt(f0, a) && frameAt(f1, c);
            for (int k = 0; k < 2; k++) v[k] = a[k] * (1 - w) + c[k] * w;
        }
        if (!ok) {
            *out = Pcm16();
            *why = "cannot be read (it may have changed while being read)";
            return 0;
        }
        for (uint32_t k = 0; k < h.outChannels; k++) out->samples[(size_t)(f * h.outChannels + k)] = ToInt16(v[k]);
    }
    if (h.channels > 2) *note = std::to_string(h.channels) + " channels mixed down to mono";
    if (h.outRate != h.rate)
        *note += (note->empty() ? "" : "; ") + std::to_string(h.rate) + " Hz resampled to " + std::to_string(h.outRate) + " Hz";
    return 1;
}

int DecodeWav(const std::vector<uint8_t>& bytes, Pcm16* out, std::string* why, std::string* note) {
    return DecodeWav(MemoryReader(bytes), out, why, note);
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

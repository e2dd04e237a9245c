// Why the system refused a file. The loaders only say yes or no; the
// headers are read here after a refusal, in the order the loader tests
// them, to name the first test that failed.
#include <cstring>

#include "backend/backend.h"
#include "tools/zemworld/check.h"

static uint32_t Get32(const uint8_t* p) {
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}
static uint16_t Get16(const uint8_t* p) { return (uint16_t)(p[0] | p[1] << 8); }

// Every header here lies within a member's first bytes.
static const size_t HeaderBytes = 64;

// Pictures in other formats, by their first bytes.
static const char* OtherFormat(const uint8_t* p, int32_t size) {
    if (size >= 8 && std::memcmp(p, "\x89PNG\r\n\x1a\n", 8) == 0) return "a PNG picture";
    if (size >= 3 && p[0] == 0xFF && p[1] == 0xD8 && p[2] == 0xFF) return "a JPEG picture";
    if (size >= 4 && std::memcmp(p, "GIF8", 4) == 0) return "a GIF picture";
    if (size >= 4 && std::memcmp(p, "RIFF", 4) == 0) return "a RIFF file (a sound?)";
    if (size >= 4 && std::memcmp(p, "OggS", 4) == 0) return "an Ogg file";
    if (size >= 3 && std::memcmp(p, "ID3", 3) == 0) return "an MP3 file";
    if (size >= 4 && std::memcmp(p, "fLaC", 4) == 0) return "a FLAC file";
    return nullptr;
}

uint32_t BmpHeaderSize(const CheckContext* c, const PackListing& member) {
    if (member.size < 18) return 0;
    return Get32(MemberBytes(c, member, 0, HeaderBytes).data() + 14);
}

static const char* CompressionName(uint32_t compression) {
    switch (compression) {
    case 1: return " (RLE8)";
    case 2: return " (RLE4)";
    case 3: return " (bit fields)";
    case 4: return " (JPEG)";
    case 5: return " (PNG)";
    default: return "";
    }
}

std::string WhyPictureRefused(const CheckContext* c, const PackListing& member,
                              const PictureUse& use) {
    std::vector<uint8_t> head = MemberBytes(c, member, 0, HeaderBytes);
    const uint8_t* p = head.data();
    int32_t size = member.size;
    const std::string save = "; save it as an uncompressed 8-bit (256-colour) BMP";
    if (const char* other = OtherFormat(p, size))
        return std::string("it is ") + other + ", not a BMP" + save +
               " (zemworld build converts pictures)";
    if (size < 54)
        return "it is " + std::to_string(size) + " bytes long, too short for the 54 bytes of BMP headers";
    if (p[0] != 'B' || p[1] != 'M') return "it is not a BMP picture (it does not begin with \"BM\")";
    const uint8_t* info = p + 14;
    uint32_t headerSize = Get32(info);
    int32_t width = (int32_t)Get32(info + 4);
    int32_t height = (int32_t)Get32(info + 8);
    uint16_t bits = Get16(info + 14);
    uint32_t compression = Get32(info + 16);
    uint32_t coloursUsed = Get32(info + 32);
    int32_t pixelOffset = (int32_t)Get32(p + 10);
    uint32_t entries = 0;
    if (headerSize == 40 && bits <= 8) entries = coloursUsed ? coloursUsed : 1u << bits;
    if (entries > 256 || coloursUsed > 256)
        return "its colours-used field is " + std::to_string(coloursUsed) + ", more than 256";
    if (compression != 0)
        return "it is compressed" + std::string(CompressionName(compression)) + save;
    if (bits != 8) return "it has " + std::to_string(bits) + " bits per pixel, not 8" + save;
    if (height < 0) return "it is stored top-down (negative height)" + save + ", bottom row first";
    if (width <= 0 || height <= 0)
        return "its size is " + std::to_string(width) + " x " + std::to_string(height);
    if (width > 2048)
        return "it is " + std::to_string(width) + " pixels wide; the viewer reads at most 2048";
    if ((int64_t)width * height > 2147483644) return "it is too large";
    int64_t pixels = (int64_t)width * height;
    if (use.encode && use.scratch && pixels > 640 * 480)
        return "it has " + std::to_string(pixels) + " pixels; as a " + use.what +
               " it is decoded in the 640 x 480 screen, so it may have at most 307200";
    int64_t stride = (width + 3) & ~3;
    int64_t end = (int64_t)pixelOffset + stride * height;
    if (pixelOffset < 0 || end > size)
        return "the file is truncated: its " + std::to_string(height) + " rows of " +
               std::to_string(stride) + " bytes from byte " + std::to_string(pixelOffset) +
               " need " + std::to_string(end) + " bytes, the file has " + std::to_string(size);
    return "the loader refuses it (out of memory?)";
}

std::string WhySoundRefused(const CheckContext* c, const PackListing& member) {
    std::vector<uint8_t> head = MemberBytes(c, member, 0, HeaderBytes);
    const uint8_t* p = head.data();
    int32_t size = member.size;
    const std::string save = "; save it as a plain 16-bit PCM WAV (zemworld build converts sounds)";
    if (size < 12 || std::memcmp(p, "RIFF", 4) != 0 || std::memcmp(p + 8, "WAVE", 4) != 0) {
        const char* other = OtherFormat(p, size);
        return std::string("it is ") + (other ? other : "not a WAV file") +
               (other ? ", not a WAV file" : "") + save;
    }
    if (size < 20 || std::memcmp(p + 12, "fmt ", 4) != 0) {
        std::string chunk = size >= 16 ? std::string((const char*)p + 12, 4) : "";
        return "its first chunk is \"" + chunk + "\"; the viewer wants the \"fmt \" chunk first" + save;
    }
    uint32_t formatBytes = Get32(p + 16);
    if (size < 44)
        return "it is " + std::to_string(size) + " bytes long, too short for the 44 bytes of WAV headers";
    if (std::memcmp(p + 36, "data", 4) != 0) {
        if (formatBytes != 16)
            return "its format chunk is " + std::to_string(formatBytes) +
                   " bytes long, not 16, so the data chunk is not where the viewer looks for it" + save;
        return "a \"" + std::string((const char*)p + 36, 4) +
               "\" chunk stands between the format and the data chunk; the viewer wants the data right after the format" +
               save;
    }
    uint32_t dataBytes = Get32(p + 40);
    if ((int64_t)dataBytes > (int64_t)size - 44)
        return "the file is truncated: its data chunk says " + std::to_string(dataBytes) +
               " bytes, the file holds " + std::to_string(size - 44);
    // The layout is right: the sound device is what refused the format.
    uint16_t tag = Get16(p + 20), channels = Get16(p + 22), bits = Get16(p + 34);
    uint32_t rate = Get32(p + 24);
    if (tag != 1 || (bits != 8 && bits != 16) || channels < 1 || channels > 2)
        return std::string("it is ") + (tag == 1 ? "PCM" : tag == 3 ? "floating-point" : "not PCM") +
               " (format " + std::to_string(tag) + ") with " + std::to_string(bits) + " bits and " +
               std::to_string(channels) + " channels; the viewer plays 8- or 16-bit PCM, mono or stereo" + save;
    if (rate < SOUND_LOWEST_RATE || rate > SOUND_HIGHEST_RATE)
        return "its sample rate is " + std::to_string(rate) + " Hz; the viewer plays " +
               std::to_string(SOUND_LOWEST_RATE) + " to " + std::to_string(SOUND_HIGHEST_RATE) + " Hz" + save;
    if (dataBytes == 0) return "it holds no samples";
    std::string tooLong = SoundTooLong(rate, bits, channels, dataBytes);
    if (!tooLong.empty()) return "it " + tooLong;
    return "the sound loader refuses it (out of memory?)";
}

// Source pictures: the format told by the first bytes, the size read from
// the header and judged against the place the picture takes before any
// pixel is decoded, then the decoder of that format.
#include <cstring>

#include "tools/zemworld/import.h"

// Why a place has its limit, after the sizes.
static const char* const ViewerWidth = "the viewer reads no wider picture";
static const char* const InScreen = "it is decoded in the 640 x 480 screen";

const PictureLimit AnyPicture = {"picture", MaxPictureSide, MaxPictureSide, MaxPicturePixels, nullptr};
const PictureLimit StampLimit = {"stamp picture", 2048, MaxPictureSide, MaxPicturePixels, ViewerWidth};
const PictureLimit ItemFrameLimit = {"item-view frame", 2048, MaxPictureSide, MaxPicturePixels, ViewerWidth};
const PictureLimit SpriteFrameLimit = {"sprite frame", 2048, MaxPictureSide, 640 * 480, InScreen};
const PictureLimit PdaLimit = {"PDA picture", 2048, MaxPictureSide, 640 * 480, InScreen};
const PictureLimit IconLimit = {"item icon", 2048, MaxPictureSide, 640 * 480, InScreen};
const PictureLimit CursorLimit = {"cursor frame", 640, 480, 640 * 480, "the viewer keeps the cursor on the screen"};
const PictureLimit IconPaletteLimit = {"icon palette picture", 2048, MaxPictureSide, 640 * 480,
                                       "only its colours are read"};
const PictureLimit LogoLimit = {"logo", 640, 480, 640 * 480, "the viewer never draws a larger one"};

int PictureFits(int64_t width, int64_t height, const PictureLimit& limit, std::string* why) {
    if (width < 1 || height < 1) {
        *why = "has no pixels (its header says " + std::to_string(width) + " x " + std::to_string(height) + ")";
        return 0;
    }
    std::string size = "is " + std::to_string(width) + " x " + std::to_string(height) + " pixels";
    if (width > MaxPictureSide || height > MaxPictureSide || width * height > MaxPicturePixels) {
        *why = size + ", more than a world can use (at most " + std::to_string(MaxPictureSide) + " a side and " +
               std::to_string(MaxPicturePixels / 1000000) + " million pixels)";
        return 0;
    }
    std::string most;
    if (width > limit.width) most = std::to_string(limit.width) + " pixels wide";
    if (height > limit.height) most += (most.empty() ? "" : " and ") + std::to_string(limit.height) + " high";
    if (most.empty() && width * height > limit.pixels) most = std::to_string(limit.pixels) + " pixels in all";
    if (most.empty()) return 1;
    const char* article = std::strchr("aeiou", limit.place[0]) ? "; an " : "; a ";
    *why = size + article + limit.place + " may be at most " + most + (limit.reason ? std::string(" (") + limit.reason + ")" : "");
    return 0;
}

static int Decode(const SourceReader& reader, const PictureLimit& limit, Rgba* out, int32_t* width,
                  int32_t* height, std::string* why) {
    uint8_t head[8] = {};
    size_t got = SourceReadSome(reader, 0, head, sizeof head);
    *width = *height = 0;
    if (got >= 8 && std::memcmp(head, "\x89PNG\r\n\x1a\n", 8) == 0)
        return DecodePng(reader, limit, out, width, height, why);
    if (got >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF)
        return DecodeJpeg(reader, limit, out, width, height, why);
    if (got >= 6 && (std::memcmp(head, "GIF87a", 6) == 0 || std::memcmp(head, "GIF89a", 6) == 0))
        return DecodeGif(reader, limit, out, width, height, why);
    if (got >= 2 && head[0] == 'B' && head[1] == 'M') return DecodeBmp(reader, limit, out, width, height, why);
    if (LooksLikeTga(reader)) return DecodeTga(reader, limit, out, width, height, why);
    *why = "is not a picture that can be read (PNG, JPEG, TGA, GIF and BMP are)";
    return 0;
}

int PictureSize(const SourceReader& reader, const PictureLimit& limit, int32_t* width, int32_t* height,
                std::string* why) {
    return Decode(reader, limit, nullptr, width, height, why);
}

int DecodePicture(const SourceReader& reader, const PictureLimit& limit, Rgba* out, std::string* why) {
    *out = Rgba();
    int32_t width = 0, height = 0;
    return Decode(reader, limit, out, &width, &height, why);
}

int DecodePicture(const std::vector<uint8_t>& bytes, Rgba* out, std::string* why) {
    return DecodePicture(MemoryReader(bytes), AnyPicture, out, why);
}

// GIF pictures through giflib: the first frame on the logical screen, the
// screen's size judged before anything is allocated for it. Only that frame
// is read, row by row; an animation's later frames are never decoded.
#include <gif_lib.h>

#include <cstring>

#include "tools/zemworld/import.h"

static int ReadBytes(GifFileType* gif, GifByteType* to, int length) {
    return length > 0 ? (int)SourceReadNext((SourceCursor*)gif->UserData, to, (size_t)length) : 0;
}

static std::string Damaged(int error) {
    const char* text = GifErrorString(error);
    return std::string("is a damaged GIF (") + (text ? text : "cannot be decoded") + ")";
}

// Colour indices of the frame's rows onto the screen, the transparent
// index (or -1) left clear.
static int ReadFrame(GifFileType* gif, int transparent, Rgba* out, std::string* why) {
    const GifImageDesc& d = gif->Image;
    const ColorMapObject* map = d.ColorMap ? d.ColorMap : gif->SColorMap;
    if (!map || !map->Colors || map->ColorCount < 1) {
        *why = "is a damaged GIF (no colour table)";
        return 0;
    }
    if (d.Width < 1 || d.Height < 1) {
        *why = "is a damaged GIF (its first frame has no pixels)";
        return 0;
    }
    std::vector<GifPixelType> line((size_t)d.Width);
    static const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
    int passes = d.Interlace ? 4 : 1;
    for (int pass = 0; pass < passes; pass++) {
        for (int y = d.Interlace ? start[pass] : 0; y < d.Height; y += d.Interlace ? step[pass] : 1) {
            if (DGifGetLine(gif, line.data(), d.Width) != GIF_OK) {
                *why = Damaged(gif->Error);
                return 0;
            }
            int64_t row = (int64_t)d.Top + y;
            if (row < 0 || row >= out->height) continue;
            for (int x = 0; x < d.Width; x++) {
                int64_t column = (int64_t)d.Left + x;
                int index = line[(size_t)x];
                if (column < 0 || column >= out->width || index == transparent) continue;
                uint8_t* p = &out->pixels[((size_t)row * out->width + (size_t)column) * 4];
                if (index < map->ColorCount) {
                    p[0] = map->Colors[index].Red;
                    p[1] = map->Colors[index].Green;
                    p[2] = map->Colors[index].Blue;
                }
                p[3] = 255;
            }
        }
    }
    return 1;
}

int DecodeGif(const SourceReader& reader, const PictureLimit& limit, Rgba* out, int32_t* width, int32_t* height,
              std::string* why) {
    SourceCursor cursor = {&reader, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&cursor, ReadBytes, &error);
    if (!gif) {
        *why = Damaged(error);
        return 0;
    }
    *width = gif->SWidth;
    *height = gif->SHeight;
    int ok = PictureFits(*width, *height, limit, why);
    int transparent = -1, done = !ok || !out;
    if (ok && out) {
        out->width = *width;
        out->height = *height;
        out->pixels.assign((size_t)*width * *height * 4, 0);
    }
    while (!done) {
        GifRecordType type;
        if (DGifGetRecordType(gif, &type) != GIF_OK) {
            *why = Damaged(gif->Error);
            ok = 0;
            break;
        }
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif, &code, &block) != GIF_OK) {
                *why = Damaged(gif->Error);
                ok = 0;
                break;
            }
            if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4)
                transparent = (block[1] & 1) ? block[4] : -1;
            while (block && ok) {
                if (DGifGetExtensionNext(gif, &block) != GIF_OK) {
                    *why = Damaged(gif->Error);
                    ok = 0;
                }
            }
            done = !ok;
        } else if (type == IMAGE_DESC_RECORD_TYPE) {
            if (DGifGetImageDesc(gif) != GIF_OK) {
                *why = Damaged(gif->Error);
                ok = 0;
            } else {
                ok = ReadFrame(gif, transparent, out, why);
            }
            done = 1;
        } else {
            *why = type == TERMINATE_RECORD_TYPE ? "is a GIF without a picture in it" : Damaged(D_GIF_ERR_WRONG_RECORD);
            ok = 0;
            done = 1;
        }
    }
    DGifCloseFile(gif, &error);
    if (!ok && out) *out = Rgba();
    return ok;
}

// PNG pictures through libpng: the header is read and the size judged
// before a row is decoded; every depth and colour type becomes 8-bit RGBA.
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>

#include "tools/zemworld/import.h"

// Text and other chunks a picture does not need are not kept beyond this.
static const png_alloc_size_t MostChunkBytes = 8u << 20;
static const png_uint_32 MostAncillaryChunks = 1000;

namespace {
struct PngJob {
    const SourceReader* reader;
    int64_t at = 0;
    std::string error;
    std::vector<png_bytep> rows;
};
}  // namespace

static void ReadBytes(png_structp png, png_bytep to, size_t length) {
    PngJob* job = (PngJob*)png_get_io_ptr(png);
    if (!SourceReadAt(*job->reader, job->at, to, length)) png_error(png, "the file ends early");
    job->at += (int64_t)length;
}

static void Fail(png_structp png, png_const_charp message) {
    PngJob* job = (PngJob*)png_get_error_ptr(png);
    job->error = message ? message : "cannot be decoded";
    png_longjmp(png, 1);
}

static void Ignore(png_structp, png_const_charp) {}

// Everything libpng may leave by its error jump lives in *job and *out, not
// in this function's variables.
static int Decode(png_structp png, png_infop info, PngJob* job, const PictureLimit& limit, Rgba* out,
                  int32_t* width, int32_t* height, std::string* why) {
    if (setjmp(png_jmpbuf(png))) return 0;
    png_set_read_fn(png, job, ReadBytes);
    png_set_user_limits(png, MaxPictureSide, MaxPictureSide);
    png_set_chunk_cache_max(png, MostAncillaryChunks);
    png_set_chunk_malloc_max(png, MostChunkBytes);
    png_read_info(png, info);
    *width = (int32_t)png_get_image_width(png, info);
    *height = (int32_t)png_get_image_height(png, info);
    if (!PictureFits(*width, *height, limit, why)) {
        job->error.clear();
        return 0;
    }
    if (!out) return 1;
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != (size_t)*width * 4) png_error(png, "unexpected row layout");
    out->width = *width;
    out->height = *height;
    out->pixels.assign((size_t)*width * *height * 4, 0);
    job->rows.resize((size_t)*height);
    for (int32_t y = 0; y < *height; y++) job->rows[(size_t)y] = &out->pixels[(size_t)y * *width * 4];
    png_read_image(png, job->rows.data());
    return 1;
}

static uint32_t Get32Be(const uint8_t* p) {
    return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3];
}

int DecodePng(const SourceReader& reader, const PictureLimit& limit, Rgba* out, int32_t* width, int32_t* height,
              std::string* why) {
    // The header chunk comes first: its size is judged before the decoder
    // reads on, even in a file cut short after it.
    uint8_t head[24];
    if (SourceReadAt(reader, 0, head, sizeof head) && std::memcmp(head + 12, "IHDR", 4) == 0) {
        *width = (int32_t)std::min<uint32_t>(Get32Be(head + 16), INT32_MAX);
        *height = (int32_t)std::min<uint32_t>(Get32Be(head + 20), INT32_MAX);
        if (!PictureFits(*width, *height, limit, why)) return 0;
    }
    PngJob job;
    job.reader = &reader;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &job, Fail, Ignore);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        *why = "cannot be decoded (out of memory)";
        return 0;
    }
    int ok = Decode(png, info, &job, limit, out, width, height, why);
    png_destroy_read_struct(&png, &info, nullptr);
    if (!ok && !job.error.empty()) *why = "is a damaged PNG (" + job.error + ")";
    if (!ok && out) *out = Rgba();
    return ok;
}

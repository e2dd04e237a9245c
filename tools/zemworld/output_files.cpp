// What render and web write. Output names are predictable (from location
// names, or the four files of a web folder), so whatever already stands
// there may be a link planted to point elsewhere, a FIFO, or a file of the
// author's. Nothing is ever written through a link or opened for writing in
// place: each file is written beside its place under a name of its own and
// renamed over it. A file the tool did not write is replaced only when asked
// (--force); what the tool wrote carries a mark that says so.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <png.h>

#include <csetjmp>
#include <cstring>

#include "tools/zempack/pack.h"
#include "tools/zemworld/world.h"

const char RenderMark[] = "zemworld render";
const char PageMark[] = "<meta name=\"generator\" content=\"zemworld web\">";

// An existing output is looked at no further than this.
static const size_t HeadBytes = 65536;

int ExamineOutput(const std::string& path, std::vector<uint8_t>* head, std::string* what) {
    head->clear();
    struct stat info;
    if (lstat(path.c_str(), &info) != 0) {
        if (errno == ENOENT) return OUTPUT_FREE;
        *what = std::string("cannot be examined: ") + std::strerror(errno);
        return OUTPUT_OTHER;
    }
    if (!S_ISREG(info.st_mode)) {
        *what = std::string("is ") + PackFileKind(info.st_mode);
        return OUTPUT_OTHER;
    }
    int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *what = std::string("cannot be read: ") + std::strerror(errno);
        return OUTPUT_OTHER;
    }
    head->resize(HeadBytes);
    ssize_t got = read(fd, head->data(), head->size());
    close(fd);
    head->resize(got > 0 ? (size_t)got : 0);
    *what = "is a file";
    return OUTPUT_FILE;
}

static uint32_t Get32Be(const uint8_t* p) {
    return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3];
}

int IsRenderedPng(const std::vector<uint8_t>& head) {
    if (head.size() < 8 || std::memcmp(head.data(), "\x89PNG\r\n\x1a\n", 8) != 0) return 0;
    const std::string keyword = std::string("Software") + '\0' + RenderMark;
    for (size_t at = 8; at + 8 <= head.size();) {
        uint32_t length = Get32Be(&head[at]);
        if (length > head.size() - at - 8) return 0;
        if (!std::memcmp(&head[at + 4], "IDAT", 4)) return 0;
        if (!std::memcmp(&head[at + 4], "tEXt", 4) && length == keyword.size() &&
            !std::memcmp(&head[at + 8], keyword.data(), length))
            return 1;
        at += 12 + (size_t)length;
    }
    return 0;
}

int IsWrittenPage(const std::vector<uint8_t>& head) {
    std::string text(head.begin(), head.end());
    return text.find(PageMark) != std::string::npos;
}

namespace {
struct PngOut {
    std::vector<uint8_t> bytes;
    jmp_buf jump;
};
}  // namespace

static void Append(png_structp png, png_bytep data, size_t length) {
    PngOut* out = (PngOut*)png_get_io_ptr(png);
    out->bytes.insert(out->bytes.end(), data, data + length);
}
static void Flush(png_structp) {}
static void Fail(png_structp png, png_const_charp) { longjmp(((PngOut*)png_get_error_ptr(png))->jump, 1); }
static void Ignore(png_structp, png_const_charp) {}

static int Encode(png_structp png, png_infop info, PngOut* out, const uint8_t* rgb, int32_t width,
                  int32_t height) {
    if (setjmp(out->jump)) return 0;
    png_set_write_fn(png, out, Append, Flush);
    png_set_IHDR(png, info, (png_uint_32)width, (png_uint_32)height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_text text;
    std::memset(&text, 0, sizeof text);
    text.compression = PNG_TEXT_COMPRESSION_NONE;
    text.key = (png_charp) "Software";
    text.text = (png_charp)RenderMark;
    png_set_text(png, info, &text, 1);
    png_write_info(png, info);
    for (int32_t y = 0; y < height; y++) png_write_row(png, rgb + (size_t)y * width * 3);
    png_write_end(png, nullptr);
    return 1;
}

int EncodeRenderedPng(const uint8_t* rgb, int32_t width, int32_t height, std::vector<uint8_t>* bytes) {
    PngOut* out = new PngOut();
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, out, Fail, Ignore);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    int ok = png && info && Encode(png, info, out, rgb, width, height);
    png_destroy_write_struct(&png, &info);
    if (ok) *bytes = std::move(out->bytes);
    delete out;
    return ok;
}

int OutputReplaceable(const std::string& path, int (*ours)(const std::vector<uint8_t>&), int force,
                      std::string* why) {
    std::vector<uint8_t> head;
    std::string what;
    int kind = ExamineOutput(path, &head, &what);
    if (kind == OUTPUT_FREE || force) return 1;
    if (kind == OUTPUT_FILE && ours(head)) return 1;
    *why = path + " " + (kind == OUTPUT_FILE ? "is a file zemworld did not write" : what) +
           "; it is not replaced (--force replaces it, never writing through a link)";
    return 0;
}
